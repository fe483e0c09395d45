// Shared by the audio fuzz targets: the audio layer opened once on a silent output.
#pragma once

// Starts SDL's audio on the dummy driver and opens the audio layer (closed at exit); aborts
// when it cannot.
void fuzz_open_audio();
// Renders a short stretch of the output at once, so whatever plays is mixed.
void fuzz_render();

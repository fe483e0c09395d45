// Audio library: tracker music and one sampled sound, mixed in the background.
#pragma once
#include <cstdint>
#include <memory>

struct audio_song;
struct audio_sample;
using FMUSIC_MODULE = audio_song;
using FSOUND_SAMPLE = audio_sample;

constexpr int FSOUND_FREE = -1; // any free sample slot or channel

// Error codes kept by FSOUND_GetError.
constexpr int FMOD_ERR_NONE = 0;
constexpr int FMOD_ERR_BUSY = 1;
constexpr int FMOD_ERR_UNINITIALIZED = 2;
constexpr int FMOD_ERR_INIT = 3;
constexpr int FMOD_ERR_ALLOCATED = 4;
constexpr int FMOD_ERR_PLAY = 5;
constexpr int FMOD_ERR_OUTPUT_FORMAT = 6;
constexpr int FMOD_ERR_COOPERATIVELEVEL = 7;
constexpr int FMOD_ERR_CREATEBUFFER = 8;
constexpr int FMOD_ERR_FILE_NOTFOUND = 9;
constexpr int FMOD_ERR_FILE_FORMAT = 10;
constexpr int FMOD_ERR_FILE_BAD = 11;
constexpr int FMOD_ERR_MEMORY = 12;
constexpr int FMOD_ERR_VERSION = 13;
constexpr int FMOD_ERR_INVALID_PARAM = 14;
constexpr int FMOD_ERR_NO_EAX = 15;
constexpr int FMOD_ERR_CHANNEL_ALLOC = 16;
constexpr int FMOD_ERR_RECORD = 17;
constexpr int FMOD_ERR_MEDIAPLAYER = 18;
constexpr int FMOD_ERR_CDDEVICE = 19;

// Opens the output at mixrate Hz. Returns 1 when ready (a silent output when no sound device
// exists, with one message), 0 when no output at all could be opened.
signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
// Stops everything, frees what is still loaded and closes the output; safe when not open.
void FSOUND_Close();
// Code of the last error (FMOD_ERR_NONE after a success).
int FSOUND_GetError();

// Loads a tracker module; null on failure (error code set).
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
// Loop for ever (non-zero) or play once (0). Returns 0 for a null song.
signed char FMUSIC_SetLooping(FMUSIC_MODULE* mod, signed char looping);
// Starts the song from its beginning in the background. Returns 0 for a null song.
signed char FMUSIC_PlaySong(FMUSIC_MODULE* mod);
// The module's title; "" when it has none, null for a null song.
const char* FMUSIC_GetName(FMUSIC_MODULE* mod);
// Stops the song. Returns 0 for a null song.
signed char FMUSIC_StopSong(FMUSIC_MODULE* mod);
// Stops and releases the song. Returns 0 (doing nothing) for a null song.
signed char FMUSIC_FreeSong(FMUSIC_MODULE* mod);

// Loads a WAV sample; null on failure (error code set).
FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset,
                                  int length);
// Plays the sample once on top of the music. Returns the channel, -1 on failure.
int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample);
// Stops and releases the sample; null does nothing.
void FSOUND_Sample_Free(FSOUND_SAMPLE* sample);

// Mixes the next frames of output (interleaved stereo) into out at once, as the device would, so
// a caller can render without waiting for the device. Leaves out as it is when not open.
void audio_render(int16_t* out, int frames);

// Text of an audio error code (0..19); null for any other code.
const char* audio_error_text(int code);

// Owners: a song is stopped, then released; a sample is released.
struct song_deleter {
    void operator()(FMUSIC_MODULE* mod) const {
        FMUSIC_StopSong(mod);
        FMUSIC_FreeSong(mod);
    }
};
struct sample_deleter {
    void operator()(FSOUND_SAMPLE* sample) const { FSOUND_Sample_Free(sample); }
};
using song_ptr = std::unique_ptr<FMUSIC_MODULE, song_deleter>;
using sample_ptr = std::unique_ptr<FSOUND_SAMPLE, sample_deleter>;

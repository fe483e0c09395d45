// Shared by the fuzz targets: a private working folder, since the loaders read fixed relative
// paths, and a hard stop when an expectation fails.
#pragma once
#include <cstddef>
#include <cstdint>

// Makes a private temporary folder (once per process, removed at exit) with data/, pics/ and
// sounds/ inside, and moves the working directory into it.
void fuzz_enter_dir();
// Replaces the file at path (relative to the working folder) with the bytes; aborts on failure.
void fuzz_write_file(const char* path, const uint8_t* data, std::size_t size);
// Reports what went wrong and aborts, so the fuzzer keeps the input that did it.
[[noreturn]] void fuzz_fail(const char* what);

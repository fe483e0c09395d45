// Audio library: SDL's audio callback mixes the playing tracker songs (rendered by libopenmpt)
// and the sample voices into one 16-bit stereo stream. Everything the callback reads is
// changed only under SDL_LockAudio, so the callback never sees a half-made change or a
// freed object.
#include "app/audio.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/media_check.h"

struct openmpt_deleter {
    void operator()(openmpt_module* mod) const { openmpt_module_destroy(mod); }
};

struct audio_song {
    std::unique_ptr<openmpt_module, openmpt_deleter> mod;
    std::string title; // Latin-1, as the screens draw it
    bool looping = false;
    bool playing = false;
};

struct audio_sample {
    std::vector<int16_t> data; // interleaved stereo at the output rate
};

namespace {

constexpr int AUDIO_VOICES = 32;
constexpr size_t AUDIO_CHUNK_FRAMES = 512;
constexpr size_t AUDIO_FRAME_BYTES = 2 * sizeof(int16_t); // 16-bit stereo
constexpr Uint16 AUDIO_DEVICE_FRAMES = 1024;

struct audio_voice {
    const audio_sample* sample = nullptr;
    size_t pos = 0; // next int16 value of sample->data
};

struct audio_state {
    bool open = false;
    bool own_subsystem = false; // we started SDL's audio subsystem, so we stop it
    int rate = 44100;
    int error = FMOD_ERR_NONE;
    std::vector<std::unique_ptr<audio_song>> songs;
    std::vector<std::unique_ptr<audio_sample>> samples;
    std::array<audio_voice, AUDIO_VOICES> voices{};
};

audio_state g_audio;

constexpr std::array<const char*, 20> AUDIO_ERROR_TEXTS = {
    "no default",
    "Cannot call this command after FSOUND_Init. Call FSOUND_Close first.",
    "This command failed because FSOUND_Init or FSOUND_SetOutput was not called",
    "Error initializing output device.",
    "Error initializing output device, the output device is already in use and cannot be reused",
    "Playing the sound failed",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware",
    "Error creating hardware sound buffer",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory or resources",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output",
    "Failed to allocate a new channel",
    "Recording is not supported on this machine",
    "Windows Media Player not installed so cannot play wma or use internet streaming",
    "An error occured trying to open the specified CD device",
};

// Mixes one chunk of at most AUDIO_CHUNK_FRAMES frames into out.
void mix_chunk(int16_t* out, size_t frames) {
    std::array<int32_t, AUDIO_CHUNK_FRAMES * 2> acc{};
    std::array<int16_t, AUDIO_CHUNK_FRAMES * 2> part;
    const size_t values = frames * 2;

    for (const auto& song : g_audio.songs) {
        if (!song->playing) continue;
        size_t got = openmpt_module_read_interleaved_stereo(song->mod.get(), g_audio.rate, frames,
                                                            part.data());
        for (size_t i = 0; i < got * 2; ++i)
            acc[i] += part[i];
        // Fewer frames than asked only happen at the end of the song.
        if (got < frames) song->playing = false;
    }

    for (audio_voice& v : g_audio.voices) {
        if (!v.sample) continue;
        const std::vector<int16_t>& d = v.sample->data;
        size_t n = std::min(values, d.size() - v.pos);
        for (size_t i = 0; i < n; ++i)
            acc[i] += d[v.pos + i];
        v.pos += n;
        if (v.pos >= d.size()) v = audio_voice{};
    }

    for (size_t i = 0; i < values; ++i)
        out[i] = static_cast<int16_t>(std::clamp<int32_t>(acc[i], INT16_MIN, INT16_MAX));
}

void audio_callback(void*, Uint8* stream, int len) {
    std::array<int16_t, AUDIO_CHUNK_FRAMES * 2> chunk;
    size_t frames = len > 0 ? static_cast<size_t>(len) / AUDIO_FRAME_BYTES : 0;
    while (frames > 0) {
        const size_t n = std::min(frames, AUDIO_CHUNK_FRAMES);
        mix_chunk(chunk.data(), n);
        std::memcpy(stream, chunk.data(), n * AUDIO_FRAME_BYTES);
        stream += n * AUDIO_FRAME_BYTES;
        frames -= n;
    }
}

// Opens the device in our exact format (SDL converts if the device differs) and starts it.
bool open_output() {
    SDL_AudioSpec want{};
    want.freq = g_audio.rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = AUDIO_DEVICE_FRAMES;
    want.callback = audio_callback;
    if (SDL_OpenAudio(&want, nullptr) < 0) return false;
    SDL_PauseAudio(0);
    return true;
}

// Reads a whole file of at most MEDIA_MAX_FILE_BYTES; returns FMOD_ERR_NONE, FILE_NOTFOUND,
// FILE_BAD or MEMORY (too large).
int read_file(const char* name, std::vector<unsigned char>& data) {
    switch (media_read_file(name, MEDIA_MAX_FILE_BYTES, data)) {
    case MEDIA_READ_OK:
        return FMOD_ERR_NONE;
    case MEDIA_READ_MISSING:
        return FMOD_ERR_FILE_NOTFOUND;
    case MEDIA_READ_TOO_BIG:
        return FMOD_ERR_MEMORY;
    default:
        return FMOD_ERR_FILE_BAD;
    }
}

// The module library hands out UTF-8; the screens draw Latin-1. Other characters become '?'.
std::string utf8_to_latin1(const char* s) {
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        unsigned c = *p;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++p;
            continue;
        }
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        unsigned code = c & (0x3Fu >> more);
        ++p;
        for (int i = 0; i < more && (*p & 0xC0) == 0x80; ++i, ++p)
            code = (code << 6) | (*p & 0x3F);
        out += code >= 0xA0 && code <= 0xFF ? static_cast<char>(code) : '?';
    }
    return out;
}

// The owner of p in list, or the list's end when p is not one of ours.
template <typename T> auto find_owner(std::vector<std::unique_ptr<T>>& list, const T* p) {
    return std::find_if(list.begin(), list.end(), [p](const auto& o) { return o.get() == p; });
}

bool known_song(const audio_song* s) {
    return find_owner(g_audio.songs, s) != g_audio.songs.end();
}

bool known_sample(const audio_sample* s) {
    return find_owner(g_audio.samples, s) != g_audio.samples.end();
}

// Checks that the library is open and the song is one of ours; sets the error otherwise.
bool usable_song(const audio_song* s) {
    if (!g_audio.open) {
        g_audio.error = FMOD_ERR_UNINITIALIZED;
        return false;
    }
    if (!known_song(s)) {
        g_audio.error = FMOD_ERR_INVALID_PARAM;
        return false;
    }
    g_audio.error = FMOD_ERR_NONE;
    return true;
}

// Reads the file of a load call. Returns false, with the error code set, when the library is
// not open, the name is null or the file cannot be read.
bool read_for_load(const char* name, std::vector<unsigned char>& data) {
    const int err = !g_audio.open ? FMOD_ERR_UNINITIALIZED
                    : !name       ? FMOD_ERR_INVALID_PARAM
                                  : read_file(name, data);
    if (err == FMOD_ERR_NONE) return true;
    g_audio.error = err;
    return false;
}

// Fills out with the whole 16-bit values of bytes; a buffer too short for one leaves it empty
// (and is never read: an empty vector has no storage to copy into).
void copy_values(std::vector<int16_t>& out, const Uint8* bytes, size_t length) {
    out.resize(length / sizeof(int16_t));
    if (!out.empty()) std::memcpy(out.data(), bytes, out.size() * sizeof(int16_t));
}

} // namespace

signed char FSOUND_Init(int mixrate, int, unsigned int) {
    if (g_audio.open) {
        g_audio.error = FMOD_ERR_BUSY;
        return 0;
    }
    if (mixrate <= 0) {
        g_audio.error = FMOD_ERR_INVALID_PARAM;
        return 0;
    }
    g_audio.rate = mixrate;
    g_audio.own_subsystem = false;
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        g_audio.own_subsystem = true;
    bool ok = SDL_WasInit(SDL_INIT_AUDIO) && open_output();
    if (!ok) {
        // No usable sound device: play into a silent output so the game still runs.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            ok = open_output();
            if (ok)
                std::puts("Audio / Pas de sortie son disponible, le jeu continue sans son");
            else
                SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }
    if (!ok) {
        g_audio.own_subsystem = false;
        g_audio.error = FMOD_ERR_INIT;
        return 0;
    }
    g_audio.open = true;
    g_audio.error = FMOD_ERR_NONE;
    return 1;
}

void FSOUND_Close() {
    if (!g_audio.open) return;
    SDL_CloseAudio(); // the callback has stopped for good once this returns
    g_audio.songs.clear();
    g_audio.songs.shrink_to_fit();
    g_audio.samples.clear();
    g_audio.samples.shrink_to_fit();
    g_audio.voices = {};
    if (g_audio.own_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_audio.own_subsystem = false;
    g_audio.open = false;
}

int FSOUND_GetError() {
    return g_audio.error;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    std::vector<unsigned char> data;
    if (!read_for_load(name, data)) return nullptr;
    int oerr = OPENMPT_ERROR_OK;
    auto song = std::make_unique<audio_song>();
    song->mod.reset(openmpt_module_create_from_memory2(data.data(), data.size(),
                                                       openmpt_log_func_silent, nullptr, nullptr,
                                                       nullptr, &oerr, nullptr, nullptr));
    if (!song->mod) {
        g_audio.error =
            oerr == OPENMPT_ERROR_OUT_OF_MEMORY ? FMOD_ERR_MEMORY : FMOD_ERR_FILE_FORMAT;
        return nullptr;
    }
    openmpt_module_ctl_set_text(song->mod.get(), "play.at_end", "stop");
    openmpt_module_set_repeat_count(song->mod.get(), 0);
    if (const char* title = openmpt_module_get_metadata(song->mod.get(), "title")) {
        song->title = utf8_to_latin1(title);
        openmpt_free_string(title);
    }
    audio_song* handle = song.get();
    SDL_LockAudio();
    g_audio.songs.push_back(std::move(song));
    SDL_UnlockAudio();
    g_audio.error = FMOD_ERR_NONE;
    return handle;
}

signed char FMUSIC_SetLooping(FMUSIC_MODULE* mod, signed char looping) {
    if (!mod || !usable_song(mod)) return 0;
    SDL_LockAudio();
    mod->looping = looping != 0;
    openmpt_module_set_repeat_count(mod->mod.get(), mod->looping ? -1 : 0);
    SDL_UnlockAudio();
    return 1;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* mod) {
    if (!mod || !usable_song(mod)) return 0;
    SDL_LockAudio();
    openmpt_module_set_repeat_count(mod->mod.get(), mod->looping ? -1 : 0);
    openmpt_module_set_position_seconds(mod->mod.get(), 0.0);
    mod->playing = true;
    SDL_UnlockAudio();
    return 1;
}

const char* FMUSIC_GetName(FMUSIC_MODULE* mod) {
    if (!mod || !usable_song(mod)) return nullptr;
    return mod->title.c_str();
}

signed char FMUSIC_StopSong(FMUSIC_MODULE* mod) {
    if (!mod || !usable_song(mod)) return 0;
    SDL_LockAudio();
    mod->playing = false;
    SDL_UnlockAudio();
    return 1;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* mod) {
    if (!mod || !usable_song(mod)) return 0;
    SDL_LockAudio();
    auto owner = find_owner(g_audio.songs, mod);
    std::unique_ptr<audio_song> song = std::move(*owner);
    g_audio.songs.erase(owner);
    SDL_UnlockAudio();
    song.reset(); // released outside the lock
    return 1;
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int, const char* name, unsigned int, int, int) {
    std::vector<unsigned char> file;
    if (!read_for_load(name, file)) return nullptr;
    // A damaged header could make the WAV reader ask for gigabytes: it reads only what we
    // checked first.
    SDL_AudioSpec wav_fmt{};
    Uint8* wav = nullptr;
    Uint32 wav_len = 0;
    SDL_RWops* rw = media_check_wav(file.data(), file.size())
                        ? nullptr
                        : SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    if (!rw || !SDL_LoadWAV_RW(rw, 1, &wav_fmt, &wav, &wav_len)) {
        g_audio.error = FMOD_ERR_FILE_FORMAT;
        return nullptr;
    }
    const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> wav_owner(wav, SDL_FreeWAV);

    SDL_AudioCVT cvt{};
    int need = SDL_BuildAudioCVT(&cvt, wav_fmt.format, wav_fmt.channels, wav_fmt.freq, AUDIO_S16SYS,
                                 2, g_audio.rate);
    if (need < 0) {
        g_audio.error = FMOD_ERR_FILE_FORMAT;
        return nullptr;
    }
    auto sample = std::make_unique<audio_sample>();
    if (wav_len == 0) {
        // An empty data chunk: a silent sample (the reader may hand back no buffer at all).
    } else if (need == 0) {
        copy_values(sample->data, wav, wav_len);
    } else {
        // The converter works in place and may need len_mult times the input size.
        std::vector<Uint8> work(static_cast<size_t>(wav_len) * static_cast<size_t>(cvt.len_mult));
        std::memcpy(work.data(), wav, wav_len);
        cvt.buf = work.data();
        cvt.len = static_cast<int>(wav_len);
        if (SDL_ConvertAudio(&cvt) < 0) {
            g_audio.error = FMOD_ERR_FILE_FORMAT;
            return nullptr;
        }
        copy_values(sample->data, work.data(), static_cast<size_t>(cvt.len_cvt));
    }
    // Whole frames only, so a voice always ends on a frame boundary.
    sample->data.resize(sample->data.size() & ~size_t{1});

    audio_sample* handle = sample.get();
    SDL_LockAudio();
    g_audio.samples.push_back(std::move(sample));
    SDL_UnlockAudio();
    g_audio.error = FMOD_ERR_NONE;
    return handle;
}

int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample) {
    if (!g_audio.open) {
        g_audio.error = FMOD_ERR_UNINITIALIZED;
        return -1;
    }
    if (!sample || !known_sample(sample) || channel < FSOUND_FREE || channel >= AUDIO_VOICES) {
        g_audio.error = FMOD_ERR_INVALID_PARAM;
        return -1;
    }
    SDL_LockAudio();
    if (channel == FSOUND_FREE) {
        for (int i = 0; i < AUDIO_VOICES; ++i) {
            if (!g_audio.voices[static_cast<size_t>(i)].sample) {
                channel = i;
                break;
            }
        }
    }
    if (channel >= 0 && !sample->data.empty())
        g_audio.voices[static_cast<size_t>(channel)] = audio_voice{sample, 0};
    SDL_UnlockAudio();
    g_audio.error = channel >= 0 ? FMOD_ERR_NONE : FMOD_ERR_CHANNEL_ALLOC;
    return channel;
}

void FSOUND_Sample_Free(FSOUND_SAMPLE* sample) {
    if (!sample || !g_audio.open || !known_sample(sample)) return;
    SDL_LockAudio();
    for (audio_voice& v : g_audio.voices)
        if (v.sample == sample) v = audio_voice{};
    auto owner = find_owner(g_audio.samples, sample);
    std::unique_ptr<audio_sample> freed = std::move(*owner);
    g_audio.samples.erase(owner);
    SDL_UnlockAudio();
    freed.reset(); // released outside the lock
}

void audio_render(int16_t* out, int frames) {
    if (!g_audio.open || frames <= 0) return;
    SDL_LockAudio();
    audio_callback(nullptr, reinterpret_cast<Uint8*>(out),
                   static_cast<int>(static_cast<size_t>(frames) * AUDIO_FRAME_BYTES));
    SDL_UnlockAudio();
}

const char* audio_error_text(int code) {
    if (code < 0 || code >= static_cast<int>(AUDIO_ERROR_TEXTS.size())) return nullptr;
    return AUDIO_ERROR_TEXTS[static_cast<size_t>(code)];
}

// The audio library played for real: SDL's disk driver records the mixed output into a file
// (raw signed 16-bit little-endian stereo at 44100 Hz), which the tests read back.
#include "app/audio.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/audio_out.h"
#include "support/play_dir.h"
#include "support/test_tune.h"

namespace {

constexpr int RATE = 44100;
constexpr double SONG_SECONDS = TEST_TUNE_SECONDS;
constexpr const char* SONG_TITLE = "quelbo test tune";

int frames_of(double seconds) {
    return static_cast<int>(seconds * RATE);
}

std::vector<unsigned char> make_mod() {
    const std::vector<uint8_t> bytes = test_tune_bytes(SONG_TITLE);
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

// A PCM WAV file holding the given sample bytes: the 44-byte header, then the data.
std::vector<unsigned char> make_wav(int freq, int channels, int bits,
                                    const std::vector<unsigned char>& pcm) {
    constexpr size_t HEADER = 44;
    std::vector<unsigned char> w(HEADER + pcm.size());
    const auto tag = [&w](size_t at, const char* t) { std::memcpy(&w[at], t, 4); };
    const auto le = [&w](size_t at, size_t x, int bytes) {
        for (int i = 0; i < bytes; ++i)
            w[at + static_cast<size_t>(i)] = static_cast<unsigned char>(x >> (8 * i));
    };
    tag(0, "RIFF");
    le(4, 36 + pcm.size(), 4);
    tag(8, "WAVE");
    tag(12, "fmt ");
    le(16, 16, 4);
    le(20, 1, 2); // PCM
    le(22, static_cast<size_t>(channels), 2);
    le(24, static_cast<size_t>(freq), 4);
    le(28, static_cast<size_t>(freq * channels * bits / 8), 4);
    le(32, static_cast<size_t>(channels * bits / 8), 2);
    le(34, static_cast<size_t>(bits), 2);
    tag(36, "data");
    le(40, pcm.size(), 4);
    std::copy(pcm.begin(), pcm.end(), w.begin() + HEADER);
    return w;
}

// A folder of the test's own for its files and the recorded output; removed at the end.
struct audio_fixture : ::testing::Test {
    scratch_dir scratch{"audio"};
    std::filesystem::path dir = scratch.path;
    std::string out = (dir / "out.raw").string();

    void TearDown() override {
        FSOUND_Close();
        SDL_Quit();
    }

    std::string write_file(const char* name, const std::vector<unsigned char>& bytes) {
        std::string path = (dir / name).string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }

    // SDL and the audio library, recording into `out` several times faster than real time.
    void start_recording() {
        record_audio_to(out);
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
        ASSERT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
    }

    long recorded_frames() const { return static_cast<long>(audio_bytes(out) / 4); }

    // Waits until the output holds at least `frames` frames; returns the count then.
    long wait_frames(long frames) const {
        if (!wait_audio_bytes(out, static_cast<size_t>(frames) * 4))
            ADD_FAILURE() << "the output stopped growing at " << recorded_frames() << " frames";
        return recorded_frames();
    }

    // The first frame with sound within a second of output from frame `from`; fails (and gives
    // `from`) when that second is silent.
    long wait_sound(long from) const {
        const long span = frames_of(1.0);
        wait_frames(from + span);
        std::vector<int16_t> v(static_cast<size_t>(span) * 2);
        if (std::FILE* f = std::fopen(out.c_str(), "rb")) {
            std::fseek(f, from * 4, SEEK_SET);
            v.resize(std::fread(v.data(), sizeof(int16_t), v.size(), f));
            std::fclose(f);
        }
        for (size_t i = 0; i < v.size(); ++i)
            if (v[i] != 0) return from + static_cast<long>(i / 2);
        ADD_FAILURE() << "no sound within a second after frame " << from;
        return from;
    }

    // Closes the library and reads the whole recording.
    std::vector<int16_t> finish() {
        FSOUND_Close();
        std::vector<int16_t> v;
        std::FILE* f = std::fopen(out.c_str(), "rb");
        if (!f) return v;
        int16_t buf[4096];
        size_t n;
        while ((n = std::fread(buf, sizeof(int16_t), 4096, f)) > 0)
            v.insert(v.end(), buf, buf + n);
        std::fclose(f);
        return v;
    }
};

// Largest absolute value over frames [from, to).
int peak(const std::vector<int16_t>& v, long from, long to) {
    int p = 0;
    for (long i = from * 2; i < to * 2 && i < static_cast<long>(v.size()); ++i)
        p = std::max(p, std::abs(static_cast<int>(v[static_cast<size_t>(i)])));
    return p;
}

// First frame at or after `from` with any non-zero value; -1 when all is silent.
long first_sound(const std::vector<int16_t>& v, long from = 0) {
    for (long i = from * 2; i < static_cast<long>(v.size()); ++i)
        if (v[static_cast<size_t>(i)] != 0) return i / 2;
    return -1;
}

// True when every 50 ms window of [from, to) holds a clearly audible signal.
bool sounds_throughout(const std::vector<int16_t>& v, long from, long to) {
    const long win = frames_of(0.05);
    for (long a = from; a + win <= to; a += win)
        if (peak(v, a, a + win) < 1000) return false;
    return true;
}

TEST(audio_error_text, gives_the_table_and_null_outside) {
    EXPECT_STREQ(audio_error_text(0), "no default");
    EXPECT_STREQ(audio_error_text(FMOD_ERR_BUSY),
                 "Cannot call this command after FSOUND_Init. Call FSOUND_Close first.");
    EXPECT_STREQ(audio_error_text(FMOD_ERR_FILE_NOTFOUND), "File not found");
    EXPECT_STREQ(audio_error_text(FMOD_ERR_FILE_FORMAT), "Unknown file format");
    EXPECT_STREQ(audio_error_text(FMOD_ERR_OUTPUT_FORMAT),
                 "Soundcard does not support the features needed for this soundsystem (16bit "
                 "stereo output)");
    EXPECT_STREQ(audio_error_text(18), "Windows Media Player not installed so cannot play wma "
                                       "or use internet streaming");
    EXPECT_STREQ(audio_error_text(FMOD_ERR_CDDEVICE),
                 "An error occured trying to open the specified CD device");
    for (int code = 0; code <= 19; ++code)
        EXPECT_NE(audio_error_text(code), nullptr) << code;
    EXPECT_EQ(audio_error_text(-1), nullptr);
    EXPECT_EQ(audio_error_text(20), nullptr);
    EXPECT_EQ(audio_error_text(1000), nullptr);
}

TEST_F(audio_fixture, calls_before_init_fail_and_close_is_harmless) {
    FSOUND_Close();
    std::string mod = write_file("a.mod", make_mod());
    EXPECT_EQ(FMUSIC_LoadSong(mod.c_str()), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, mod.c_str(), 0, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(FMUSIC_FreeSong(nullptr), 0);
    FSOUND_Sample_Free(nullptr);
}

TEST_F(audio_fixture, without_a_sound_device_runs_silently_with_one_message) {
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    ASSERT_EQ(SDL_Init(0), 0);
    ::testing::internal::CaptureStdout();
    signed char ok = FSOUND_Init(44100, 32, 0);
    std::fflush(stdout);
    std::string said = ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(said, "Audio / Pas de sortie son disponible, le jeu continue sans son\n");
    // The silent output still takes songs.
    FMUSIC_MODULE* song = FMUSIC_LoadSong(write_file("a.mod", make_mod()).c_str());
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(FMUSIC_PlaySong(song), 1);
    SDL_Delay(50);
    // A second init while open is refused; closing twice is harmless.
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_BUSY);
    FSOUND_Close();
    FSOUND_Close();
}

// The output goes to the file far faster than real time, so every wait and every check
// is placed by what the file holds: the frame count read before a call is a lower bound for
// where the call takes effect, the count read after it an upper bound (give or take one
// device buffer).
TEST_F(audio_fixture, song_played_once_falls_silent_at_its_end_and_replays_from_the_start) {
    start_recording();
    FMUSIC_MODULE* song = FMUSIC_LoadSong(write_file("a.mod", make_mod()).c_str());
    ASSERT_NE(song, nullptr);
    EXPECT_STREQ(FMUSIC_GetName(song), SONG_TITLE);
    EXPECT_EQ(FMUSIC_SetLooping(song, 0), 1);
    long before = recorded_frames();
    EXPECT_EQ(FMUSIC_PlaySong(song), 1);
    long onset = wait_sound(before);
    long end = onset + frames_of(SONG_SECONDS);
    long replay_at = wait_frames(end + frames_of(0.5));
    EXPECT_EQ(FMUSIC_PlaySong(song), 1);
    long again = wait_sound(replay_at);
    wait_frames(again + frames_of(1.0));
    std::vector<int16_t> v = finish();

    EXPECT_EQ(peak(v, 0, onset), 0);
    EXPECT_TRUE(sounds_throughout(v, onset, end - frames_of(0.05)));
    // Ends exactly: no fade-out tail, silence until the second PlaySong.
    EXPECT_EQ(peak(v, end + frames_of(0.01), replay_at), 0);
    EXPECT_TRUE(sounds_throughout(v, again, again + frames_of(0.9)));
    // From the start: the replay is the first run again (up to the mixer's dither).
    int worst = 0;
    for (long i = 0; i < frames_of(0.5) * 2; ++i)
        worst = std::max(worst, std::abs(v[size_t(onset * 2 + i)] - v[size_t(again * 2 + i)]));
    EXPECT_LE(worst, 4);
}

TEST_F(audio_fixture, looping_song_keeps_playing_until_stopped) {
    start_recording();
    FMUSIC_MODULE* song = FMUSIC_LoadSong(write_file("a.mod", make_mod()).c_str());
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(FMUSIC_SetLooping(song, 1), 1);
    const Uint32 started = SDL_GetTicks();
    long before = recorded_frames();
    EXPECT_EQ(FMUSIC_PlaySong(song), 1);
    long onset = wait_sound(before);
    long stop_at = wait_frames(onset + frames_of(3 * SONG_SECONDS));
    // Every wait of these tests stays short only while the recording runs well ahead of real
    // time (each SDL release takes its own setting for that).
    const double waited_s = (SDL_GetTicks() - started) / 1000.0;
    EXPECT_GT(stop_at - before, 2 * frames_of(waited_s))
        << "recorded " << stop_at - before << " frames in " << waited_s << " s";
    EXPECT_EQ(FMUSIC_StopSong(song), 1);
    long stopped = recorded_frames();
    long last = wait_frames(stopped + frames_of(0.5));
    std::vector<int16_t> v = finish();

    EXPECT_TRUE(sounds_throughout(v, onset, stop_at - frames_of(0.05)));
    EXPECT_EQ(peak(v, stopped + frames_of(0.1), last), 0) << "still sounding after StopSong";
    EXPECT_EQ(FMUSIC_FreeSong(song), 0) << "Close already freed the song";
}

TEST_F(audio_fixture, load_errors_give_their_codes) {
    start_recording();
    std::string missing = (dir / "missing.mod").string();
    EXPECT_EQ(FMUSIC_LoadSong(missing.c_str()), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_NOTFOUND);
    std::vector<unsigned char> junk(3000);
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<unsigned char>(i * 7 + 3);
    std::string garbage = write_file("garbage.mod", junk);
    EXPECT_EQ(FMUSIC_LoadSong(garbage.c_str()), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);
    EXPECT_EQ(FMUSIC_LoadSong(write_file("empty.mod", {}).c_str()), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);
    EXPECT_EQ(FMUSIC_LoadSong(dir.c_str()), nullptr); // a folder opens but cannot be read
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_BAD);

    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, missing.c_str(), 0, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, garbage.c_str(), 0, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);
    // A module is no WAV.
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, write_file("a.mod", make_mod()).c_str(), 0, 0, 0),
              nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);

    EXPECT_EQ(FMUSIC_SetLooping(nullptr, 1), 0);
    EXPECT_EQ(FMUSIC_PlaySong(nullptr), 0);
    EXPECT_EQ(FMUSIC_GetName(nullptr), nullptr);
    EXPECT_EQ(FMUSIC_StopSong(nullptr), 0);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, nullptr), -1);
}

TEST_F(audio_fixture, sample_mixes_on_top_of_the_music_with_saturation) {
    // Half a second of full-scale positive DC: added to the square wave it must clip at the top,
    // never wrap round to negative values.
    const int frames = frames_of(0.5);
    std::vector<unsigned char> pcm(static_cast<size_t>(frames) * 4);
    for (size_t i = 0; i < pcm.size(); i += 2) {
        pcm[i] = 0xFF;
        pcm[i + 1] = 0x7F;
    }
    std::string wav = write_file("dc.wav", make_wav(RATE, 2, 16, pcm));
    start_recording();
    FMUSIC_MODULE* song = FMUSIC_LoadSong(write_file("a.mod", make_mod()).c_str());
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, wav.c_str(), 0, 0, 0);
    ASSERT_NE(song, nullptr);
    ASSERT_NE(sample, nullptr);
    FMUSIC_SetLooping(song, 1);
    // Both start in the same callback.
    SDL_LockAudio();
    long start = recorded_frames();
    FMUSIC_PlaySong(song);
    int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    SDL_UnlockAudio();
    EXPECT_GE(channel, 0);
    wait_frames(start + frames + frames_of(1.0));
    std::vector<int16_t> v = finish();

    long onset = first_sound(v);
    ASSERT_GE(onset, start);
    long end = onset + frames;
    int lowest = 0;
    for (long i = onset * 2; i < end * 2; ++i)
        lowest = std::min<int>(lowest, v[size_t(i)]);
    EXPECT_GE(lowest, -1) << "the sum wrapped round";
    EXPECT_EQ(peak(v, onset, end), 32767);
    // During the sample the left channel (where the music plays) stays pinned at the top
    // half of the time; afterwards the music alone swings both ways below full scale.
    long pinned = 0;
    for (long i = onset; i < end; ++i)
        pinned += v[size_t(i * 2)] == 32767;
    EXPECT_GT(pinned, (end - onset) / 3);
    EXPECT_LT(peak(v, end + 10, end + frames_of(0.5)), 32767);
    EXPECT_TRUE(sounds_throughout(v, end + 10, end + frames_of(0.5)));
}

TEST_F(audio_fixture, converted_sample_lasts_its_converted_length) {
    // 8-bit mono at 22050 Hz: converted to 16-bit stereo at 44100 Hz it lasts twice its frames.
    const int frames = 11025;
    std::vector<unsigned char> pcm(frames, 0xF0);
    std::string wav = write_file("low.wav", make_wav(22050, 1, 8, pcm));
    start_recording();
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, wav.c_str(), 0, 0, 0);
    ASSERT_NE(sample, nullptr);
    long start = recorded_frames();
    EXPECT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
    wait_frames(start + frames_of(1.0));
    std::vector<int16_t> v = finish();

    long onset = first_sound(v);
    ASSERT_GE(onset, 0);
    long last = onset;
    for (long i = onset; i < static_cast<long>(v.size() / 2); ++i)
        if (v[size_t(i * 2)] != 0 || v[size_t(i * 2 + 1)] != 0) last = i;
    EXPECT_NEAR(last + 1 - onset, 2 * frames, 64);
    // Both channels carry the mono signal, loud (0xF0 is 112 above the 8-bit middle).
    EXPECT_GT(v[size_t((onset + 1000) * 2)], 20000);
    EXPECT_EQ(v[size_t((onset + 1000) * 2)], v[size_t((onset + 1000) * 2 + 1)]);
}

TEST_F(audio_fixture, freed_song_and_sample_are_left_alone_and_close_frees_the_rest) {
    start_recording();
    std::string mod = write_file("a.mod", make_mod());
    std::vector<unsigned char> pcm(static_cast<size_t>(RATE) * 4, 0x40);
    std::string wav = write_file("s.wav", make_wav(RATE, 2, 16, pcm));
    FMUSIC_MODULE* first = FMUSIC_LoadSong(mod.c_str());
    FMUSIC_MODULE* second = FMUSIC_LoadSong(mod.c_str());
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, wav.c_str(), 0, 0, 0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(sample, nullptr);
    FMUSIC_SetLooping(first, 1);
    FMUSIC_SetLooping(second, 1);
    FMUSIC_PlaySong(first);
    FMUSIC_PlaySong(second);
    FSOUND_PlaySound(FSOUND_FREE, sample);
    wait_frames(recorded_frames() + frames_of(0.2));
    // Freed while playing: the mixer must drop them at once (AddressSanitizer watches).
    EXPECT_EQ(FMUSIC_StopSong(first), 1);
    EXPECT_EQ(FMUSIC_FreeSong(first), 1);
    FSOUND_Sample_Free(sample);
    long freed_at = recorded_frames();
    wait_frames(freed_at + frames_of(0.5));
    // Left loaded and playing for Close to free.
    FSOUND_SAMPLE* kept = FSOUND_Sample_Load(FSOUND_FREE, wav.c_str(), 0, 0, 0);
    ASSERT_NE(kept, nullptr);
    FSOUND_PlaySound(FSOUND_FREE, kept);
    std::vector<int16_t> v = finish();
    // The other song played on.
    EXPECT_TRUE(sounds_throughout(v, freed_at + frames_of(0.1), freed_at + frames_of(0.5)));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
}

} // namespace

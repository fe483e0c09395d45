// quelbo_fuzz_seeds <run_dir> <repro_dir> <out_dir>: writes the starting corpus of every fuzz
// target into <out_dir>/seeds/<target>/ (small hand-built files of each kind, and the play
// folder's own tune, sound and pictures), and turns the kept crash reproducers, hex dumps under
// <repro_dir>/<target>/*.hex, into the files <out_dir>/repro/<target>/<name>.
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <jpeglib.h> // after <cstdio>: it needs FILE and size_t
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bytes = std::vector<unsigned char>;

bool g_ok = true;

void write(const fs::path& path, const bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    if (!out) {
        std::fprintf(stderr, "fuzz seeds: cannot write %s\n", path.c_str());
        g_ok = false;
    }
}

void write_text(const fs::path& path, const std::string& text) {
    write(path, bytes(text.begin(), text.end()));
}

void copy_from(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        std::fprintf(stderr, "fuzz seeds: cannot copy %s\n", from.c_str());
        g_ok = false;
    }
}

void put_le(bytes& b, uint32_t x, int n) {
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<unsigned char>(x >> (8 * i)));
}

void put_text(bytes& b, const char* t) {
    b.insert(b.end(), t, t + std::strlen(t));
}

// --- settings and scores -------------------------------------------------------------------

void settings_seeds(const fs::path& dir) {
    const char* const lines[] = {
        "0 0 0 1 119 113 0 0\n",
        "1 2 3 4 275 276 2 5\n",
        "0 0\n0 1\n\t119 113\n1 3",
        "-1 -2147483648 2147483647 99999999999 323 -5 3 6\n",
        "0 0 0 1 119 113 0 0 7 7 7\n",
        "+1 +0 x 1",
        "",
    };
    int n = 0;
    for (const char* line : lines)
        write_text(dir / ("line" + std::to_string(n++)), line);
}

void scores_seeds(const fs::path& dir) {
    std::string table;
    for (int i = 0; i < 10; ++i)
        table += "aaa " + std::to_string(90 - 10 * i) + "\n";
    write_text(dir / "defaults", table);
    write_text(dir / "crlf_long", "zzz 2147483647\r\nbob 500\r\nabc 1234567890123456789012\n"
                                  "cat 400\ndog 300\neel 200\nfox 100\ngnu 50\nhen 40\nibx 3");
    write_text(dir / "short", "bob 900\ncat 800\ndog 7");
    const char odd[] = "ab\ncd 5\n\n\nx\nyyy -12\nzzz 99999999999999999\n\0q 1\n";
    write_text(dir / "odd", std::string(odd, sizeof odd - 1));
}

// The saves target reads its choices and scores from the end of its input and its texts from
// the start: score tables, one after the other, followed by choice bytes.
void saves_seeds(const fs::path& dir) {
    const std::string table = "bob 500\ncat 400\ndog 300\neel 200\nfox 100\n"
                              "gnu 50\nhen 40\nibx 30\njay 20\nkim 10\n";
    for (int choice = 0; choice < 18; ++choice)
        write_text(dir / ("choice" + std::to_string(choice)),
                   table + "\\\n" + table + std::string(8, static_cast<char>(0x41 + choice)) +
                       static_cast<char>(choice));
}

// --- sounds --------------------------------------------------------------------------------

// A 4-channel module: one pattern with a looping square wave on channel 1.
bytes small_module() {
    constexpr size_t HEADER = 20 + 31 * 30 + 2 + 128 + 4, PATTERN = 64 * 4 * 4, WAVE = 64;
    bytes m(HEADER + PATTERN + WAVE, 0);
    std::memcpy(m.data(), "fuzz seed tune", 14);
    std::memcpy(&m[20], "square", 6);
    m[20 + 22] = 0;
    m[20 + 23] = WAVE / 2; // length in words
    m[20 + 25] = 64;       // volume
    m[20 + 29] = WAVE / 2; // loop length in words
    m[20 + 31 * 30] = 1;   // one order, playing pattern 0
    std::memcpy(&m[20 + 31 * 30 + 130], "M.K.", 4);
    m[HEADER] = 0x01; // period 428 (0x1AC), sample 1, effect F02
    m[HEADER + 1] = 0xAC;
    m[HEADER + 2] = 0x1F;
    m[HEADER + 3] = 0x02;
    for (size_t i = 0; i < WAVE; ++i)
        m[HEADER + PATTERN + i] = static_cast<unsigned char>((i % 32) < 16 ? 100 : -100);
    return m;
}

// A WAV file: format tag, channels, rate, bits, an optional chunk before the data, the data.
bytes wav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const bytes& pcm,
          bool extra_chunk = false) {
    bytes w;
    const bool ext = tag == 0xFFFE;
    const uint32_t fmt_len = ext ? 40 : 16;
    const uint32_t extra = extra_chunk ? 8 + 6 : 0;
    const uint32_t pad = pcm.size() & 1;
    put_text(w, "RIFF");
    put_le(w, static_cast<uint32_t>(4 + 8 + fmt_len + extra + 8 + pcm.size() + pad), 4);
    put_text(w, "WAVEfmt ");
    put_le(w, fmt_len, 4);
    put_le(w, tag, 2);
    put_le(w, channels, 2);
    put_le(w, rate, 4);
    put_le(w, rate * channels * bits / 8, 4);
    put_le(w, channels * bits / 8u, 2);
    put_le(w, bits, 2);
    if (ext) {
        put_le(w, 22, 2);   // extension size
        put_le(w, bits, 2); // valid bits
        put_le(w, 3, 4);    // channel mask
        put_le(w, 1, 2);    // sub-format: PCM, then the rest of the GUID
        const unsigned char guid_tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        w.insert(w.end(), guid_tail, guid_tail + 14);
    }
    if (extra_chunk) {
        put_text(w, "LIST");
        put_le(w, 6, 4);
        put_text(w, "INFOab");
    }
    put_text(w, "data");
    put_le(w, static_cast<uint32_t>(pcm.size()), 4);
    w.insert(w.end(), pcm.begin(), pcm.end());
    if (pad) w.push_back(0);
    return w;
}

bytes ramp(size_t n) {
    bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(i * 37);
    return b;
}

void wav_seeds(const fs::path& dir, const fs::path& run) {
    copy_from(run / "sounds/applause.wav", dir / "applause.wav");
    write(dir / "s16_stereo_44k", wav(1, 2, 44100, 16, ramp(4000)));
    write(dir / "u8_mono_22k", wav(1, 1, 22050, 8, ramp(2205)));
    write(dir / "s16_mono_48k_list", wav(1, 1, 48000, 16, ramp(900), true));
    write(dir / "float_stereo_8k", wav(3, 2, 8000, 32, bytes(800, 0))); // refused
    write(dir / "extensible", wav(0xFFFE, 2, 44100, 16, ramp(400)));
    write(dir / "empty_data", wav(1, 2, 44100, 16, {}));
    write(dir / "odd_data", wav(1, 1, 11025, 8, ramp(33)));
}

void module_seeds(const fs::path& dir, const fs::path& run) {
    copy_from(run / "sounds/tune1.mod", dir / "tune1.mod");
    write(dir / "small.mod", small_module());
}

// --- pictures ------------------------------------------------------------------------------

// An uncompressed BMP of w by h at bits per pixel (palette for 8 bits or less), with a 40-byte
// info header, or the 12-byte core header when core is set; top_down stores rows downwards.
bytes bmp(int w, int h, int bits, bool core = false, bool top_down = false) {
    const uint32_t header = core ? 12 : 40;
    const uint32_t colours = bits <= 8 ? 1u << bits : 0;
    const uint32_t entry = core ? 3 : 4;
    const uint32_t row = (static_cast<uint32_t>(w) * bits + 31) / 32 * 4;
    const uint32_t at = 14 + header + colours * entry;
    bytes b;
    put_text(b, "BM");
    put_le(b, at + row * static_cast<uint32_t>(h), 4);
    put_le(b, 0, 4);
    put_le(b, at, 4);
    put_le(b, header, 4);
    if (core) {
        put_le(b, static_cast<uint32_t>(w), 2);
        put_le(b, static_cast<uint32_t>(h), 2);
        put_le(b, 1, 2);
        put_le(b, static_cast<uint32_t>(bits), 2);
    } else {
        put_le(b, static_cast<uint32_t>(w), 4);
        put_le(b, static_cast<uint32_t>(top_down ? -h : h), 4);
        put_le(b, 1, 2);
        put_le(b, static_cast<uint32_t>(bits), 2);
        put_le(b, 0, 4); // no compression
        put_le(b, row * static_cast<uint32_t>(h), 4);
        put_le(b, 2835, 4);
        put_le(b, 2835, 4);
        put_le(b, 0, 4);
        put_le(b, 0, 4);
    }
    for (uint32_t i = 0; i < colours * entry; ++i)
        b.push_back(static_cast<unsigned char>(i * 11));
    const bytes pixels = ramp(row * static_cast<size_t>(h));
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// An 8-bit BMP with run-length coded rows: each row one run, then end of line; end of picture.
bytes bmp_rle8(int w, int h) {
    bytes data;
    for (int y = 0; y < h; ++y) {
        data.push_back(static_cast<unsigned char>(w));
        data.push_back(static_cast<unsigned char>(y));
        data.push_back(0);
        data.push_back(0);
    }
    data.push_back(0);
    data.push_back(1);
    bytes b;
    const uint32_t at = 14 + 40 + 256 * 4;
    put_text(b, "BM");
    put_le(b, at + static_cast<uint32_t>(data.size()), 4);
    put_le(b, 0, 4);
    put_le(b, at, 4);
    put_le(b, 40, 4);
    put_le(b, static_cast<uint32_t>(w), 4);
    put_le(b, static_cast<uint32_t>(h), 4);
    put_le(b, 1, 2);
    put_le(b, 8, 2);
    put_le(b, 1, 4); // RLE8
    put_le(b, static_cast<uint32_t>(data.size()), 4);
    put_le(b, 0, 4);
    put_le(b, 0, 4);
    put_le(b, 0, 4);
    put_le(b, 0, 4);
    for (int i = 0; i < 256 * 4; ++i)
        b.push_back(static_cast<unsigned char>(i));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

struct jpeg_fail {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void jpeg_fail_exit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<jpeg_fail*>(cinfo->err)->jump, 1);
}

// A small JPEG of w by h with 1 or 3 components, baseline or progressive.
bytes jpeg(int w, int h, int components, bool progressive) {
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    jpeg_compress_struct cinfo;
    jpeg_fail err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_fail_exit;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(out);
        g_ok = false;
        return {};
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out, &out_size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w * components));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<JSAMPLE>(i * 13 + cinfo.next_scanline * 7);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    bytes b(out, out + out_size);
    std::free(out);
    return b;
}

void picture_seeds(const fs::path& dir, const fs::path& run) {
    for (const auto& entry : fs::directory_iterator(run / "pics"))
        copy_from(entry.path(), dir / entry.path().filename());
    const int depths[] = {1, 4, 8, 16, 24, 32};
    for (int bits : depths)
        write(dir / ("bmp" + std::to_string(bits)), bmp(5, 3, bits));
    write(dir / "bmp_core8", bmp(4, 4, 8, true));
    write(dir / "bmp_top_down24", bmp(3, 5, 24, false, true));
    write(dir / "bmp_rle8", bmp_rle8(6, 4));
    write(dir / "jpeg_gray", jpeg(8, 8, 1, false));
    write(dir / "jpeg_rgb", jpeg(17, 9, 3, false));
    write(dir / "jpeg_progressive", jpeg(16, 16, 3, true));
}

// --- reproducers ---------------------------------------------------------------------------

// Reads a hex dump: '#' starts a comment to the end of the line, white space is ignored, every
// other character is a hex digit, two to a byte. False on anything else.
bool read_hex(const fs::path& path, bytes& out) {
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int high = -1;
    bool comment = false;
    for (char c : text) {
        if (comment) {
            comment = c != '\n';
            continue;
        }
        if (c == '#') {
            comment = true;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            return false;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<unsigned char>(high * 16 + v));
            high = -1;
        }
    }
    return high < 0;
}

void reproducers(const fs::path& from, const fs::path& to) {
    if (!fs::exists(from)) return;
    for (const auto& target : fs::directory_iterator(from)) {
        if (!target.is_directory()) continue;
        fs::create_directories(to / target.path().filename());
        for (const auto& file : fs::directory_iterator(target.path())) {
            if (file.path().extension() != ".hex") continue;
            bytes data;
            if (!read_hex(file.path(), data)) {
                std::fprintf(stderr, "fuzz seeds: %s is no hex dump\n", file.path().c_str());
                g_ok = false;
                continue;
            }
            write(to / target.path().filename() / file.path().stem(), data);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: quelbo_fuzz_seeds <run_dir> <repro_dir> <out_dir>\n");
        return 2;
    }
    const fs::path run = argv[1], out = argv[3];
    std::error_code ec;
    fs::remove_all(out / "seeds", ec);
    fs::remove_all(out / "repro", ec);
    for (const char* t : {"settings", "scores", "saves", "module", "wav", "pictures"})
        fs::create_directories(out / "seeds" / t);
    settings_seeds(out / "seeds/settings");
    scores_seeds(out / "seeds/scores");
    saves_seeds(out / "seeds/saves");
    module_seeds(out / "seeds/module", run);
    wav_seeds(out / "seeds/wav", run);
    picture_seeds(out / "seeds/pictures", run);
    fs::create_directories(out / "repro");
    reproducers(argv[2], out / "repro");
    return g_ok ? 0 : 1;
}

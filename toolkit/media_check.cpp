#include "toolkit/media_check.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t BMP_FILE_HEADER = 14;
constexpr uint32_t BMP_CORE_HEADER = 12; // OS/2 1.x: 16-bit sizes, 3-byte palette entries
constexpr uint32_t BMP_INFO_HEADER = 40; // Windows: 32-bit sizes, 4-byte palette entries
constexpr uint32_t BMP_MAX_HEADER = 124; // the largest (version 5) info header
constexpr uint32_t BMP_RGB = 0;
constexpr uint32_t BMP_RLE8 = 1;
constexpr uint32_t BMP_RLE4 = 2;
constexpr uint32_t BMP_BITFIELDS = 3;
constexpr uint32_t BMP_MASKS_BYTES = 12; // the three masks after a 40-byte header

constexpr uint16_t WAV_PCM = 1;
constexpr uint16_t WAV_EXTENSIBLE = 0xFFFE;
constexpr uint32_t WAV_FMT_MIN = 16;
constexpr uint32_t WAV_FMT_EXTENSIBLE = 40;

uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t be16(const unsigned char* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

bool tag_is(const unsigned char* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

bool side_ok(int64_t side, int max_side) {
    return side >= 1 && side <= max_side;
}

} // namespace

int media_read_file(const char* path, std::size_t max_bytes, std::vector<unsigned char>& out) {
    out.clear();
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return (errno == ENOENT || errno == ENOTDIR) ? MEDIA_READ_MISSING : MEDIA_READ_FAILED;
    std::array<unsigned char, 65536> buf;
    int result = MEDIA_READ_OK;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) {
        if (out.size() + n > max_bytes) {
            result = MEDIA_READ_TOO_BIG;
            break;
        }
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n));
    }
    if (result == MEDIA_READ_OK && std::ferror(f)) result = MEDIA_READ_FAILED;
    std::fclose(f);
    if (result != MEDIA_READ_OK) out.clear();
    return result;
}

const char* media_check_bmp(const unsigned char* data, std::size_t size, int max_side) {
    if (size < BMP_FILE_HEADER + 4 || data[0] != 'B' || data[1] != 'M') return "Not a BMP file";
    const uint64_t pixels_at = le32(data + 10);
    const uint32_t header = le32(data + BMP_FILE_HEADER);
    if (header != BMP_CORE_HEADER && (header < BMP_INFO_HEADER || header > BMP_MAX_HEADER))
        return "BMP info header of unknown size";
    if (BMP_FILE_HEADER + header > size) return "BMP info header beyond the end of the file";
    const unsigned char* h = data + BMP_FILE_HEADER;

    int64_t width, height;
    uint16_t planes, bits;
    uint32_t compression = BMP_RGB, image_bytes = 0, colours = 0;
    std::size_t entry_bytes = 4;
    if (header == BMP_CORE_HEADER) {
        width = le16(h + 4);
        height = le16(h + 6);
        planes = le16(h + 8);
        bits = le16(h + 10);
        entry_bytes = 3;
    } else {
        width = static_cast<int32_t>(le32(h + 4));
        height = static_cast<int32_t>(le32(h + 8)); // negative: rows stored top to bottom
        planes = le16(h + 12);
        bits = le16(h + 14);
        compression = le32(h + 16);
        image_bytes = le32(h + 20);
        colours = le32(h + 32);
    }
    if (height < 0) height = -height;
    if (!side_ok(width, max_side) || !side_ok(height, max_side))
        return "BMP dimensions out of range";
    if (planes != 1) return "BMP with more than one plane";
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return "BMP bit depth not supported";
    const bool rle = compression == BMP_RLE8 || compression == BMP_RLE4;
    if (!(compression == BMP_RGB || (compression == BMP_RLE8 && bits == 8) ||
          (compression == BMP_RLE4 && bits == 4) ||
          (compression == BMP_BITFIELDS && (bits == 16 || bits == 32))))
        return "BMP compression not supported";

    // Palette (and the colour masks that may stand before it) between header and pixels.
    uint64_t table_end = BMP_FILE_HEADER + header;
    if (compression == BMP_BITFIELDS && header == BMP_INFO_HEADER) table_end += BMP_MASKS_BYTES;
    if (bits <= 8) {
        const uint64_t most = uint64_t{1} << bits;
        if (colours > most) return "BMP palette larger than its bit depth allows";
        table_end += (colours ? colours : most) * entry_bytes;
    }
    if (table_end > size) return "BMP palette beyond the end of the file";
    if (pixels_at < BMP_FILE_HEADER + header || pixels_at >= size)
        return "BMP pixel data outside the file";

    const uint64_t room = size - pixels_at;
    if (rle) {
        if (image_bytes == 0 || image_bytes > room) return "BMP pixel data beyond the end";
    } else {
        const uint64_t row = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
        if (row * static_cast<uint64_t>(height) > room) return "BMP pixel data beyond the end";
    }
    return nullptr;
}

const char* media_check_jpeg(const unsigned char* data, std::size_t size, int max_side) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return "Not a JPEG file";
    std::size_t at = 2;
    for (;;) {
        if (at >= size || data[at] != 0xFF) return "JPEG marker expected";
        while (at < size && data[at] == 0xFF) // fill bytes may stand before a marker
            ++at;
        if (at >= size) return "JPEG ends before its frame header";
        const unsigned marker = data[at++];
        // Markers without a segment: TEM and the restart markers.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || marker == 0x00)
            return "JPEG without a frame header before its data";
        if (at + 2 > size) return "JPEG segment beyond the end of the file";
        const std::size_t length = be16(data + at);
        if (length < 2 || at + length > size) return "JPEG segment beyond the end of the file";
        // Frame headers: C0..CF except DHT (C4), JPG (C8) and DAC (CC).
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            if (length < 8) return "JPEG frame header too short";
            const unsigned precision = data[at + 2];
            const int height = be16(data + at + 3);
            const int width = be16(data + at + 5);
            const unsigned components = data[at + 7];
            if (length != 8 + 3 * components) return "JPEG frame header of the wrong length";
            if (precision != 8) return "JPEG sample precision not supported";
            if (components != 1 && components != 3 && components != 4)
                return "JPEG component count not supported";
            if (!side_ok(width, max_side) || !side_ok(height, max_side))
                return "JPEG dimensions out of range";
            return nullptr;
        }
        at += length;
    }
}

const char* media_check_wav(const unsigned char* data, std::size_t size) {
    if (size < 12 || !tag_is(data, "RIFF") || !tag_is(data + 8, "WAVE")) return "Not a WAV file";
    const uint64_t end = uint64_t{8} + le32(data + 4);
    if (end > size || end < 12) return "WAV RIFF size beyond the end of the file";

    bool have_format = false;
    uint32_t rate = 0;
    uint16_t block = 0;
    uint64_t at = 12;
    while (at + 8 <= end) {
        const unsigned char* chunk = data + at;
        const uint64_t length = le32(chunk + 4);
        if (at + 8 + length > end) return "WAV chunk beyond the end of the file";
        const unsigned char* body = chunk + 8;
        if (tag_is(chunk, "fmt ")) {
            if (length < WAV_FMT_MIN) return "WAV format chunk too short";
            uint16_t tag = le16(body);
            const uint16_t channels = le16(body + 2);
            rate = le32(body + 4);
            block = le16(body + 12);
            const uint16_t bits = le16(body + 14);
            if (tag == WAV_EXTENSIBLE) {
                if (length < WAV_FMT_EXTENSIBLE) return "WAV format chunk too short";
                tag = le16(body + 24); // the first two bytes of the sub-format GUID
            }
            // The SDL 1.2 interface hands out 8- and 16-bit samples only.
            if (tag != WAV_PCM || (bits != 8 && bits != 16)) return "WAV encoding not supported";
            if (channels < 1 || channels > MEDIA_MAX_CHANNELS)
                return "WAV channel count not supported";
            if (rate < MEDIA_MIN_RATE || rate > MEDIA_MAX_RATE)
                return "WAV sample rate not supported";
            if (block != channels * (bits / 8)) return "WAV block size does not match its format";
            have_format = true;
        } else if (tag_is(chunk, "data")) {
            if (!have_format) return "WAV data before its format";
            if (length / block > uint64_t{rate} * MEDIA_MAX_SOUND_SECONDS) return "WAV too long";
            return nullptr;
        }
        at += 8 + length + (length & 1); // chunks are padded to an even size
    }
    return "WAV without a data chunk";
}

// PNM: bitmaps, grey maps and colour maps (P1 to P6), in text or binary, with
// any maximum sample value from 1 to 65535 scaled to 0..255.
#include "own_readers.h"
#include "win/susie_plugin.h"

namespace {
bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

struct Scanner {
    const unsigned char* data;
    size_t size;
    size_t at;

    void SkipSpaceAndComments() {
        while (at < size) {
            if (data[at] == '#') {
                while (at < size && data[at] != '\n' && data[at] != '\r') ++at;
            } else if (IsSpace(data[at])) {
                ++at;
            } else {
                break;
            }
        }
    }
    // A decimal number of at most `digits` digits (P1 samples are one digit
    // each and need no space between them); false when none is there.
    bool Number(uint32_t* value, int digits = 10) {
        SkipSpaceAndComments();
        uint64_t v = 0;
        int n = 0;
        while (at < size && n < digits && data[at] >= '0' && data[at] <= '9') {
            v = v * 10 + (data[at++] - '0');
            if (v > 0xFFFFFFFFu) return false;
            ++n;
        }
        *value = static_cast<uint32_t>(v);
        return n > 0;
    }
};
}  // namespace

int ReadPnm(const unsigned char* data, size_t size, DecodedPicture* picture) {
    if (size < 3 || data[0] != 'P' || data[1] < '1' || data[1] > '6') return kSpiBrokenData;
    const int kind = data[1] - '0';
    const bool bitmap = kind == 1 || kind == 4, colour = kind == 3 || kind == 6, binary = kind >= 4;
    Scanner s{data, size, 2};
    uint32_t width, height, maximum = 1;
    if (!s.Number(&width) || !s.Number(&height) || (!bitmap && !s.Number(&maximum))) return kSpiBrokenData;
    if (width == 0 || height == 0 || maximum == 0 || maximum > 65535) return kSpiBrokenData;
    if (!WithinBudget(width, height)) return kSpiOutOfMemory;
    // Binary samples start after exactly one white space character.
    if (s.at >= size || !IsSpace(data[s.at])) return kSpiBrokenData;
    const size_t start = s.at + 1;
    const unsigned samplesPerPixel = colour ? 3 : 1;
    const unsigned sampleBytes = maximum > 255 ? 2 : 1;
    const uint64_t pixels = static_cast<uint64_t>(width) * height;
    const uint64_t rowBytes = bitmap ? (width + 7) / 8 : static_cast<uint64_t>(width) * samplesPerPixel * sampleBytes;
    // Text samples take at least one byte each, binary ones exactly their size.
    const uint64_t needed = binary ? rowBytes * height : pixels * samplesPerPixel;
    if (size - (binary ? start : s.at) < needed) return kSpiBrokenData;

    int result = picture->Allocate(width, height);
    if (result != kSpiSuccess) return result;
    s.at = start;
    for (uint32_t y = 0; y < height; ++y) {
        uint32_t* row = picture->Row(static_cast<int>(y));
        const unsigned char* bytes = data + start + rowBytes * y;
        for (uint32_t x = 0; x < width; ++x) {
            unsigned level[3];
            for (unsigned c = 0; c < samplesPerPixel; ++c) {
                uint32_t v;
                if (kind == 4) {
                    v = bytes[x / 8] >> (7 - x % 8) & 1;
                } else if (binary) {
                    const unsigned char* p = bytes + (static_cast<size_t>(x) * samplesPerPixel + c) * sampleBytes;
                    v = sampleBytes == 2 ? static_cast<uint32_t>(p[0]) << 8 | p[1] : p[0];
                } else if (!s.Number(&v, kind == 1 ? 1 : 10)) {
                    return kSpiBrokenData;
                }
                if (v > maximum) return kSpiBrokenData;
                // Bitmaps: 1 is black.
                level[c] = bitmap ? (v ? 0 : 255) : (v * 255 + maximum / 2) / maximum;
            }
            row[x] = colour ? Bgra(level[0], level[1], level[2]) : Bgra(level[0], level[0], level[0]);
        }
    }
    return kSpiSuccess;
}

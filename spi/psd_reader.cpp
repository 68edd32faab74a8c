// PSD: the merged image of a grey or RGB picture, 8 or 16 bits a channel, raw
// or PackBits-compressed. The channel after the colours, when present, is the
// alpha, and the colours are stored matted against white.
#include "own_readers.h"
#include "win/susie_plugin.h"

namespace {
uint32_t Be16(const unsigned char* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
uint32_t Be32(const unsigned char* p) { return Be16(p) << 16 | Be16(p + 2); }

// Unpacks one PackBits row of exactly `want` bytes from `from` (count bytes).
bool UnpackRow(const unsigned char* from, size_t count, unsigned char* to, size_t want) {
    size_t in = 0, out = 0;
    while (out < want) {
        if (in >= count) return false;
        const int n = static_cast<signed char>(from[in++]);
        if (n >= 0) {
            const size_t run = static_cast<size_t>(n) + 1;
            if (count - in < run || want - out < run) return false;
            for (size_t i = 0; i < run; ++i) to[out++] = from[in++];
        } else if (n != -128) {
            const size_t run = static_cast<size_t>(1 - n);
            if (in >= count || want - out < run) return false;
            for (size_t i = 0; i < run; ++i) to[out++] = from[in];
            ++in;
        }
    }
    return true;
}

// Puts one channel's row of samples (the high byte of 16-bit ones) into the
// picture: red, green, blue and alpha, or grey (all three colours) and alpha.
void StoreRow(const unsigned char* samples, unsigned bytesPerSample, unsigned channel, bool grey, uint32_t* row,
              int width) {
    const uint32_t mask = grey ? (channel == 0 ? 0x00FFFFFFu : 0xFF000000u)
                               : (channel == 3 ? 0xFF000000u : 0xFFu << (16 - 8 * channel));
    for (int x = 0; x < width; ++x)
        row[x] = (row[x] & ~mask) | (samples[x * bytesPerSample] * 0x01010101u & mask);
}
// Undoes the white matte the merged picture's colours carry where it has
// alpha: stored = colour * a + 255 * (1 - a).
void UndoWhiteMatte(DecodedPicture* picture) {
    for (size_t i = 0; i < static_cast<size_t>(picture->width) * picture->height; ++i) {
        uint32_t& p = picture->pixels[i];
        const unsigned a = p >> 24;
        if (a == 0 || a == 255) continue;
        unsigned channel[3];
        for (int k = 0; k < 3; ++k) {
            const int stored = static_cast<int>(p >> (8 * k) & 0xFF);
            const int colour = 255 - ((255 - stored) * 255 + static_cast<int>(a) / 2) / static_cast<int>(a);
            channel[k] = static_cast<unsigned>(colour < 0 ? 0 : colour);
        }
        p = a << 24 | channel[2] << 16 | channel[1] << 8 | channel[0];
    }
}
}  // namespace

int ReadPsd(const unsigned char* data, size_t size, DecodedPicture* picture) {
    if (size < 26 || Be32(data) != 0x38425053 || Be16(data + 4) != 1) return kSpiBrokenData;
    const unsigned channels = Be16(data + 12);
    const uint32_t height = Be32(data + 14), width = Be32(data + 18);
    const unsigned depth = Be16(data + 22), mode = Be16(data + 24);
    const bool grey = mode == 1;
    const unsigned colours = grey ? 1 : 3;
    if ((mode != 1 && mode != 3) || channels < colours || channels > 56 || (depth != 8 && depth != 16) || !width ||
        !height)
        return kSpiBrokenData;
    if (!WithinBudget(width, height)) return kSpiOutOfMemory;
    size_t at = 26;
    for (int section = 0; section < 3; ++section) {   // colour mode data, resources, layers
        if (size - at < 4) return kSpiBrokenData;
        const uint32_t length = Be32(data + at);
        at += 4;
        if (size - at < length) return kSpiBrokenData;
        at += length;
    }
    if (size - at < 2) return kSpiBrokenData;
    const unsigned compression = Be16(data + at);
    at += 2;
    if (compression > 1) return kSpiBrokenData;
    const unsigned used = channels < colours + 1 ? channels : colours + 1;
    const unsigned bytesPerSample = depth / 8;
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerSample;
    const size_t rows = static_cast<size_t>(height) * channels;
    // Check that every row we read is there before taking memory.
    size_t rowData = at;
    if (compression == 0) {
        if ((size - at) / rowBytes < static_cast<size_t>(height) * used) return kSpiBrokenData;
    } else {
        if ((size - at) / 2 < rows) return kSpiBrokenData;
        rowData = at + rows * 2;
        size_t total = 0;
        // A packed row takes at least 2 bytes for every 128 it unpacks to.
        const size_t fewest = (rowBytes + 127) / 128 * 2;
        for (size_t r = 0; r < static_cast<size_t>(height) * used; ++r) {
            const size_t count = Be16(data + at + 2 * r);
            if (count < fewest) return kSpiBrokenData;
            total += count;
        }
        if (size - rowData < total) return kSpiBrokenData;
    }

    int result = picture->Allocate(width, height);
    if (result != kSpiSuccess) return result;
    const ProcessHeapBlock<unsigned char> unpackedRow(rowBytes);
    unsigned char* unpacked = unpackedRow.get();
    if (!unpacked) return kSpiOutOfMemory;
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) picture->pixels[i] = 0xFF000000u;
    size_t from = rowData;
    for (unsigned c = 0; c < used && result == kSpiSuccess; ++c) {
        for (uint32_t y = 0; y < height; ++y) {
            const unsigned char* samples = data + from;
            if (compression == 0) {
                from += rowBytes;
            } else {
                const size_t count = Be16(data + at + 2 * (static_cast<size_t>(c) * height + y));
                if (!UnpackRow(data + from, count, unpacked, rowBytes)) {
                    result = kSpiBrokenData;
                    break;
                }
                from += count;
                samples = unpacked;
            }
            StoreRow(samples, bytesPerSample, c, grey, picture->Row(static_cast<int>(y)), static_cast<int>(width));
        }
    }
    if (result != kSpiSuccess || used == colours) return result;
    UndoWhiteMatte(picture);
    return kSpiSuccess;
}

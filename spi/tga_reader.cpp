// TGA: colour-mapped, true-colour and grey pictures, plain or run-length
// encoded, in any of the four origins.
#include "own_readers.h"
#include "win/susie_plugin.h"

namespace {
struct TgaHeader {
    unsigned idLength, mapType, imageType, mapFirst, mapLength, mapEntryBits, width, height, depth, descriptor;
};

unsigned Le16(const unsigned char* p) { return p[0] | p[1] << 8; }

// One pixel of `bytes` bytes (true colour or map entry) as BGRA.
uint32_t ColourOf(const unsigned char* p, unsigned bytes, bool useAlpha) {
    switch (bytes) {
    case 2: {
        const unsigned v = Le16(p);
        const unsigned r = v >> 10 & 31, g = v >> 5 & 31, b = v & 31;
        return Bgra(r << 3 | r >> 2, g << 3 | g >> 2, b << 3 | b >> 2);
    }
    case 3: return Bgra(p[2], p[1], p[0]);
    default: return Bgra(p[2], p[1], p[0], useAlpha ? p[3] : 255);
    }
}

struct Reader {
    const TgaHeader& h;
    const unsigned char* map;   // the colour map's entries, or null
    unsigned mapEntryBytes;
    unsigned pixelBytes;
    bool useAlpha;

    // The pixel stored at p; false for an index outside the map.
    bool Pixel(const unsigned char* p, uint32_t* out) const {
        if (h.imageType == 1 || h.imageType == 9) {
            const unsigned index = p[0];
            if (index < h.mapFirst || index - h.mapFirst >= h.mapLength) return false;
            *out = ColourOf(map + (index - h.mapFirst) * mapEntryBytes, mapEntryBytes, useAlpha);
        } else if (h.imageType == 3 || h.imageType == 11) {
            *out = Bgra(p[0], p[0], p[0]);
        } else {
            *out = ColourOf(p, pixelBytes, useAlpha);
        }
        return true;
    }
};

bool SoundHeader(const TgaHeader& h) {
    const bool mapped = h.imageType == 1 || h.imageType == 9;
    const bool colour = h.imageType == 2 || h.imageType == 10;
    const bool grey = h.imageType == 3 || h.imageType == 11;
    if (h.mapType > 1 || (mapped && h.mapType != 1)) return false;
    if (h.mapType == 1 && h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24 &&
        h.mapEntryBits != 32)
        return false;
    if (mapped) return h.depth == 8 && h.mapLength > 0;
    if (colour) return h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32;
    return grey && h.depth == 8;
}
}  // namespace

int ReadTga(const unsigned char* data, size_t size, DecodedPicture* picture) {
    if (size < 18) return kSpiBrokenData;
    const TgaHeader h{data[0], data[1], data[2], Le16(data + 3), Le16(data + 5), data[7],
                      Le16(data + 12), Le16(data + 14), data[16], data[17]};
    if (!SoundHeader(h) || h.width == 0 || h.height == 0) return kSpiBrokenData;
    if (!WithinBudget(h.width, h.height)) return kSpiOutOfMemory;
    const unsigned mapEntryBytes = h.mapType ? (h.mapEntryBits + 7) / 8 : 0;
    const unsigned pixelBytes = (h.depth + 7) / 8;
    size_t at = 18 + h.idLength;
    const unsigned char* map = data + at;
    at += static_cast<size_t>(h.mapLength) * mapEntryBytes * h.mapType;
    if (at > size) return kSpiBrokenData;
    const bool rle = h.imageType >= 9;
    const size_t pixels = static_cast<size_t>(h.width) * h.height;
    if (!rle && (size - at) / pixelBytes < pixels) return kSpiBrokenData;
    // A packet holds at most 128 pixels: so few bytes cannot hold them all.
    if (rle && (size - at) / (1 + pixelBytes) < (pixels + 127) / 128) return kSpiBrokenData;
    // Alpha only where the header says the pixels carry some.
    const bool useAlpha = (h.descriptor & 0x0F) != 0;
    const Reader reader{h, map, mapEntryBytes, pixelBytes, useAlpha};

    int result = picture->Allocate(h.width, h.height);
    if (result != kSpiSuccess) return result;
    const bool topDown = (h.descriptor & 0x20) != 0, rightToLeft = (h.descriptor & 0x10) != 0;
    size_t done = 0;
    unsigned runLeft = 0, rawLeft = 0;
    uint32_t runColour = 0;
    while (done < pixels) {
        uint32_t colour;
        if (!rle) {
            if (!reader.Pixel(data + at, &colour)) return kSpiBrokenData;
            at += pixelBytes;
        } else {
            if (runLeft == 0 && rawLeft == 0) {
                if (at >= size) return kSpiBrokenData;
                const unsigned packet = data[at++];
                if (packet & 0x80) {
                    if (size - at < pixelBytes || !reader.Pixel(data + at, &runColour)) return kSpiBrokenData;
                    at += pixelBytes;
                    runLeft = (packet & 0x7F) + 1;
                } else {
                    rawLeft = packet + 1;
                }
            }
            if (runLeft) {
                colour = runColour;
                --runLeft;
            } else {
                if (size - at < pixelBytes || !reader.Pixel(data + at, &colour)) return kSpiBrokenData;
                at += pixelBytes;
                --rawLeft;
            }
        }
        const unsigned fileRow = static_cast<unsigned>(done / h.width), fileColumn = static_cast<unsigned>(done % h.width);
        const unsigned y = topDown ? fileRow : h.height - 1 - fileRow;
        const unsigned x = rightToLeft ? h.width - 1 - fileColumn : fileColumn;
        picture->Row(static_cast<int>(y))[x] = colour;
        ++done;
    }
    // A 32-bit picture whose every alpha is 0 was written by a program that
    // did not fill the channel in: opaque.
    if (useAlpha && pixelBytes == 4) {
        bool anyAlpha = false;
        for (size_t i = 0; i < pixels && !anyAlpha; ++i) anyAlpha = picture->pixels[i] >> 24 != 0;
        if (!anyAlpha)
            for (size_t i = 0; i < pixels; ++i) picture->pixels[i] |= 0xFF000000u;
    }
    return kSpiSuccess;
}

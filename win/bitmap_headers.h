// The bitmap file check that the library makes before the system's loader
// reads a file, and that the reference host makes to judge a bitmap as the
// library does. Header only, like the plug-in interface.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "win/dib_layout.h"
#include "win/kernel_guards.h"
#include "win/pixel_budget.h"

constexpr size_t kBitmapHeadSize = 14 + 124 + 12;

namespace bitmap_detail {
inline uint32_t Read16(const uint8_t* p) { return p[0] | p[1] << 8; }
inline uint32_t Read32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

constexpr uint32_t kFileHeaderSize = 14;
}  // namespace bitmap_detail

// Reads the first bytes of the file (up to kBitmapHeadSize) and its size;
// false when it cannot be read.
inline bool ReadBitmapHead(const char* path, uint8_t* head, size_t* headSize, uint64_t* fileSize) {
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    DWORD got = 0;
    const bool ok = GetFileSizeEx(file.get(), &size) && ReadFile(file.get(), head, kBitmapHeadSize, &got, nullptr);
    *headSize = got;
    *fileSize = static_cast<uint64_t>(size.QuadPart);
    return ok;
}

// Whether a bitmap file of `fileSize` bytes whose first bytes are `head` (as
// many as the file has, up to kBitmapHeadSize) can be handed to the system's
// loader without it reading past the file: signature, header size, colour
// masks and table before the bits, and every row of the bits (or the
// compressed stream, whose dimensions must be within the pixel budget, as many
// pixels as our image plug-in takes) inside the file.
inline bool BitmapHeadersFit(const uint8_t* head, size_t headSize, uint64_t fileSize) {
    using namespace bitmap_detail;
    if (headSize > fileSize || headSize < kFileHeaderSize + 4) return false;
    if (head[0] != 'B' || head[1] != 'M') return false;
    const uint64_t bitsOffset = Read32(head + 10);
    const uint32_t infoSize = Read32(head + kFileHeaderSize);
    const uint8_t* info = head + kFileHeaderSize;

    int64_t width = 0, height = 0;
    uint32_t planes = 0, bitCount = 0, compression = BI_RGB, sizeImage = 0, coloursUsed = 0;
    uint64_t entrySize = sizeof(RGBQUAD), masks = 0;
    if (infoSize == sizeof(BITMAPCOREHEADER)) {
        if (headSize < kFileHeaderSize + infoSize) return false;
        width = Read16(info + 4);
        height = Read16(info + 6);
        planes = Read16(info + 8);
        bitCount = Read16(info + 10);
        entrySize = sizeof(RGBTRIPLE);
    } else if (infoSize >= sizeof(BITMAPINFOHEADER) && infoSize <= sizeof(BITMAPV5HEADER)) {
        if (headSize < kFileHeaderSize + infoSize) return false;
        width = static_cast<int32_t>(Read32(info + 4));
        height = static_cast<int32_t>(Read32(info + 8));
        planes = Read16(info + 12);
        bitCount = Read16(info + 14);
        compression = Read32(info + 16);
        sizeImage = Read32(info + 20);
        coloursUsed = Read32(info + 32);
        // A short header is followed by the three colour masks.
        if (compression == BI_BITFIELDS && infoSize < sizeof(BITMAPINFOHEADER) + 12) masks = 12;
    } else {
        return false;
    }
    if (planes != 1) return false;
    if (width <= 0 || height == 0 || height == INT32_MIN) return false;
    const int64_t rows = height < 0 ? -height : height;

    if (!IsReadableDibFormat(compression, bitCount, height < 0)) return false;
    if (bitCount <= 8 && coloursUsed > (1u << bitCount)) return false;
    const uint64_t colours = bitCount <= 8 ? (coloursUsed ? coloursUsed : 1u << bitCount) : coloursUsed;
    const uint64_t tableEnd = kFileHeaderSize + infoSize + masks + colours * entrySize;
    if (tableEnd > fileSize || bitsOffset < kFileHeaderSize + infoSize + masks || bitsOffset > fileSize) return false;

    const uint64_t room = fileSize - bitsOffset;
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        // The stream can name any size, and the loader takes memory for all of
        // it: hence the budget. It must say how long it is.
        if (!WithinBudget(static_cast<uint64_t>(width), static_cast<uint64_t>(rows))) return false;
        return sizeImage != 0 && sizeImage <= room;
    }
    // Every row lies in the file, so the loader takes no more than it holds.
    return static_cast<uint64_t>(rows) <= room / DibRowBytes(width, bitCount);
}

// Whether the bitmap file at path can be handed to the system's loader
// (BitmapHeadersFit of its first bytes); false when it cannot be read.
inline bool BitmapFileFits(const char* path) {
    uint8_t head[kBitmapHeadSize];
    size_t headSize = 0;
    uint64_t fileSize = 0;
    return ReadBitmapHead(path, head, &headSize, &fileSize) && BitmapHeadersFit(head, headSize, fileSize);
}

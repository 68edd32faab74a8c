// Device-independent bitmaps as GDI reads and writes them: which depths a
// compression allows, how long a row is, and the 32-bit pixels the library
// works in (four bytes a pixel, no colour table, rows never padded).
#pragma once
#include <windows.h>
#include <cstdint>

// Bytes of one row of `width` pixels at `bitCount` bits: rows are padded to
// four bytes.
inline uint64_t DibRowBytes(int64_t width, uint32_t bitCount) {
    return (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
}

// The depths GDI reads for a compression: any of 1 to 32 bits uncompressed,
// 16 or 32 bits with colour masks, and run-length coded 8 or 4 bits, those
// only bottom-up.
inline bool IsReadableDibFormat(uint32_t compression, uint32_t bitCount, bool topDown) {
    switch (compression) {
    case BI_RGB:
        return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
    case BI_BITFIELDS:
        return bitCount == 16 || bitCount == 32;
    case BI_RLE8:
        return bitCount == 8 && !topDown;
    case BI_RLE4:
        return bitCount == 4 && !topDown;
    default:
        return false;
    }
}

// The header for width x |height| pixels; a positive height counts rows from
// the bottom, a negative one from the top.
inline BITMAPINFO Dib32Info(LONG width, LONG height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A new top-down 32-bit DIB section (the caller deletes it) with its pixels
// in *bits; null when it cannot be made.
inline HBITMAP NewTopDownDib32(HDC reference, LONG width, LONG height, void** bits) {
    const BITMAPINFO info = Dib32Info(width, -height);
    *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (bitmap && !*bits) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    return bitmap;
}

// The pixels of a 32-bit DIB section, rows of width * 4 bytes, in the order it
// was made with (GetObject does not tell: a top-down one reports a positive
// height); null for any other bitmap. Valid while the bitmap lives; GdiFlush
// before reading what GDI drew into it.
inline const BYTE* Dib32Pixels(HBITMAP bitmap) {
    DIBSECTION section{};
    if (GetObjectA(bitmap, sizeof(section), &section) != sizeof(section)) return nullptr;
    if (section.dsBmih.biBitCount != 32 || section.dsBmih.biCompression != BI_RGB) return nullptr;
    return static_cast<const BYTE*>(section.dsBm.bmBits);
}

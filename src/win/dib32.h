// 32-bit pixels as GDI reads and writes them: four bytes a pixel, no colour
// table, rows never padded.
#pragma once
#include <windows.h>

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

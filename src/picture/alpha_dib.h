// Pictures that carry alpha: drawn over the chip's background colour, so they
// are kept with their colours already weighted by their alpha.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

// Whether a DIB header of `infoSize` readable bytes says its pixels carry
// alpha: a 108- or 124-byte header, 32 bits a pixel, BI_BITFIELDS with an
// alpha mask of 0xFF000000 and each colour mask one whole byte. A 32-bit
// BI_RGB picture never does: its fourth byte is unused by definition.
bool DibCarriesAlpha(const BITMAPINFO* info, size_t infoSize);

// A top-down 32-bit BI_RGB DIB section of a DIB that carries alpha (checked
// with DibCarriesAlpha, its rows inside `bits`), each pixel blue, green, red
// multiplied by alpha / 255 and rounded, then alpha. The caller owns it; null
// when it cannot be made, or when every alpha is 0: such a picture was written
// without alpha and is drawn as an opaque one.
HBITMAP MakePremultipliedPicture(const BITMAPINFO* info, const void* bits);

// The same for a bitmap file that the system has loaded into `loaded`, given
// the file's first `headSize` bytes: a premultiplied copy when the file's
// header carries alpha with the usual byte order and `loaded` holds its 32-bit
// pixels as they are in the file. Null otherwise; the caller keeps `loaded`
// in either case.
HBITMAP PremultiplyBitmapFile(const uint8_t* head, size_t headSize, HBITMAP loaded);

// A straight colour byte weighted by alpha, as MakePremultipliedPicture does.
inline unsigned Premultiply(unsigned colour, unsigned alpha) { return (colour * alpha + 127) / 255; }

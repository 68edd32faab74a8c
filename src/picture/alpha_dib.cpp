#include "picture/alpha_dib.h"
#include <cstdint>
#include <cstring>
#include "win/dib_layout.h"
#include "win/gdi_guards.h"

namespace {
// The byte a one-byte colour mask selects, or -1.
int MaskByte(uint32_t mask) {
    for (int b = 0; b < 4; ++b)
        if (mask == uint32_t{0xFF} << (8 * b)) return b;
    return -1;
}

struct Masks {
    uint32_t red, green, blue, alpha;
};
Masks ReadMasks(const BITMAPINFO* info) {
    const auto* v4 = reinterpret_cast<const BITMAPV4HEADER*>(info);
    return {v4->bV4RedMask, v4->bV4GreenMask, v4->bV4BlueMask, v4->bV4AlphaMask};
}
}  // namespace

bool DibCarriesAlpha(const BITMAPINFO* info, size_t infoSize) {
    if (!info || infoSize < sizeof(BITMAPV4HEADER)) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize != sizeof(BITMAPV4HEADER) && h.biSize != sizeof(BITMAPV5HEADER)) return false;
    if (h.biSize > infoSize || h.biBitCount != 32 || h.biCompression != BI_BITFIELDS) return false;
    const Masks m = ReadMasks(info);
    if (m.alpha != 0xFF000000u) return false;
    const int r = MaskByte(m.red), g = MaskByte(m.green), b = MaskByte(m.blue);
    return r >= 0 && g >= 0 && b >= 0 && r != 3 && g != 3 && b != 3 && r != g && g != b && r != b;
}

HBITMAP PremultiplyBitmapFile(const uint8_t* head, size_t headSize, HBITMAP loaded) {
    constexpr size_t kFileHeader = sizeof(BITMAPFILEHEADER);
    if (headSize <= kFileHeader) return nullptr;
    const size_t got = headSize < kFileHeader + sizeof(BITMAPV5HEADER) ? headSize : kFileHeader + sizeof(BITMAPV5HEADER);
    BITMAPV5HEADER header{};
    std::memcpy(&header, head + kFileHeader, got - kFileHeader);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(&header);
    if (!DibCarriesAlpha(info, got - kFileHeader) || header.bV5RedMask != 0x00FF0000u ||
        header.bV5GreenMask != 0x0000FF00u || header.bV5BlueMask != 0x000000FFu)
        return nullptr;
    // The system's copy must still be this file's pixels, byte for byte.
    DIBSECTION section{};
    if (GetObjectA(loaded, sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits ||
        section.dsBm.bmBitsPixel != 32 || section.dsBm.bmWidth != header.bV5Width ||
        section.dsBm.bmHeight != (header.bV5Height < 0 ? -header.bV5Height : header.bV5Height))
        return nullptr;
    if (section.dsBmih.biCompression == BI_BITFIELDS &&
        (section.dsBitfields[0] != 0x00FF0000u || section.dsBitfields[1] != 0x0000FF00u ||
         section.dsBitfields[2] != 0x000000FFu))
        return nullptr;
    GdiFlush();
    return MakePremultipliedPicture(info, section.dsBm.bmBits);
}

HBITMAP MakePremultipliedPicture(const BITMAPINFO* info, const void* bits) {
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const LONG width = h.biWidth;
    const LONG height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    void* outBits = nullptr;
    GdiObject<HBITMAP> picture(NewTopDownDib32(nullptr, width, height, &outBits));
    if (!picture) return nullptr;
    const Masks m = ReadMasks(info);
    const int r = MaskByte(m.red), g = MaskByte(m.green), b = MaskByte(m.blue);
    const bool topDown = h.biHeight < 0;
    unsigned anyAlpha = 0;
    for (LONG y = 0; y < height; ++y) {
        const auto* row = static_cast<const uint8_t*>(bits) + static_cast<size_t>(topDown ? y : height - 1 - y) * width * 4;
        auto* target = static_cast<uint8_t*>(outBits) + static_cast<size_t>(y) * width * 4;
        for (LONG x = 0; x < width; ++x, row += 4, target += 4) {
            const unsigned a = row[3];
            anyAlpha |= a;
            target[0] = static_cast<uint8_t>(Premultiply(row[b], a));
            target[1] = static_cast<uint8_t>(Premultiply(row[g], a));
            target[2] = static_cast<uint8_t>(Premultiply(row[r], a));
            target[3] = static_cast<uint8_t>(a);
        }
    }
    // Writers that leave the fourth byte at zero mean an opaque picture, not
    // an invisible one.
    if (anyAlpha == 0) return nullptr;
    GdiFlush();
    return picture.Release();
}

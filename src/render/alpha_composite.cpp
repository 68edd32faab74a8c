#include "render/alpha_composite.h"
#include <cstdint>
#include <vector>
#include "win/dib_layout.h"
#include "win/gdi_guards.h"

HBITMAP ComposeOverColour(HDC reference, HBITMAP premultiplied, RECT part, COLORREF back) {
    BITMAP picture{};
    if (!premultiplied || !GetObjectA(premultiplied, sizeof(picture), &picture)) return nullptr;
    const LONG pictureHeight = picture.bmHeight < 0 ? -picture.bmHeight : picture.bmHeight;
    if (part.left < 0) part.left = 0;
    if (part.top < 0) part.top = 0;
    if (part.right > picture.bmWidth) part.right = picture.bmWidth;
    if (part.bottom > pictureHeight) part.bottom = pictureHeight;
    if (part.right <= part.left || part.bottom <= part.top) return nullptr;
    const LONG width = part.right - part.left;
    const LONG height = part.bottom - part.top;

    void* outBits = nullptr;
    GdiObject<HBITMAP> out(NewTopDownDib32(reference, width, height, &outBits));
    if (!out) return nullptr;
    BITMAPINFO info = Dib32Info(width, -height);
    // Whole rows of the part, bottom-up as scan lines count.
    info.bmiHeader.biWidth = picture.bmWidth;
    info.bmiHeader.biHeight = pictureHeight;
    std::vector<uint32_t> rows;
    try {
        rows.resize(static_cast<size_t>(picture.bmWidth) * height);
    } catch (...) {
        return nullptr;
    }
    if (GetDIBits(reference, premultiplied, static_cast<UINT>(pictureHeight - part.bottom), static_cast<UINT>(height),
                  rows.data(), &info, DIB_RGB_COLORS) != height)
        return nullptr;
    // The background's share for every alpha, per colour byte (blue, green, red).
    uint8_t share[3][256];
    const unsigned colour[3] = {GetBValue(back), GetGValue(back), GetRValue(back)};
    for (int c = 0; c < 3; ++c)
        for (unsigned a = 0; a < 256; ++a) share[c][a] = static_cast<uint8_t>((colour[c] * (255 - a) + 127) / 255);
    for (LONG y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const uint8_t*>(rows.data() + static_cast<size_t>(height - 1 - y) *
                                                                                picture.bmWidth + part.left);
        auto* target = static_cast<uint8_t*>(outBits) + static_cast<size_t>(y) * width * 4;
        for (LONG x = 0; x < width; ++x, source += 4, target += 4) {
            const uint8_t a = source[3];
            for (int c = 0; c < 3; ++c) {
                const unsigned sum = source[c] + share[c][a];
                target[c] = static_cast<uint8_t>(sum > 255 ? 255 : sum);
            }
            target[3] = 0;
        }
    }
    GdiFlush();
    return out.Release();
}

#include "dib_output.h"
#include "win/dib_layout.h"
#include "win/kernel_guards.h"

namespace {
// A zeroed movable local block, as a plug-in hands its picture over.
HLOCAL NewBlock(size_t bytes) { return LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, bytes); }

bool Cancelled(SpiProgressCallback progress, int done, int total, LONG lData) {
    return progress && progress(done, total, lData) != 0;
}

// Where the viewed pixel (x, y) lies in the stored picture, for the eight EXIF
// orientations (each names where the stored first row and column are seen).
void StoredPosition(int orientation, int w, int h, int x, int y, int* sx, int* sy) {
    switch (orientation) {
    case 2: *sx = w - 1 - x; *sy = y; break;
    case 3: *sx = w - 1 - x; *sy = h - 1 - y; break;
    case 4: *sx = x; *sy = h - 1 - y; break;
    case 5: *sx = y; *sy = x; break;
    case 6: *sx = y; *sy = h - 1 - x; break;
    case 7: *sx = w - 1 - y; *sy = h - 1 - x; break;
    case 8: *sx = w - 1 - y; *sy = x; break;
    default: *sx = x; *sy = y; break;
    }
}
}  // namespace

void ViewedSize(const DecodedPicture& picture, int* width, int* height) {
    const bool turned = picture.orientation >= 5 && picture.orientation <= 8;
    *width = turned ? picture.height : picture.width;
    *height = turned ? picture.width : picture.height;
}

void ViewedWholeSize(const DecodedPicture& picture, int* width, int* height) {
    const bool turned = picture.orientation >= 5 && picture.orientation <= 8;
    *width = turned ? picture.wholeHeight : picture.wholeWidth;
    *height = turned ? picture.wholeWidth : picture.wholeHeight;
}

bool HasTransparency(const DecodedPicture& picture) {
    const size_t count = static_cast<size_t>(picture.width) * picture.height;
    for (size_t i = 0; i < count; ++i)
        if (picture.pixels[i] < 0xFF000000u) return true;
    return false;
}

int HandOverDib(const DecodedPicture& picture, SpiProgressCallback progress, LONG lData, HLOCAL* info, HLOCAL* bits) {
    *info = nullptr;
    *bits = nullptr;
    int width, height;
    ViewedSize(picture, &width, &height);
    if (Cancelled(progress, 0, height, lData)) return kSpiCancelled;
    const bool alpha = HasTransparency(picture);
    const size_t pixelBytes = alpha ? 4 : 3;
    const size_t stride = static_cast<size_t>(DibRowBytes(width, static_cast<uint32_t>(pixelBytes * 8)));

    LocalMemory header(NewBlock(alpha ? sizeof(BITMAPV5HEADER) : sizeof(BITMAPINFO)));
    if (!header) return kSpiOutOfMemory;
    LockedLocal<unsigned char> headerBytes(header.get());
    if (!headerBytes) return kSpiMemoryError;
    LocalMemory rows(NewBlock(stride * height));
    if (!rows) return kSpiOutOfMemory;
    LockedLocal<unsigned char> rowBytes(rows.get());
    if (!rowBytes) return kSpiMemoryError;
    if (alpha) {
        auto* v5 = reinterpret_cast<BITMAPV5HEADER*>(headerBytes.get());
        v5->bV5Size = sizeof(BITMAPV5HEADER);
        v5->bV5Width = width;
        v5->bV5Height = height;   // positive: bottom-up
        v5->bV5Planes = 1;
        v5->bV5BitCount = 32;
        v5->bV5Compression = BI_BITFIELDS;
        v5->bV5SizeImage = static_cast<DWORD>(stride * height);
        v5->bV5RedMask = 0x00FF0000;
        v5->bV5GreenMask = 0x0000FF00;
        v5->bV5BlueMask = 0x000000FF;
        v5->bV5AlphaMask = 0xFF000000;
        v5->bV5CSType = 0x73524742;   // LCS_sRGB ('sRGB')
        v5->bV5Intent = LCS_GM_IMAGES;
    } else {
        auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(headerBytes.get());
        bih->biSize = sizeof(BITMAPINFOHEADER);
        bih->biWidth = width;
        bih->biHeight = height;   // positive: bottom-up
        bih->biPlanes = 1;
        bih->biBitCount = 24;
        bih->biCompression = BI_RGB;
        bih->biSizeImage = static_cast<DWORD>(stride * height);
    }

    unsigned char* out = rowBytes.get();
    for (int y = 0; y < height; ++y) {
        if (y > 0 && y % 64 == 0 && Cancelled(progress, y, height, lData)) return kSpiCancelled;
        unsigned char* to = out + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x, to += pixelBytes) {
            int sx, sy;
            StoredPosition(picture.orientation, picture.width, picture.height, x, y, &sx, &sy);
            uint32_t p = picture.pixels[static_cast<size_t>(picture.width) * sy + sx];
            if (alpha) {
                if (p >> 24 == 0) p = 0x00FFFFFF;
                to[3] = static_cast<unsigned char>(p >> 24);
            }
            to[0] = static_cast<unsigned char>(p);
            to[1] = static_cast<unsigned char>(p >> 8);
            to[2] = static_cast<unsigned char>(p >> 16);
        }
    }
    if (Cancelled(progress, height, height, lData)) return kSpiCancelled;
    // Handed over unlocked, as a plug-in's blocks are.
    headerBytes.Unlock();
    rowBytes.Unlock();
    *info = header.Release();
    *bits = rows.Release();
    return kSpiSuccess;
}

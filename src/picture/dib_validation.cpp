// DIB validation.
#include "picture/dib_validation.h"
#include <cstdint>
#include "win/dib_layout.h"

// Whether CreateDIBitmap can read this DIB without leaving the two blocks: the
// header, the colour table GDI takes for it and every row must lie inside. An
// empty or inside-out picture counts as none.
bool DibFitsBlocks(const BITMAPINFO* info, SIZE_T infoSize, SIZE_T bitsSize) {
    if (infoSize < sizeof(DWORD)) return false;
    const DWORD headerSize = info->bmiHeader.biSize;
    int64_t width = 0, height = 0;
    uint32_t bitCount = 0, compression = BI_RGB, sizeImage = 0;
    uint64_t tableEnd = 0;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        if (infoSize < sizeof(BITMAPCOREHEADER)) return false;
        const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(info);
        width = core->bcWidth;
        height = core->bcHeight;
        bitCount = core->bcBitCount;
        tableEnd = sizeof(BITMAPCOREHEADER) + (bitCount <= 8 ? (uint64_t{1} << bitCount) * sizeof(RGBTRIPLE) : 0);
    } else {
        if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > infoSize) return false;
        const BITMAPINFOHEADER& h = info->bmiHeader;
        width = h.biWidth;
        height = h.biHeight;
        bitCount = h.biBitCount;
        compression = h.biCompression;
        sizeImage = h.biSizeImage;
        // As GDI sizes it: masks after a short header, then the table.
        const uint64_t masks = compression == BI_BITFIELDS ? 3 * sizeof(DWORD) : 0;
        const uint64_t colours = h.biClrUsed ? (h.biClrUsed < 256 ? h.biClrUsed : 256)
                                             : (bitCount <= 8 ? uint64_t{1} << bitCount : 0);
        const uint64_t tableStart = headerSize > sizeof(BITMAPINFOHEADER) + masks ? headerSize
                                                                                   : sizeof(BITMAPINFOHEADER) + masks;
        tableEnd = tableStart + colours * sizeof(RGBQUAD);
    }
    if (tableEnd > infoSize) return false;
    if (width <= 0 || height == 0 || height == INT32_MIN) return false;
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);

    if (!IsReadableDibFormat(compression, bitCount, height < 0)) return false;
    if (compression == BI_RLE8 || compression == BI_RLE4) return sizeImage != 0 && sizeImage <= bitsSize;
    return rows <= bitsSize / DibRowBytes(width, bitCount);
}

// An image import plug-in for the picture tests, reading the format described
// in test_picture_format.h. Compile definitions make each variant misbehave in
// one way; the picture header's flags choose the rest per file.
#include <windows.h>
#include <cstring>
#include "test_picture_format.h"

using namespace test_picture;

#ifndef PLUGIN_VERSION
#define PLUGIN_VERSION "00IN"
#endif
#ifndef PLUGIN_FORMATS
#define PLUGIN_FORMATS 1
#endif
#ifndef PLUGIN_FAULT_INFO
#define PLUGIN_FAULT_INFO -1   // information number that faults
#endif

namespace {
struct Format {
    char magic[5];
    const char* pattern;
    const char* description;
};
const Format kFormats[] = {
    {"BRM1", "*.brm", "Brimsel test picture"},
    {"BRA1", "*.bra", "Test picture A"},
    {"BRB1", "*.brb", "Test picture B"},
};
static_assert(PLUGIN_FORMATS >= 1 && PLUGIN_FORMATS <= 3, "formats");

Probe g_probe;
volatile uintptr_t g_unmapped = 16;

void Fault() { *reinterpret_cast<volatile int*>(g_unmapped) = 1; }

// Susie style: copy at most size - 1 bytes, terminate, return the length.
[[maybe_unused]] int CopyInfo(LPSTR buffer, int size, const char* text) {
    const int length = lstrlenA(text);
    if (size <= 0) return 0;
    const int n = length < size - 1 ? length : size - 1;
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    return n;
}

[[maybe_unused]] bool KnownMagic(const unsigned char* header) {
    for (int i = 0; i < PLUGIN_FORMATS; ++i)
        if (std::memcmp(header, kFormats[i].magic, 4) == 0) return true;
    return false;
}

[[maybe_unused]] bool ReadHeader(HANDLE file, unsigned char (&header)[kHeaderSize]) {
    DWORD got = 0;
    return ReadFile(file, header, kHeaderSize, &got, nullptr) && got == kHeaderSize;
}

int Region(int x, int y, int width, int height) {
    if (y >= height / 2) return 2;
    return x < width / 2 ? 0 : 1;
}

HLOCAL Allocate(SIZE_T size, bool fixed) {
    return LocalAlloc((fixed ? LMEM_FIXED : LMEM_MOVEABLE) | LMEM_ZEROINIT, size ? size : 4);
}

void WriteColour(RGBQUAD* entry, const unsigned char* rgb) {
    entry->rgbRed = rgb[0];
    entry->rgbGreen = rgb[1];
    entry->rgbBlue = rgb[2];
}

// Builds the DIB the header asks for into two local blocks.
// `shift` reduces it by 2^shift, each pixel the colour of the block's first.
[[maybe_unused]] int MakePicture(const unsigned char* h, HANDLE* infoOut, HANDLE* bitsOut, int shift = 0) {
    const int wholeWidth = h[4] | (h[5] << 8);
    const int wholeHeight = h[6] | (h[7] << 8);
    const int width = ((wholeWidth - 1) >> shift) + 1;
    const int height = ((wholeHeight - 1) >> shift) + 1;
    const DWORD headerSize = h[8] == 1 ? sizeof(BITMAPV4HEADER) : h[8] == 2 ? sizeof(BITMAPV5HEADER)
                                                                             : sizeof(BITMAPINFOHEADER);
    const int bitCount = h[9] == 8 ? 8 : h[9] == 1 ? 1 : h[9] == 32 ? 32 : 24;
    const uint8_t flags = h[10];
    const uint8_t spoil = h[11];
    const unsigned char* colour[3] = {h + 12, h + 15, h + 18};
    const bool fixed = flags & kFixedHandles;
    const bool topDown = flags & kTopDown;

    const int colours = bitCount == 8 ? 256 : bitCount == 1 ? 2 : 0;
    const SIZE_T stride = ((static_cast<SIZE_T>(width) * bitCount + 31) / 32) * 4;
    const SIZE_T bitsSize = stride * height;
    HLOCAL info = Allocate(headerSize + colours * sizeof(RGBQUAD), fixed);
    const SIZE_T unpadded = (static_cast<SIZE_T>(width) * bitCount + 7) / 8 * height;
    HLOCAL bits = Allocate(spoil == kSpoilShortBits ? bitsSize / 2 : spoil == kSpoilUnpaddedBits ? unpadded : bitsSize,
                           fixed);
    if (!info || !bits) return 4;

    auto* header = static_cast<BITMAPV5HEADER*>(LocalLock(info));
    header->bV5Size = headerSize;
    header->bV5Width = width;
    header->bV5Height = topDown ? -height : height;
    header->bV5Planes = 1;
    header->bV5BitCount = static_cast<WORD>(bitCount);
    header->bV5Compression = BI_RGB;
    if (bitCount == 32 && (flags & kAlpha) && headerSize >= sizeof(BITMAPV4HEADER)) {
        header->bV5Compression = BI_BITFIELDS;
        header->bV5RedMask = 0x00FF0000;
        header->bV5GreenMask = 0x0000FF00;
        header->bV5BlueMask = 0x000000FF;
        header->bV5AlphaMask = 0xFF000000;
    }
    header->bV5SizeImage = static_cast<DWORD>(bitsSize);
    if (headerSize >= sizeof(BITMAPV4HEADER)) header->bV5CSType = 0x73524742;   // LCS_sRGB
    if (headerSize >= sizeof(BITMAPV5HEADER)) header->bV5Intent = LCS_GM_IMAGES;
    auto* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(header) + headerSize);
    if (bitCount == 8) {
        for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
        for (int r = 0; r < 3; ++r) WriteColour(&table[200 + r], colour[r]);
    } else if (bitCount == 1) {
        WriteColour(&table[0], colour[0]);
        WriteColour(&table[1], colour[1]);
    }

    if (spoil != kSpoilShortBits && spoil != kSpoilUnpaddedBits) {
        auto* pixels = static_cast<BYTE*>(LocalLock(bits));
        for (int y = 0; y < height; ++y) {
            BYTE* row = pixels + stride * (topDown ? y : height - 1 - y);
            for (int x = 0; x < width; ++x) {
                const int r = Region(x << shift, y << shift, wholeWidth, wholeHeight);
                if (bitCount == 32) {
                    const uint8_t alpha = spoil == kSpoilZeroAlpha ? 0 : AlphaAt(x, y);
                    const bool clear = (flags & kAlpha) && alpha == 0 && spoil != kSpoilZeroAlpha;
                    row[x * 4] = clear ? 255 : colour[r][2];
                    row[x * 4 + 1] = clear ? 255 : colour[r][1];
                    row[x * 4 + 2] = clear ? 255 : colour[r][0];
                    row[x * 4 + 3] = alpha;
                } else if (bitCount == 24) {
                    row[x * 3] = colour[r][2];
                    row[x * 3 + 1] = colour[r][1];
                    row[x * 3 + 2] = colour[r][0];
                } else if (bitCount == 8) {
                    row[x] = static_cast<BYTE>(200 + r);
                } else if (r == 1) {
                    row[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
                }
            }
        }
        LocalUnlock(bits);
    }

    switch (spoil) {
    case kSpoilHeaderSize: header->bV5Size = 0x10000; break;
    case kSpoilBitCount: header->bV5BitCount = 7; break;
    case kSpoilColoursUsed: header->bV5ClrUsed = 0x10000000; break;
    case kSpoilHugeWidth: header->bV5Width = 0x40000000; break;
    case kSpoilCompression: header->bV5Compression = BI_JPEG; break;
    case kSpoilNegativeWidth: header->bV5Width = -width; break;
    case kSpoilZeroHeaderSize: header->bV5Size = 0; break;
    default: break;
    }
    LocalUnlock(info);

    if (flags & kNullInfo) {
        LocalFree(info);
        info = nullptr;
    }
    if (flags & kNullBits) {
        LocalFree(bits);
        bits = nullptr;
    }
    *infoOut = info;
    *bitsOut = bits;
    g_probe.lastInfoHandle = info;
    g_probe.lastBitsHandle = bits;
    return 0;
}
}  // namespace

extern "C" {
Probe* TestProbe() { return &g_probe; }

#ifndef PLUGIN_NO_INFO
int WINAPI GetPluginInfo(int number, LPSTR buffer, int size) {
    ++g_probe.infoCalls;
    if (number > g_probe.highestInfoNumber) g_probe.highestInfoNumber = number;
    if (number == PLUGIN_FAULT_INFO) Fault();
    if (number == 0) return CopyInfo(buffer, size, PLUGIN_VERSION);
    if (number < 2) return 0;
#ifdef PLUGIN_ENDLESS
    return CopyInfo(buffer, size, number % 2 ? "Endless" : "*.end");
#endif
    const int format = (number - 2) / 2;
    if (format >= PLUGIN_FORMATS) return 0;
#ifdef PLUGIN_SILENT_DESCRIPTION
    // The description is written over the whole buffer, unterminated, yet
    // reported as no text at all.
    if (number % 2 && size > 0) {
        std::memset(buffer, 'S', size);
        return 0;
    }
#endif
#ifdef PLUGIN_LONG_INFO
    if (format == 1 && number % 2) return CopyInfo(buffer, size, "A");   // one character
    if (format == 0 && size > 0) {
        // The pattern: a terminator long before the length reported.
        if (number % 2 == 0) {
            std::memset(buffer, 'x', size);
            std::memcpy(buffer, "*.brm", 6);
            return 40;
        }
        // The description fills the whole buffer, unterminated, and claims more.
        std::memset(buffer, 'D', size);
        return size * 5;
    }
#endif
    return CopyInfo(buffer, size, number % 2 ? kFormats[format].description : kFormats[format].pattern);
}
#endif

#ifndef PLUGIN_NO_SUPPORTED
int WINAPI IsSupported(LPCSTR, DWORD file) {
    const HANDLE handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(file));
    const DWORD position = SetFilePointer(handle, 0, nullptr, FILE_CURRENT);
    if (g_probe.supportedCalls < 8) g_probe.supportedPositions[g_probe.supportedCalls] = static_cast<int32_t>(position);
    ++g_probe.supportedCalls;
    unsigned char header[kHeaderSize];
    if (!ReadHeader(handle, header) || !KnownMagic(header)) return 0;
    if (header[10] & kFaultSupported) Fault();
    return 1;
}
#endif

#ifdef PLUGIN_REDUCED
// Our own plug-in's reduced read, as its contract in the library's plug-in
// interface says (without a pixel budget).
int WINAPI GetPictureReduced(LPCSTR path, LONG offset, unsigned flag, HANDLE* info, HANDLE* bits, LONG coverWidth,
                             LONG coverHeight, LONG* wholeWidth, LONG* wholeHeight) {
    ++g_probe.reducedCalls;
    g_probe.coverWidth = coverWidth;
    g_probe.coverHeight = coverHeight;
    if ((flag & 7) != 0) return -1;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 6;
    unsigned char header[kHeaderSize];
    const bool read = SetFilePointer(file, offset, nullptr, FILE_BEGIN) == static_cast<DWORD>(offset) &&
                      ReadHeader(file, header);
    CloseHandle(file);
    if (!read || !KnownMagic(header)) return 2;
    const int width = header[4] | (header[5] << 8), height = header[6] | (header[7] << 8);
    *wholeWidth = width;
    *wholeHeight = height;
    if (header[10] & kFail) return 3;
    int shift = 0;
    while (coverWidth > 0 && coverHeight > 0 && shift < 30 && ((width - 1) >> (shift + 1)) + 1 >= coverWidth &&
           ((height - 1) >> (shift + 1)) + 1 >= coverHeight && (width > (2 << shift) || height > (2 << shift)))
        ++shift;
    return MakePicture(header, info, bits, shift);
}
#endif

#ifndef PLUGIN_NO_PICTURE
int WINAPI GetPicture(LPCSTR path, LONG offset, unsigned flag, HANDLE* info, HANDLE* bits, FARPROC progress,
                      LONG data) {
    ++g_probe.pictureCalls;
    g_probe.pictureOffset = offset;
    g_probe.pictureFlag = flag;
    g_probe.pictureHadProgress = progress != nullptr;
    g_probe.pictureData = data;
    if ((flag & 7) != 0) return -1;   // reading from memory is not offered
#ifdef PLUGIN_ALWAYS_FAIL
    return 2;
#endif
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 6;
    unsigned char header[kHeaderSize];
    const bool read = SetFilePointer(file, offset, nullptr, FILE_BEGIN) == static_cast<DWORD>(offset) &&
                      ReadHeader(file, header);
    CloseHandle(file);
    if (!read || !KnownMagic(header)) return 2;
    if (header[10] & kFaultPicture) Fault();
    if (header[10] & kFail) return 3;
    return MakePicture(header, info, bits);
}
#endif
}

// The exports of ifbrimsel.spi: the four of every import plug-in and our own
// GetPictureReduced. Each checks its arguments, calls one internal function
// and returns its result; nothing is thrown across.
#include <windows.h>
#include <wincodec.h>
#include <type_traits>
#include "dib_output.h"
#include "format_detection.h"
#include "win/susie_plugin.h"
#include "picture_decoding.h"
#include "picture_source.h"
#include "plugin_info.h"

namespace {
// The head of the file behind handle, read from its current position, which
// is restored afterwards. Returns the bytes read (0 on any failure).
uint32_t ReadHeadFromHandle(HANDLE file, unsigned char* head, uint32_t max) {
    LARGE_INTEGER zero{}, position;
    if (!SetFilePointerEx(file, zero, &position, FILE_CURRENT)) return 0;
    DWORD got = 0;
    if (!ReadFile(file, head, max, &got, nullptr)) got = 0;
    SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
    return got;
}

// What a read is for: the pixels (whole, or covering a size), or only the
// picture's size and depth.
enum class Purpose { kPicture, kInfo };

// Opens buf/len/flag, recognises its format and reads it; the file name only
// counts when the picture comes from a file.
int ReadRecognised(const char* buf, LONG len, unsigned flag, CoverSize cover, Purpose purpose,
                   DecodedPicture* picture) {
    PictureSource source;
    const int result = source.Open(buf, len, flag);
    if (result != kSpiSuccess) return result;
    const uint32_t head = source.size() < kFormatHeadBytes ? static_cast<uint32_t>(source.size()) : kFormatHeadBytes;
    const char* name = (flag & kSpiInputMask) == kSpiInputFile ? buf : nullptr;
    const Recognised format = DetectPictureFormat(source.data(), head, name);
    if (format.format == PictureFormat::kUnknown) return kSpiUnknownFormat;
    // A JPEG is never transparent: its size and soundness show as well at
    // the smallest reduction, read in a fraction of the time.
    if (purpose == Purpose::kInfo && format.format == PictureFormat::kSystem &&
        IsEqualGUID(*format.container, GUID_ContainerFormatJpeg))
        cover = CoverSize{1, 1};
    return ReadPicture(source, format, cover, picture);
}
}  // namespace

extern "C" {

// Text number infono into buf (buflen bytes with terminator); the bytes
// written, 0 when there is no such text.
int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) { return CopyPluginInfo(infono, buf, buflen); }

// Non-zero when the plug-in reads the file. dw is the open file's handle
// (upper 16 bits 0), read from its current position, which is kept; otherwise
// the address of at least 2 KB of the file's head.
int WINAPI IsSupported(LPCSTR filename, DWORD dw) {
    unsigned char buffer[kFormatHeadBytes];
    const unsigned char* head = buffer;
    uint32_t n;
    if ((dw & 0xFFFF0000u) == 0) {
        n = ReadHeadFromHandle(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(dw)), buffer, sizeof(buffer));
    } else {
        head = reinterpret_cast<const unsigned char*>(static_cast<ULONG_PTR>(dw));
        n = kFormatHeadBytes;
    }
    return DetectPictureFormat(head, n, filename ? filename : "").format != PictureFormat::kUnknown;
}

// The picture's size as it is meant to be viewed and the depth GetPicture
// delivers (32 for pictures with transparency); an SpiResult. The picture is
// read through (a JPEG at its smallest reduction), so that what this says is
// what GetPicture gives; the size is the whole picture's, also for one that
// GetPicture delivers reduced to fit the budget.
int WINAPI GetPictureInfo(LPCSTR buf, LONG len, unsigned flag, PictureInfo* lpInfo) {
    if (!lpInfo) return kSpiInternalError;
    DecodedPicture picture;
    const int result = ReadRecognised(buf, len, flag, CoverSize{}, Purpose::kInfo, &picture);
    if (result != kSpiSuccess) return result;
    int width, height;
    ViewedWholeSize(picture, &width, &height);
    const int16_t depth = HasTransparency(picture) ? 32 : 24;
    *lpInfo = PictureInfo{0, 0, width, height, 0, 0, depth, nullptr};
    return kSpiSuccess;
}

// Decodes the picture; on success *pHBInfo and *pHBm receive movable local
// blocks (the bitmap header and bottom-up rows, see dib_output.h) that the
// caller frees. A picture beyond the pixel budget comes reduced by the
// smallest power of two that brings it within (a JPEG of 200 megapixels by 2).
int WINAPI GetPicture(LPCSTR buf, LONG len, unsigned flag, HANDLE* pHBInfo, HANDLE* pHBm, FARPROC progress,
                      LONG lData) {
    if (!pHBInfo || !pHBm) return kSpiInternalError;
    *pHBInfo = *pHBm = nullptr;
    DecodedPicture picture;
    const int result = ReadRecognised(buf, len, flag, CoverSize{}, Purpose::kPicture, &picture);
    if (result != kSpiSuccess) return result;
    return HandOverDib(picture, reinterpret_cast<SpiProgressCallback>(reinterpret_cast<void*>(progress)), lData,
                       pHBInfo, pHBm);
}

// Our own export: GetPicture for a picture drawn at a cover size, delivered
// reduced by the largest power of two that still covers it (ReductionShift),
// each pixel the mean of its block. The whole picture's size as seen goes to
// *wholeWidth and *wholeHeight (either may be null) once its header is read,
// and is 0 x 0 before.
int WINAPI GetPictureReduced(LPCSTR path, LONG offset, unsigned flag, HANDLE* info, HANDLE* bits, LONG coverWidth,
                             LONG coverHeight, LONG* wholeWidth, LONG* wholeHeight) {
    if (wholeWidth) *wholeWidth = 0;
    if (wholeHeight) *wholeHeight = 0;
    if (!info || !bits) return kSpiInternalError;
    *info = *bits = nullptr;
    DecodedPicture picture;
    const int result =
        ReadRecognised(path, offset, flag, CoverSize{coverWidth, coverHeight}, Purpose::kPicture, &picture);
    if (picture.wholeWidth > 0 && picture.wholeHeight > 0) {
        int width, height;
        ViewedWholeSize(picture, &width, &height);
        if (wholeWidth) *wholeWidth = width;
        if (wholeHeight) *wholeHeight = height;
    }
    if (result != kSpiSuccess) return result;
    return HandOverDib(picture, nullptr, 0, info, bits);
}

}  // extern "C"

// The exports are what the library and the host call them as.
static_assert(std::is_same_v<decltype(&GetPluginInfo), GetPluginInfoFunction>);
static_assert(std::is_same_v<decltype(&IsSupported), IsSupportedFunction>);
static_assert(std::is_same_v<decltype(&GetPictureInfo), GetPictureInfoFunction>);
static_assert(std::is_same_v<decltype(&GetPicture), GetPictureFunction>);
static_assert(std::is_same_v<decltype(&GetPictureReduced), GetPictureReducedFunction>);

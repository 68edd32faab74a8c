// The four exports of ifbrimsel.spi. Each checks its arguments, calls one
// internal function and returns its result; nothing is thrown across.
#include <windows.h>
#include "format_detection.h"
#include "import_interface.h"
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

// Opens buf/len/flag as a picture and recognises its format; the file name
// only counts when the picture comes from a file.
int OpenRecognised(PictureSource& source, const char* buf, LONG len, unsigned flag, PictureFormat* format) {
    int result = source.Open(buf, len, flag);
    if (result != kSpiSuccess) return result;
    unsigned char head[kFormatHeadBytes];
    const uint32_t n = source.ReadHead(head, sizeof(head));
    if (source.readFailed()) return kSpiFileReadError;
    const char* name = (flag & kSpiInputMask) == kSpiInputFile ? buf : nullptr;
    *format = DetectPictureFormat(head, n, name);
    return *format == PictureFormat::kUnknown ? kSpiUnknownFormat : kSpiSuccess;
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
    return DetectPictureFormat(head, n, filename ? filename : "") != PictureFormat::kUnknown;
}

// The picture's size and the depth GetPicture delivers; an SpiResult, with
// pictures beyond the pixel budget refused as GetPicture refuses them.
int WINAPI GetPictureInfo(LPCSTR buf, LONG len, unsigned flag, PictureInfo* lpInfo) {
    if (!lpInfo) return kSpiInternalError;
    PictureSource source;
    PictureFormat format;
    int result = OpenRecognised(source, buf, len, flag, &format);
    if (result != kSpiSuccess) return result;
    PictureSize size;
    result = MeasurePicture(source, format, &size);
    if (result != kSpiSuccess) return result;
    *lpInfo = PictureInfo{0, 0, size.width, size.height, 0, 0, 24, nullptr};
    return kSpiSuccess;
}

// Decodes the picture; on success *pHBInfo and *pHBm receive movable local
// blocks (BITMAPINFO and 24-bit bottom-up rows) that the caller frees.
int WINAPI GetPicture(LPCSTR buf, LONG len, unsigned flag, HANDLE* pHBInfo, HANDLE* pHBm, FARPROC progress,
                      LONG lData) {
    if (!pHBInfo || !pHBm) return kSpiInternalError;
    *pHBInfo = *pHBm = nullptr;
    PictureSource source;
    PictureFormat format;
    const int result = OpenRecognised(source, buf, len, flag, &format);
    if (result != kSpiSuccess) return result;
    return DecodePicture(source, format, reinterpret_cast<SpiProgressCallback>(reinterpret_cast<void*>(progress)), lData, pHBInfo, pHBm);
}

}  // extern "C"

// The Susie import plug-in interface, written once for the library, the
// reference host and our own plug-in: the exported functions' types, their
// results and records, which plug-ins are import plug-ins and where a file is
// probed. Where the installed plug-ins are found is plugin_folder.h. Header
// only: the reference host includes it without compiling any of the library.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include "win/plugin_call_guard.h"
// A plug-in hands its picture over as a DIB, whose blocks are checked by GDI's
// layout rules.
#include "win/dib_layout.h"

// Results of GetPictureInfo and GetPicture.
enum SpiResult : int {
    kSpiSuccess = 0,
    kSpiNotImplemented = -1,
    kSpiCancelled = 1,        // the progress callback asked to stop
    kSpiUnknownFormat = 2,
    kSpiBrokenData = 3,       // truncated or damaged
    kSpiOutOfMemory = 4,      // also: the picture exceeds the plug-in's pixel budget
    kSpiMemoryError = 5,      // a block could not be locked
    kSpiFileReadError = 6,
    kSpiReserved = 7,
    kSpiInternalError = 8,
};

// Low bits of the flag argument: where the picture comes from.
constexpr unsigned kSpiInputMask = 7;
constexpr unsigned kSpiInputFile = 0;     // buf names a file, len is the picture's byte offset in it
constexpr unsigned kSpiInputMemory = 1;   // buf holds the picture, len bytes long

// Receives the progress so far; a non-zero result cancels the decoding.
using SpiProgressCallback = int(WINAPI*)(int nNum, int nDenom, LONG lData);

#pragma pack(push, 1)
// Filled by GetPictureInfo. 26 bytes, packed.
struct PictureInfo {
    // Placement and size, in pixels.
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
    // Dots per inch (0: unknown) and bits per pixel of what GetPicture returns.
    uint16_t xDensity;
    uint16_t yDensity;
    int16_t colorDepth;
    // Text information about the picture, or null.
    HLOCAL hInfo;
};
#pragma pack(pop)
static_assert(offsetof(PictureInfo, left) == 0);
static_assert(offsetof(PictureInfo, top) == 4);
static_assert(offsetof(PictureInfo, width) == 8);
static_assert(offsetof(PictureInfo, height) == 12);
static_assert(offsetof(PictureInfo, xDensity) == 16);
static_assert(offsetof(PictureInfo, yDensity) == 18);
static_assert(offsetof(PictureInfo, colorDepth) == 20);
static_assert(offsetof(PictureInfo, hInfo) == 22);
static_assert(sizeof(PictureInfo) == 26);

// The exported functions, stdcall, looked up by name.
using GetPluginInfoFunction = int(WINAPI*)(int infoNumber, LPSTR buffer, int bufferSize);
using IsSupportedFunction = int(WINAPI*)(LPCSTR path, DWORD file);
using GetPictureInfoFunction = int(WINAPI*)(LPCSTR buf, LONG len, unsigned flag, PictureInfo* info);
using GetPictureFunction = int(WINAPI*)(LPCSTR buf, LONG len, unsigned flag, HANDLE* info, HANDLE* bits,
                                        FARPROC progress, LONG data);

// Our own plug-in's extra export, found by name ("GetPictureReduced"); other
// plug-ins lack it and are read whole through GetPicture. Reads like
// GetPicture with flag kSpiInputFile, but the picture comes reduced by the
// largest power of two 2^k for which ceil(width / 2^k) >= coverWidth and
// ceil(height / 2^k) >= coverHeight (k = 0 when either cover size is <= 0 or
// the picture is no larger), and by further powers of two while it exceeds the
// pixel budget. Each pixel is the mean of the 2^k x 2^k block it stands for
// (a partial block at the right and bottom edges), as near as the decoder
// gives it. The DIB's own header gives the size delivered; *wholeWidth and
// *wholeHeight receive the picture's size as seen (what GetPictureInfo
// gives), also when the result is not kSpiSuccess but the header was read.
using GetPictureReducedFunction = int(WINAPI*)(LPCSTR path, LONG offset, unsigned flag, HANDLE* info,
                                               HANDLE* bits, LONG coverWidth, LONG coverHeight,
                                               LONG* wholeWidth, LONG* wholeHeight);
constexpr char kGetPictureReducedName[] = "GetPictureReduced";

// The functions a picture reader needs; each may be null.
struct PluginFunctions {
    GetPluginInfoFunction getPluginInfo;
    IsSupportedFunction isSupported;
    GetPictureFunction getPicture;
};

template <typename T>
inline T LookUp(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

inline PluginFunctions LookUpFunctions(HMODULE module) {
    PluginFunctions f{};
    if (!module) return f;
    f.getPluginInfo = LookUp<GetPluginInfoFunction>(module, "GetPluginInfo");
    f.isSupported = LookUp<IsSupportedFunction>(module, "IsSupported");
    f.getPicture = LookUp<GetPictureFunction>(module, "GetPicture");
    return f;
}

constexpr int kInfoBuffer = 1024;   // room for any information text we keep

enum class InfoResult { text, none, fault };

// Asks for information text `number` into `buffer`, under the fault guard, cut
// at the reported length and always terminated within the buffer: empty when
// the plug-in reports none, whatever it wrote.
inline InfoResult QueryInfo(GetPluginInfoFunction getPluginInfo, int number, char (&buffer)[kInfoBuffer]) {
    std::memset(buffer, 0, sizeof(buffer));
    int reported = 0;
    const bool answered = CallGuarded(getPluginInfo, &reported, number, buffer, kInfoBuffer);
    buffer[answered && reported > 0 ? (reported < kInfoBuffer ? reported : kInfoBuffer - 1) : 0] = '\0';
    if (!answered) return InfoResult::fault;
    return reported > 0 ? InfoResult::text : InfoResult::none;
}

// Only import plug-ins read pictures: their version text (information text 0)
// is four bytes ending in "IN", any case.
inline bool IsImportVersion(const char* version) {
    return std::strlen(version) == 4 && lstrcmpiA(version + 2, "IN") == 0;
}

inline bool IsImportPlugin(GetPluginInfoFunction getPluginInfo) {
    char version[kInfoBuffer];
    return getPluginInfo && QueryInfo(getPluginInfo, 0, version) == InfoResult::text && IsImportVersion(version);
}

// Where a file is offered to a plug-in: the start, then past a 128-byte prefix.
constexpr LONG kProbePositions[] = {0, 128};

enum class ProbeAnswer { declined, accepted, fault };

// Asks the plug-in whether it reads the file from `position`, under the fault
// guard; the file handle is handed over at that position.
inline ProbeAnswer AskAt(IsSupportedFunction isSupported, const char* path, HANDLE file, LONG position) {
    SetFilePointer(file, position, nullptr, FILE_BEGIN);
    int answer = 0;
    if (!CallGuarded(isSupported, &answer, path, static_cast<DWORD>(reinterpret_cast<uintptr_t>(file))))
        return ProbeAnswer::fault;
    return answer ? ProbeAnswer::accepted : ProbeAnswer::declined;
}

// Bitmap files are Windows' own business, no plug-in's: a path whose last three
// characters (not bytes: code page 932 has double-byte characters) are "bmp",
// in any case; no dot is needed.
inline bool IsBitmapPath(const char* path) {
    const size_t length = std::strlen(path);
    if (length < 3) return false;
    const char* end = path + length;
    const char* start = end;
    for (int i = 0; i < 3; ++i) start = CharPrevA(path, start);
    return end - start == 3 && lstrcmpiA(start, "bmp") == 0;
}

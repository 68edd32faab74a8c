// The Susie import plug-in interface, written once for the library, the
// reference host and our own plug-in: the exported functions' types, their
// results and records, which plug-ins are import plug-ins, where a file is
// probed, and where the installed plug-ins are found. Header only: the
// reference host includes it without compiling any of the library.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include "picture/plugin_call_guard.h"
// A plug-in hands its picture over as a DIB, whose blocks are checked by GDI's
// layout rules.
#include "win/dib_layout.h"
#include "win/kernel_guards.h"

constexpr size_t kPathBuffer = MAX_PATH;   // folder, search pattern, module path; terminator included

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

// Where the installed plug-ins are: the folder the Susie viewer keeps in the
// registry, else the first folder along PATH that holds a plug-in file.
namespace susie_detail {
constexpr char kSusieKey[] = "Software\\Takechin\\Susie\\Plug-in";
constexpr char kSusieValue[] = "Path";
constexpr char kPluginFiles[] = "*.spi";

// PATH as code page 932 text, on the heap; null when unset or empty. Read as
// wide text and converted: some platforms cut the ANSI reading of a value
// holding double-byte characters short by one byte per such character.
inline char* CopyPathVariable() {
    const DWORD needed = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (needed <= 1) return nullptr;
    HeapBuffer<wchar_t> wide(static_cast<wchar_t*>(std::malloc(needed * sizeof(wchar_t))));
    if (!wide) return nullptr;
    const DWORD length = GetEnvironmentVariableW(L"PATH", wide.get(), needed);
    if (length == 0 || length >= needed) return nullptr;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.get(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return nullptr;
    HeapBuffer<char> value(static_cast<char*>(std::malloc(bytes)));
    if (!value || WideCharToMultiByte(CP_ACP, 0, wide.get(), -1, value.get(), bytes, nullptr, nullptr) != bytes)
        return nullptr;
    return value.Release();
}
}  // namespace susie_detail

// folder + "\" + name, or the bare name when the folder is empty. False when
// the result would not fit the buffer.
inline bool JoinPath(char (&out)[kPathBuffer], const char* folder, const char* name) {
    const size_t folderLength = std::strlen(folder);
    const size_t nameLength = std::strlen(name);
    const size_t separator = folderLength ? 1 : 0;
    if (folderLength + separator + nameLength >= kPathBuffer) return false;
    std::memcpy(out, folder, folderLength);
    if (separator) out[folderLength] = '\\';
    std::memcpy(out + folderLength + separator, name, nameLength + 1);
    return true;
}

// The search for plug-in files in `folder`, having yielded its first file into
// `found`; an empty search when there is none.
inline FileSearch StartSearch(const char* folder, WIN32_FIND_DATAA* found) {
    char pattern[kPathBuffer];
    const size_t folderLength = std::strlen(folder);
    // The pattern always gets its separator, also after an empty folder.
    if (folderLength + 1 + sizeof(susie_detail::kPluginFiles) > kPathBuffer) return FileSearch(INVALID_HANDLE_VALUE);
    std::memcpy(pattern, folder, folderLength);
    pattern[folderLength] = '\\';
    std::memcpy(pattern + folderLength + 1, susie_detail::kPluginFiles, sizeof(susie_detail::kPluginFiles));
    return FileSearch(FindFirstFileA(pattern, found));
}

// The folder the Susie viewer keeps its plug-ins in; empty when unset or unreadable.
inline void ReadRegistryFolder(char (&folder)[kPathBuffer]) {
    folder[0] = '\0';
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, susie_detail::kSusieKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return;
    DWORD size = kPathBuffer;
    if (RegQueryValueExA(key.get(), susie_detail::kSusieValue, nullptr, nullptr, reinterpret_cast<BYTE*>(folder),
                         &size) != ERROR_SUCCESS) {
        folder[0] = '\0';
        return;
    }
    // A stored text may lack its terminator; one that fills the whole buffer
    // without one does not fit and counts as unreadable.
    if (size < kPathBuffer)
        folder[size] = '\0';
    else if (folder[kPathBuffer - 1] != '\0')
        folder[0] = '\0';
}

// Walks PATH for the first directory holding a plug-in file. On success the
// folder holds that directory (trailing backslash removed) and the search has
// yielded its first file; otherwise the folder is empty and so is the search.
inline FileSearch FindFolderAlongPath(char (&folder)[kPathBuffer], WIN32_FIND_DATAA* found) {
    folder[0] = '\0';
    HeapBuffer<char> value(susie_detail::CopyPathVariable());
    if (!value) return FileSearch(INVALID_HANDLE_VALUE);
    for (const char* piece = value.get(); *piece;) {
        const char* end = std::strchr(piece, ';');
        const size_t pieceLength = end ? static_cast<size_t>(end - piece) : std::strlen(piece);
        // A directory too long for the buffers cannot be searched; go on.
        if (pieceLength > 0 && pieceLength < kPathBuffer) {
            std::memcpy(folder, piece, pieceLength);
            folder[pieceLength] = '\0';
            // The last character, not the last byte: in code page 932 a
            // double-byte character may end in the byte of "\".
            char* last = CharPrevA(folder, folder + pieceLength);
            if (last + 1 == folder + pieceLength && *last == '\\') *last = '\0';
            FileSearch search = StartSearch(folder, found);
            if (search) return search;
        }
        piece += pieceLength;
        if (*piece == ';') ++piece;
    }
    folder[0] = '\0';
    return FileSearch(INVALID_HANDLE_VALUE);
}

enum class PluginFolderSource { none, registry, path };

// Where the plug-ins are: the registry's folder when it is set, the only one
// searched then, plug-ins or not (its text used as read, trailing backslash and
// all; its search is not started here); else the first folder along PATH that
// holds a plug-in file, whose search, having yielded the first, goes to
// *pathSearch.
inline PluginFolderSource LocatePluginFolder(char (&folder)[kPathBuffer], WIN32_FIND_DATAA* found,
                                             FileSearch* pathSearch) {
    ReadRegistryFolder(folder);
    if (folder[0]) return PluginFolderSource::registry;
    *pathSearch = FindFolderAlongPath(folder, found);
    return *pathSearch ? PluginFolderSource::path : PluginFolderSource::none;
}

// The plug-in folder and the search of its plug-in files, having yielded the
// first; an empty search when there are none.
inline FileSearch FindPluginFiles(char (&folder)[kPathBuffer], WIN32_FIND_DATAA* found) {
    FileSearch search(INVALID_HANDLE_VALUE);
    if (LocatePluginFolder(folder, found, &search) == PluginFolderSource::registry) return StartSearch(folder, found);
    return search;
}

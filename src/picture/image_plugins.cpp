// Picture readers: the built-in bitmap reader and the Susie import plug-ins
// found in the Susie plug-in folder or along PATH.
#include "picture/image_plugins.h"
#include "picture/bitmap_file.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include "picture/plugin_call_guard.h"

namespace {
constexpr char kSusieKey[] = "Software\\Takechin\\Susie\\Plug-in";
constexpr char kSusieValue[] = "Path";
constexpr char kPluginFiles[] = "*.spi";
constexpr size_t kPathBuffer = MAX_PATH;   // folder, search pattern, module path; terminator included
constexpr int kInfoBuffer = 1024;
constexpr LONG kProbePositions[] = {0, 128};   // the start, then past a 128-byte prefix
// A plug-in that describes formats without end would hang the host.
constexpr int kMaxFormatsPerPlugin = 256;

// The Susie plug-in functions we call, stdcall, looked up by name.
using GetPluginInfoFunction = int(WINAPI*)(int infoNumber, LPSTR buffer, int bufferSize);
using IsSupportedFunction = int(WINAPI*)(LPCSTR path, DWORD file);
using GetPictureFunction = int(WINAPI*)(LPCSTR path, LONG position, unsigned flag, HANDLE* info, HANDLE* bits,
                                        FARPROC progress, LONG data);

struct PluginFunctions {
    GetPluginInfoFunction getPluginInfo;   // each may be null
    IsSupportedFunction isSupported;
    GetPictureFunction getPicture;
};

template <typename T>
T LookUp(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

PluginFunctions LookUpFunctions(HMODULE module) {
    PluginFunctions f{};
    if (!module) return f;
    f.getPluginInfo = LookUp<GetPluginInfoFunction>(module, "GetPluginInfo");
    f.isSupported = LookUp<IsSupportedFunction>(module, "IsSupported");
    f.getPicture = LookUp<GetPictureFunction>(module, "GetPicture");
    return f;
}

char* CopyText(const char* text) {
    const size_t n = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(n));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}

// A new unlinked entry, or null when memory ran out.
ImagePluginEntry* NewEntry(HMODULE module, const char* description, const char* pattern) {
    auto* entry = static_cast<ImagePluginEntry*>(std::calloc(1, sizeof(ImagePluginEntry)));
    if (!entry) return nullptr;
    entry->module = module;
    entry->description = CopyText(description);
    entry->pattern = CopyText(pattern);
    if (!entry->description || !entry->pattern) {
        std::free(entry->description);
        std::free(entry->pattern);
        std::free(entry);
        return nullptr;
    }
    return entry;
}

// Frees entries and texts only; the modules are the caller's business.
void FreeEntries(ImagePluginEntry* entry) {
    while (entry) {
        ImagePluginEntry* next = entry->next;
        std::free(entry->description);
        std::free(entry->pattern);
        std::free(entry);
        entry = next;
    }
}

// folder + "\" + name, or the bare name when the folder is empty. False when
// the result would not fit the buffer.
bool JoinPath(char (&out)[kPathBuffer], const char* folder, const char* name) {
    const size_t folderLength = std::strlen(folder);
    const size_t nameLength = std::strlen(name);
    const size_t separator = folderLength ? 1 : 0;
    if (folderLength + separator + nameLength >= kPathBuffer) return false;
    std::memcpy(out, folder, folderLength);
    if (separator) out[folderLength] = '\\';
    std::memcpy(out + folderLength + separator, name, nameLength + 1);
    return true;
}

// Starts the search for plug-in files in `folder`; false when it yields none.
bool StartSearch(const char* folder, HANDLE* search, WIN32_FIND_DATAA* found) {
    char pattern[kPathBuffer];
    const size_t folderLength = std::strlen(folder);
    // The pattern always gets its separator, also after an empty folder.
    if (folderLength + 1 + sizeof(kPluginFiles) > kPathBuffer) return false;
    std::memcpy(pattern, folder, folderLength);
    pattern[folderLength] = '\\';
    std::memcpy(pattern + folderLength + 1, kPluginFiles, sizeof(kPluginFiles));
    *search = FindFirstFileA(pattern, found);
    return *search != INVALID_HANDLE_VALUE;
}

// The folder the Susie viewer keeps its plug-ins in; empty when unset or unreadable.
void ReadRegistryFolder(char (&folder)[kPathBuffer]) {
    folder[0] = '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSusieKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD size = kPathBuffer;
    const LONG status = RegQueryValueExA(key, kSusieValue, nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
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

// PATH as code page 932 text, on the heap; null when unset or empty. Read as
// wide text and converted: some platforms cut the ANSI reading of a value
// holding double-byte characters short by one byte per such character.
char* CopyPathVariable() {
    const DWORD needed = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (needed <= 1) return nullptr;
    auto* wide = static_cast<wchar_t*>(std::malloc(needed * sizeof(wchar_t)));
    if (!wide) return nullptr;
    char* value = nullptr;
    const DWORD length = GetEnvironmentVariableW(L"PATH", wide, needed);
    if (length > 0 && length < needed) {
        const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
        if (bytes > 0) value = static_cast<char*>(std::malloc(bytes));
        if (value && WideCharToMultiByte(CP_ACP, 0, wide, -1, value, bytes, nullptr, nullptr) != bytes) {
            std::free(value);
            value = nullptr;
        }
    }
    std::free(wide);
    return value;
}

// Walks PATH for the first directory holding a plug-in file. On success the
// folder holds that directory (trailing backslash removed) and the search has
// yielded its first file.
bool FindFolderAlongPath(char (&folder)[kPathBuffer], HANDLE* search, WIN32_FIND_DATAA* found) {
    folder[0] = '\0';
    char* value = CopyPathVariable();
    if (!value) return false;
    bool yielded = false;
    for (const char* piece = value; *piece && !yielded;) {
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
            yielded = StartSearch(folder, search, found);
        }
        piece += pieceLength;
        if (*piece == ';') ++piece;
    }
    std::free(value);
    if (!yielded) folder[0] = '\0';
    return yielded;
}

enum class InfoResult { text, none, fault };

// Asks for one information text into `buffer`, cut at the reported length and
// always terminated within the buffer: empty when the plug-in reports none,
// whatever it wrote.
InfoResult QueryInfo(GetPluginInfoFunction getPluginInfo, int number, char (&buffer)[kInfoBuffer]) {
    std::memset(buffer, 0, sizeof(buffer));
    int reported = 0;
    const bool answered = CallGuarded(getPluginInfo, &reported, number, buffer, kInfoBuffer);
    buffer[answered && reported > 0 ? (reported < kInfoBuffer ? reported : kInfoBuffer - 1) : 0] = '\0';
    if (!answered) return InfoResult::fault;
    return reported > 0 ? InfoResult::text : InfoResult::none;
}

// Only import plug-ins: a version text of four bytes ending in "IN", any case.
bool IsImportVersion(const char* version) {
    return std::strlen(version) == 4 && lstrcmpiA(version + 2, "IN") == 0;
}

// The entries of one loaded plug-in, one per format in format order; null when
// it is no import plug-in, describes no format, or faulted while describing.
ImagePluginEntry* DescribeFormats(HMODULE module) {
    const PluginFunctions functions = LookUpFunctions(module);
    if (!functions.getPluginInfo) return nullptr;
    char pattern[kInfoBuffer];
    char description[kInfoBuffer];
    if (QueryInfo(functions.getPluginInfo, 0, pattern) != InfoResult::text || !IsImportVersion(pattern))
        return nullptr;

    ImagePluginEntry* first = nullptr;
    ImagePluginEntry** tail = &first;
    int number = 2;
    InfoResult got = QueryInfo(functions.getPluginInfo, number, pattern);
    for (int formats = 0; got == InfoResult::text && formats < kMaxFormatsPerPlugin; ++formats) {
        if (QueryInfo(functions.getPluginInfo, number + 1, description) == InfoResult::fault) {
            got = InfoResult::fault;
            break;
        }
        ImagePluginEntry* entry = NewEntry(module, description, pattern);
        if (!entry) break;
        *tail = entry;
        tail = &entry->next;
        number += 2;
        got = QueryInfo(functions.getPluginInfo, number, pattern);
    }
    // A plug-in that faulted is not to be trusted with any of its formats.
    if (got == InfoResult::fault) {
        FreeEntries(first);
        return nullptr;
    }
    return first;
}

// Loads one plug-in file and links its entries after `last`. Returns the new
// last entry. The module stays loaded only when it gave at least one entry.
ImagePluginEntry* AddPlugin(const char* modulePath, ImagePluginEntry* last) {
    HMODULE module = LoadLibraryA(modulePath);
    if (!module) return last;
    ImagePluginEntry* formats = DescribeFormats(module);
    if (!formats) {
        FreeLibrary(module);
        return last;
    }
    last->next = formats;
    while (last->next) last = last->next;
    return last;
}

// The last three characters are "bmp" in any case; no dot is needed.
bool IsBitmapPath(const char* path) {
    const size_t length = std::strlen(path);
    if (length < 3) return false;
    const char* end = path + length;
    const char* start = end;
    for (int i = 0; i < 3; ++i) start = CharPrevA(path, start);
    return end - start == 3 && lstrcmpiA(start, "bmp") == 0;
}

enum class Probe { declined, accepted, fault };

Probe AskAt(IsSupportedFunction isSupported, const char* path, HANDLE file, LONG position) {
    SetFilePointer(file, position, nullptr, FILE_BEGIN);
    int answer = 0;
    if (!CallGuarded(isSupported, &answer, path, static_cast<DWORD>(reinterpret_cast<uintptr_t>(file))))
        return Probe::fault;
    return answer ? Probe::accepted : Probe::declined;
}

// The two local blocks GetPicture hands over, ours from then on: unlocked and
// freed on every path, bits first.
class PluginDib {
public:
    PluginDib(HLOCAL info, HLOCAL bits) : info_(info), bits_(bits) {}
    ~PluginDib() {
        if (bitsData_) LocalUnlock(bits_);
        if (infoData_) LocalUnlock(info_);
        if (bits_) LocalFree(bits_);
        if (info_) LocalFree(info_);
    }
    PluginDib(const PluginDib&) = delete;
    PluginDib& operator=(const PluginDib&) = delete;

    bool Lock() {
        if (!info_ || !bits_) return false;   // success without a picture yields none
        bitsData_ = LocalLock(bits_);
        infoData_ = LocalLock(info_);
        return bitsData_ && infoData_;
    }
    const BITMAPINFO* info() const { return static_cast<const BITMAPINFO*>(infoData_); }
    const void* bits() const { return bitsData_; }
    SIZE_T infoSize() const { return LocalSize(info_); }
    SIZE_T bitsSize() const { return LocalSize(bits_); }

private:
    HLOCAL info_, bits_;
    void* infoData_ = nullptr;
    void* bitsData_ = nullptr;
};

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

    uint64_t needed = 0;
    switch (compression) {
    case BI_RGB:
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
            return false;
        needed = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4 * rows;
        break;
    case BI_BITFIELDS:
        if (bitCount != 16 && bitCount != 32) return false;
        needed = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4 * rows;
        break;
    case BI_RLE8:
    case BI_RLE4:
        if (bitCount != (compression == BI_RLE8 ? 8u : 4u) || height < 0 || sizeImage == 0) return false;
        needed = sizeImage;
        break;
    default:
        return false;
    }
    return needed <= bitsSize;
}

// Reads the accepted file through GetPicture and turns the result into a
// bitmap compatible with the window's display context.
HBITMAP ReadThroughPlugin(HWND window, const char* path, LONG position, GetPictureFunction getPicture) {
    HANDLE info = nullptr;
    HANDLE bits = nullptr;
    int status = 0;
    // After a fault the plug-in's state is not to be trusted: whatever it left
    // in the two handles is not touched.
    if (!CallGuarded(getPicture, &status, path, position, 0u, &info, &bits, static_cast<FARPROC>(nullptr), 0L))
        return nullptr;
    if (status != 0) return nullptr;

    PluginDib dib(info, bits);
    if (!dib.Lock() || !DibFitsBlocks(dib.info(), dib.infoSize(), dib.bitsSize())) return nullptr;
    HDC dc = GetDC(window);
    if (!dc) return nullptr;
    HBITMAP bitmap = CreateDIBitmap(dc, &dib.info()->bmiHeader, CBM_INIT, dib.bits(), dib.info(), DIB_RGB_COLORS);
    ReleaseDC(window, dc);
    return bitmap;
}
}  // namespace

ImagePluginList BuildImagePluginList() {
    ImagePluginEntry* list = NewEntry(nullptr, "Bitmap", "*.bmp");
    if (!list) return nullptr;

    char folder[kPathBuffer];
    ReadRegistryFolder(folder);
    HANDLE search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA found;
    // A registry folder is the only one searched, plug-ins or not; its text
    // is used as read, trailing backslash and all.
    const bool yielded = folder[0] ? StartSearch(folder, &search, &found) : FindFolderAlongPath(folder, &search, &found);
    if (!yielded) return list;

    ImagePluginEntry* last = list;
    do {
        char modulePath[kPathBuffer];
        // A file whose full path does not fit the buffer is passed over.
        if (JoinPath(modulePath, folder, found.cFileName)) last = AddPlugin(modulePath, last);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return list;
}

void FreeImagePluginList(ImagePluginList list) {
    HMODULE released = nullptr;
    while (list) {
        ImagePluginEntry* next = list->next;
        // A plug-in's entries are consecutive: each module is released once.
        if (list->module && list->module != released) {
            FreeLibrary(list->module);
            released = list->module;
        }
        std::free(list->description);
        std::free(list->pattern);
        std::free(list);
        list = next;
    }
}

HBITMAP LoadPicture(HWND window, const char* path, ImagePluginList list) {
    if (!path) return nullptr;
    // Bitmap paths are Windows' own business; no plug-in sees them.
    if (IsBitmapPath(path)) return LoadBitmapFile(path);

    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;

    GetPictureFunction reader = nullptr;
    LONG position = 0;
    bool faulted = false;
    for (ImagePluginEntry* entry = list ? list->next : nullptr; entry && !reader && !faulted; entry = entry->next) {
        const PluginFunctions functions = LookUpFunctions(entry->module);
        // An entry that could accept the file but never read it is passed over.
        if (!functions.isSupported || !functions.getPicture) continue;
        for (LONG at : kProbePositions) {
            const Probe answer = AskAt(functions.isSupported, path, file, at);
            if (answer == Probe::fault) {
                faulted = true;
                break;
            }
            if (answer == Probe::accepted) {
                reader = functions.getPicture;
                position = at;
                break;
            }
        }
    }
    CloseHandle(file);
    // The first plug-in to accept the file decides; a fault ends the load.
    if (!reader) return nullptr;
    return ReadThroughPlugin(window, path, position, reader);
}

HBITMAP LoadPictureFile(HWND window, const char* path) {
    if (!path || !path[0]) return nullptr;
    if (IsBitmapPath(path)) return LoadPicture(window, path, nullptr);
    ImagePluginList list = BuildImagePluginList();
    HBITMAP picture = LoadPicture(window, path, list);
    FreeImagePluginList(list);
    return picture;
}

// Picture loading: bitmap files through Windows, other files through the first
// plug-in entry that accepts them.
#include "picture/image_plugins.h"
#include "picture/alpha_dib.h"
#include "picture/bitmap_file.h"
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>
#include "picture/dib_validation.h"
#include "win/susie_plugin.h"
#include "win/gdi_guards.h"
#include "win/kernel_guards.h"

namespace {
// The DIB a plug-in handed over (the two blocks are ours: unlocked, then
// freed, on every path) as a bitmap compatible with the window's display
// context, or, for a caller that asks about alpha and a picture that carries
// it, a premultiplied one.
HBITMAP BitmapOfDib(HWND window, HANDLE info, HANDLE bits, bool* alpha) {
    const LocalMemory infoBlock(info), bitsBlock(bits);
    if (!info || !bits) return nullptr;   // success without a picture yields none
    const LockedLocal<BITMAPINFO> header(info);
    const LockedLocal<void> pixels(bits);
    if (!header || !pixels || !DibFitsBlocks(header.get(), infoBlock.size(), bitsBlock.size())) return nullptr;
    if (alpha && DibCarriesAlpha(header.get(), infoBlock.size())) {
        if (HBITMAP picture = MakePremultipliedPicture(header.get(), pixels.get())) {
            *alpha = true;
            return picture;
        }
    }
    WindowDc dc(window);
    if (!dc.get()) return nullptr;
    return CreateDIBitmap(dc.get(), &header->bmiHeader, CBM_INIT, pixels.get(), header.get(), DIB_RGB_COLORS);
}

// Reads the accepted file through GetPicture (BitmapOfDib).
HBITMAP ReadThroughPlugin(HWND window, const char* path, LONG position, GetPictureFunction getPicture, bool* alpha) {
    HANDLE info = nullptr;
    HANDLE bits = nullptr;
    int status = 0;
    // After a fault the plug-in's state is not to be trusted: whatever it left
    // in the two handles is not touched.
    if (!CallGuarded(getPicture, &status, path, position, 0u, &info, &bits, static_cast<FARPROC>(nullptr), 0L))
        return nullptr;
    if (status != 0) return nullptr;
    return BitmapOfDib(window, info, bits, alpha);
}

// The first plug-in entry that accepts the file, and where; none after a fault.
struct FoundReader {
    HMODULE module = nullptr;
    GetPictureFunction getPicture = nullptr;
    LONG position = 0;
};
// `readers` holds a plug-in once for each entry of the list it stands for.
FoundReader FindReader(const char* path, const std::vector<HMODULE>& readers) {
    FoundReader found;
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) return found;
    bool faulted = false;
    for (size_t i = 0; i < readers.size() && !found.getPicture && !faulted; ++i) {
        const PluginFunctions functions = LookUpFunctions(readers[i]);
        // An entry that could accept the file but never read it is passed over.
        if (!functions.isSupported || !functions.getPicture) continue;
        for (LONG at : kProbePositions) {
            const ProbeAnswer answer = AskAt(functions.isSupported, path, file.get(), at);
            if (answer == ProbeAnswer::fault) {
                faulted = true;
                break;
            }
            if (answer == ProbeAnswer::accepted) {
                found = {readers[i], functions.getPicture, at};
                break;
            }
        }
    }
    // The first plug-in to accept the file decides; a fault ends the load.
    // The file is open only while the plug-ins are asked: GetPicture opens it itself.
    return faulted ? FoundReader{} : found;
}

// The DIB a plug-in handed over, as the cache keeps it.
bool TakeDibBlocks(HWND window, HANDLE info, HANDLE bits, PixelBlock* out) {
    bool alpha = false;
    const GdiObject<HBITMAP> picture(BitmapOfDib(window, info, bits, &alpha));
    return ReadBitmapPixels(picture.get(), alpha, out);
}

// Through our own plug-in's reduced read, at the reduction the wish gives
// without knowing the picture's size; read again when the size it then gives
// asks for another (a picture too small to read reduced, or fitted otherwise
// than guessed).
bool ReadReduced(HWND window, const char* path, const FoundReader& found, const LevelWish& wish, LoadedLevel* out) {
    const auto getReduced = LookUp<GetPictureReducedFunction>(found.module, kGetPictureReducedName);
    SIZE cover = wish.cover(wish.context, 0, 0);
    for (int read = 0; read < 2; ++read) {
        HANDLE dibInfo = nullptr, dibBits = nullptr;
        LONG wholeWidth = 0, wholeHeight = 0;
        int status = 0;
        // After a fault the plug-in's state is not to be trusted: whatever it
        // left in the two handles is not touched; nor after a failure.
        if (!CallGuarded(getReduced, &status, path, found.position, 0u, &dibInfo, &dibBits,
                         static_cast<LONG>(cover.cx), static_cast<LONG>(cover.cy), &wholeWidth, &wholeHeight) ||
            status != 0 || wholeWidth <= 0 || wholeHeight <= 0)
            return false;
        const int32_t reduction = ReductionFor(wholeWidth, wholeHeight, cover.cx, cover.cy);
        const SIZE wanted = wish.cover(wish.context, wholeWidth, wholeHeight);
        if (read == 0 && ReductionFor(wholeWidth, wholeHeight, wanted.cx, wanted.cy) != reduction) {
            const LocalMemory unwanted(dibInfo), unwantedBits(dibBits);
            cover = wanted;
            continue;
        }
        if (!TakeDibBlocks(window, dibInfo, dibBits, &out->pixels)) return false;
        out->wholeWidth = wholeWidth;
        out->wholeHeight = wholeHeight;
        out->reduction = reduction;
        out->reducible = true;
        return true;
    }
    return false;
}

// A bitmap file; *alpha as LoadPicture gives it.
HBITMAP LoadBitmapPicture(const char* path, bool* alpha) {
    BitmapFileHead head;
    GdiObject<HBITMAP> bitmap(LoadBitmapFile(path, &head));
    HBITMAP premultiplied = alpha && bitmap ? PremultiplyBitmapFile(head.bytes, head.size, bitmap.get()) : nullptr;
    if (!premultiplied) return bitmap.Release();
    *alpha = true;
    return premultiplied;
}
}  // namespace

HBITMAP LoadPicture(HWND window, const char* path, ImagePluginList list, bool* alpha) {
    if (alpha) *alpha = false;
    if (!path) return nullptr;
    // Bitmap paths are Windows' own business; no plug-in sees them.
    if (IsBitmapPath(path)) return LoadBitmapPicture(path, alpha);
    std::vector<HMODULE> readers;
    try {
        for (ImagePluginEntry* entry = list ? list->next : nullptr; entry; entry = entry->next)
            readers.push_back(entry->module);
    } catch (...) {
        return nullptr;   // no memory to ask the plug-ins
    }
    const FoundReader found = FindReader(path, readers);
    if (!found.getPicture) return nullptr;
    return ReadThroughPlugin(window, path, found.position, found.getPicture, alpha);
}

HBITMAP LoadPictureFile(HWND window, const char* path, bool* alpha) {
    if (alpha) *alpha = false;
    if (!path || !path[0]) return nullptr;
    if (IsBitmapPath(path)) return LoadBitmapPicture(path, alpha);
    const LoadedPlugins plugins(FindPluginFolder());
    const FoundReader found = FindReader(path, plugins.readers());
    if (!found.getPicture) return nullptr;
    return ReadThroughPlugin(window, path, found.position, found.getPicture, alpha);
}

PictureSource DescribeSource(const char* path) {
    PictureSource source;
    source.path = path;
    source.bitmap = IsBitmapPath(path);
    if (!source.bitmap) source.plugins = FindPluginFolder();
    return source;
}

bool LoadPictureLevel(HWND window, const PictureSource& source, const LevelWish& wish, LoadedLevel* out) {
    *out = LoadedLevel{};
    const char* path = source.path;
    if (!path || !path[0]) return false;
    if (source.bitmap) {
        bool alpha = false;
        GdiObject<HBITMAP> bitmap(LoadBitmapPicture(path, &alpha));
        if (!ReadBitmapPixels(bitmap.get(), alpha, &out->pixels)) return false;
        if (!alpha) out->loaded = std::move(bitmap);
    } else {
        const LoadedPlugins plugins(source.plugins);
        const FoundReader found = FindReader(path, plugins.readers());
        if (!found.getPicture) return false;
        if (LookUp<GetPictureReducedFunction>(found.module, kGetPictureReducedName))
            return ReadReduced(window, path, found, wish, out);
        bool alpha = false;
        const GdiObject<HBITMAP> picture(ReadThroughPlugin(window, path, found.position, found.getPicture, &alpha));
        if (!ReadBitmapPixels(picture.get(), alpha, &out->pixels)) return false;
    }
    out->wholeWidth = out->pixels.width();
    out->wholeHeight = out->pixels.height();
    return true;
}

int32_t ReductionFor(int32_t width, int32_t height, int32_t coverWidth, int32_t coverHeight) {
    if (coverWidth <= 0 || coverHeight <= 0) return 0;
    int32_t k = 0;
    while (k < 30 && ((width - 1) >> (k + 1)) + 1 >= coverWidth && ((height - 1) >> (k + 1)) + 1 >= coverHeight &&
           (width > (1 << (k + 1)) || height > (1 << (k + 1))))
        ++k;
    return k;
}


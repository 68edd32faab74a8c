// Picture loading: bitmap files through Windows, other files through the first
// plug-in entry that accepts them.
#include "picture/image_plugins.h"
#include "picture/alpha_dib.h"
#include "picture/bitmap_file.h"
#include <cstdint>
#include <cstring>
#include "picture/dib_validation.h"
#include "win/susie_plugin.h"
#include "win/gdi_guards.h"
#include "win/kernel_guards.h"

namespace {
// Reads the accepted file through GetPicture and turns the result into a
// bitmap compatible with the window's display context, or, for a caller that
// asks about alpha and a picture that carries it, a premultiplied one.
HBITMAP ReadThroughPlugin(HWND window, const char* path, LONG position, GetPictureFunction getPicture, bool* alpha) {
    HANDLE info = nullptr;
    HANDLE bits = nullptr;
    int status = 0;
    // After a fault the plug-in's state is not to be trusted: whatever it left
    // in the two handles is not touched.
    if (!CallGuarded(getPicture, &status, path, position, 0u, &info, &bits, static_cast<FARPROC>(nullptr), 0L))
        return nullptr;
    if (status != 0) return nullptr;

    // The two blocks are ours from here on: unlocked, then freed, on every path.
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
}  // namespace

HBITMAP LoadPicture(HWND window, const char* path, ImagePluginList list, bool* alpha) {
    if (alpha) *alpha = false;
    if (!path) return nullptr;
    // Bitmap paths are Windows' own business; no plug-in sees them.
    if (IsBitmapPath(path)) {
        BitmapFileHead head;
        GdiObject<HBITMAP> bitmap(LoadBitmapFile(path, &head));
        HBITMAP premultiplied = alpha && bitmap ? PremultiplyBitmapFile(head.bytes, head.size, bitmap.get()) : nullptr;
        if (!premultiplied) return bitmap.Release();
        *alpha = true;
        return premultiplied;
    }

    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) return nullptr;

    GetPictureFunction reader = nullptr;
    LONG position = 0;
    bool faulted = false;
    for (ImagePluginEntry* entry = list ? list->next : nullptr; entry && !reader && !faulted; entry = entry->next) {
        const PluginFunctions functions = LookUpFunctions(entry->module);
        // An entry that could accept the file but never read it is passed over.
        if (!functions.isSupported || !functions.getPicture) continue;
        for (LONG at : kProbePositions) {
            const ProbeAnswer answer = AskAt(functions.isSupported, path, file.get(), at);
            if (answer == ProbeAnswer::fault) {
                faulted = true;
                break;
            }
            if (answer == ProbeAnswer::accepted) {
                reader = functions.getPicture;
                position = at;
                break;
            }
        }
    }
    // Open only while the plug-ins are asked: GetPicture opens the file itself.
    file.Close();
    // The first plug-in to accept the file decides; a fault ends the load.
    if (!reader) return nullptr;
    return ReadThroughPlugin(window, path, position, reader, alpha);
}

HBITMAP LoadPictureFile(HWND window, const char* path, bool* alpha) {
    if (alpha) *alpha = false;
    if (!path || !path[0]) return nullptr;
    if (IsBitmapPath(path)) return LoadPicture(window, path, nullptr, alpha);
    const ScopedPluginList list;
    return LoadPicture(window, path, list.get(), alpha);
}

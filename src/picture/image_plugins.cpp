// Picture loading: bitmap files through Windows, other files through the first
// plug-in entry that accepts them.
#include "picture/image_plugins.h"
#include "picture/alpha_dib.h"
#include "picture/bitmap_file.h"
#include <cstdint>
#include <cstring>
#include "picture/dib_validation.h"
#include "picture/plugin_call_guard.h"
#include "picture/plugin_functions.h"
#include "win/gdi_guards.h"
#include "win/kernel_guards.h"

// The last three characters are "bmp" in any case; no dot is needed.
bool IsBitmapPath(const char* path) {
    const size_t length = std::strlen(path);
    if (length < 3) return false;
    const char* end = path + length;
    const char* start = end;
    for (int i = 0; i < 3; ++i) start = CharPrevA(path, start);
    return end - start == 3 && lstrcmpiA(start, "bmp") == 0;
}

namespace {
constexpr LONG kProbePositions[] = {0, 128};   // the start, then past a 128-byte prefix

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

    PluginDib dib(info, bits);
    if (!dib.Lock() || !DibFitsBlocks(dib.info(), dib.infoSize(), dib.bitsSize())) return nullptr;
    if (alpha && DibCarriesAlpha(dib.info(), dib.infoSize())) {
        if (HBITMAP picture = MakePremultipliedPicture(dib.info(), dib.bits())) {
            *alpha = true;
            return picture;
        }
    }
    WindowDc dc(window);
    if (!dc.get()) return nullptr;
    return CreateDIBitmap(dc.get(), &dib.info()->bmiHeader, CBM_INIT, dib.bits(), dib.info(), DIB_RGB_COLORS);
}
}  // namespace

HBITMAP LoadPicture(HWND window, const char* path, ImagePluginList list, bool* alpha) {
    if (alpha) *alpha = false;
    if (!path) return nullptr;
    // Bitmap paths are Windows' own business; no plug-in sees them.
    if (IsBitmapPath(path)) {
        BitmapFileHead head;
        HBITMAP bitmap = LoadBitmapFile(path, &head);
        HBITMAP premultiplied = alpha && bitmap ? PremultiplyBitmapFile(head.bytes, head.size, bitmap) : nullptr;
        if (!premultiplied) return bitmap;
        DeleteObject(bitmap);
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
            const Probe answer = AskAt(functions.isSupported, path, file.get(), at);
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
    ImagePluginList list = BuildImagePluginList();
    HBITMAP picture = LoadPicture(window, path, list, alpha);
    FreeImagePluginList(list);
    return picture;
}

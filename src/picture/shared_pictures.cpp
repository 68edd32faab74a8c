#include "picture/shared_pictures.h"
#include <string>
#include <vector>
#include "picture/image_plugins.h"
#include "win/plugin_folder.h"
#include "win/susie_plugin.h"
#include "picture/picture_shrinking.h"
#include "win/gdi_guards.h"
#include "win/kernel_guards.h"

namespace {
// A file as it was when its picture was loaded, and for a picture a plug-in
// reads, the plug-in folder as it was then: plug-ins added or removed (which
// changes the folder's last-write time), or another folder, take effect at
// the next load as for a picture read afresh. Bitmaps need no plug-in.
struct FileIdentity {
    std::string fullPath;
    uint64_t size = 0;
    FILETIME written{};
    PluginFolderSource pluginSource = PluginFolderSource::none;
    std::string pluginFolder;
    FILETIME pluginsWritten{};
};

struct SharedPicture {
    FileIdentity file;
    GdiObject<HBITMAP> bitmap;
    GdiObject<HBITMAP> reduced;   // MakeReducedCopy of bitmap, or null
    int32_t users;
    uint32_t serial;
    bool alpha;
};

// Every picture some chip holds. Chips are few; a linear search is enough.
std::vector<SharedPicture> g_pictures;
uint32_t g_lastSerial = 0;

// The plug-in folder a load of a non-bitmap path would search, as it is now;
// false when there is none, so that no plug-in could read the file anyway.
bool ReadPluginFolder(FileIdentity* identity) {
    char folder[kPathBuffer];
    WIN32_FIND_DATAA found;
    FileSearch search(INVALID_HANDLE_VALUE);
    const PluginFolderSource source = LocatePluginFolder(folder, &found, &search);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (source == PluginFolderSource::none || !GetFileAttributesExA(folder, GetFileExInfoStandard, &data))
        return false;
    identity->pluginSource = source;
    identity->pluginFolder = folder;
    identity->pluginsWritten = data.ftLastWriteTime;
    return true;
}

bool ReadIdentity(const char* path, FileIdentity* identity) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path, sizeof(full), full, nullptr);
    if (length == 0 || length >= sizeof(full)) return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(full, GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    identity->fullPath = full;
    identity->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    identity->written = data.ftLastWriteTime;
    return IsBitmapPath(path) || ReadPluginFolder(identity);
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.size == b.size && CompareFileTime(&a.written, &b.written) == 0 &&
           lstrcmpiA(a.fullPath.c_str(), b.fullPath.c_str()) == 0 && a.pluginSource == b.pluginSource &&
           CompareFileTime(&a.pluginsWritten, &b.pluginsWritten) == 0 &&
           lstrcmpiA(a.pluginFolder.c_str(), b.pluginFolder.c_str()) == 0;
}

SharedPicture* FindByBitmap(HBITMAP bitmap) {
    for (SharedPicture& p : g_pictures)
        if (p.bitmap.get() == bitmap) return &p;
    return nullptr;
}
}  // namespace

HBITMAP AcquirePicture(HWND window, const char* path) {
    if (!path || !path[0]) return nullptr;
    FileIdentity identity;
    // Read before loading: a file written during the load differs next time.
    bool known = false;
    try {
        known = ReadIdentity(path, &identity);
    } catch (...) {
        known = false;   // no memory for the path: load it unshared
    }
    if (known) {
        for (SharedPicture& p : g_pictures)
            if (SameFile(p.file, identity)) {
                ++p.users;
                return p.bitmap.get();
            }
    }
    bool alpha = false;
    HBITMAP bitmap = LoadPictureFile(window, path, &alpha);
    if (!bitmap) return nullptr;
    // A file that cannot be identified is never shared, but still counted.
    if (!known) identity.fullPath.clear();
    GdiObject<HBITMAP> reduced(MakeReducedCopy(window, bitmap, alpha));
    try {
        g_pictures.reserve(g_pictures.size() + 1);
    } catch (...) {
        // Out of memory for the table: the chip keeps the picture unshared,
        // and ReleasePicture deletes a bitmap it does not know.
        return bitmap;
    }
    // With room made, nothing below throws.
    g_pictures.push_back(
        SharedPicture{std::move(identity), GdiObject<HBITMAP>(bitmap), std::move(reduced), 1, ++g_lastSerial, alpha});
    return bitmap;
}

void ReleasePicture(HBITMAP picture) {
    if (!picture) return;
    SharedPicture* shared = FindByBitmap(picture);
    if (!shared) {
        const GdiObject<HBITMAP> unshared(picture);
        return;
    }
    if (--shared->users > 0) return;
    // The bitmap and its reduced copy go with the record.
    if (shared != &g_pictures.back()) *shared = std::move(g_pictures.back());
    g_pictures.pop_back();
}

PictureFacts FactsOfPicture(HBITMAP picture) {
    const SharedPicture* shared = picture ? FindByBitmap(picture) : nullptr;
    return shared ? PictureFacts{shared->serial, shared->alpha, shared->reduced.get()} : PictureFacts{0, false, nullptr};
}

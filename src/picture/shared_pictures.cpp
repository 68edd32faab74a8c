#include "picture/shared_pictures.h"
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>
#include "picture/picture_shrinking.h"
#include "win/plugin_folder.h"
#include "win/susie_plugin.h"
#include "win/gdi_guards.h"
#include "win/kernel_guards.h"

namespace {
constexpr size_t kDefaultBudget = size_t{256} << 20;

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

// Which decoded picture: the whole one, our plug-in's read reduced by 2^key,
// or the screen's reduced copy made here.
constexpr int32_t kWhole = 0;
constexpr int32_t kScreenCopy = -1;

struct Level {
    int32_t key;
    PixelBlock pixels;
    uint64_t lastUse;
};
}  // namespace

struct SharedPicture {
    FileIdentity file;
    std::string path;            // for reading again: the full path when known
    bool bitmap = false;         // read by Windows, not by a plug-in
    int32_t width = 0, height = 0;
    bool reducible = false;      // its plug-in reads reduced
    std::vector<Level> levels;
    std::vector<HBITMAP> copies; // the drawn copies of the chips that hold it
    GdiObject<HBITMAP> loaded;   // LoadedLevel::loaded, until taken or dropped
};

namespace {
// Every picture some chip holds. Chips are few; a linear search is enough.
std::vector<std::unique_ptr<SharedPicture>> g_pictures;
uint64_t g_clock = 0;

// The plug-in folder the load of a non-bitmap path searches, as it is now;
// false when there is none, so that no plug-in could read the file anyway.
bool ReadPluginFolder(const PluginFolder& folder, FileIdentity* identity) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (folder.source == PluginFolderSource::none || !GetFileAttributesExA(folder.path, GetFileExInfoStandard, &data))
        return false;
    identity->pluginSource = folder.source;
    identity->pluginFolder = folder.path;
    identity->pluginsWritten = data.ftLastWriteTime;
    return true;
}

bool ReadIdentity(const PictureSource& source, FileIdentity* identity) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(source.path, sizeof(full), full, nullptr);
    if (length == 0 || length >= sizeof(full)) return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(full, GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    identity->fullPath = full;
    identity->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    identity->written = data.ftLastWriteTime;
    return source.bitmap || ReadPluginFolder(source.plugins, identity);
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return !a.fullPath.empty() && a.size == b.size && CompareFileTime(&a.written, &b.written) == 0 &&
           lstrcmpiA(a.fullPath.c_str(), b.fullPath.c_str()) == 0 && a.pluginSource == b.pluginSource &&
           CompareFileTime(&a.pluginsWritten, &b.pluginsWritten) == 0 &&
           lstrcmpiA(a.pluginFolder.c_str(), b.pluginFolder.c_str()) == 0;
}

Level* FindLevel(SharedPicture* picture, int32_t key) {
    for (Level& level : picture->levels)
        if (level.key == key) return &level;
    return nullptr;
}

// Takes a decoded picture into the record; null when memory for the table runs out.
Level* AddLevel(SharedPicture* picture, int32_t key, PixelBlock pixels) {
    try {
        picture->levels.push_back(Level{key, static_cast<PixelBlock&&>(pixels), ++g_clock});
    } catch (...) {
        return nullptr;
    }
    return &picture->levels.back();
}

// The reduction a stretched drawing of drawWidth x drawHeight may come from:
// kWhole when it must be exact (a picture within the screen's size, or a
// drawn size beyond its reduced copy).
bool MayReduce(int32_t width, int32_t height, bool stretched, int32_t drawWidth, int32_t drawHeight) {
    if (!stretched || drawWidth <= 0 || drawHeight <= 0) return false;
    const SIZE screen = ScreenCopySize(width, height);
    return screen.cx > 0 && drawWidth <= screen.cx && drawHeight <= screen.cy;
}

SIZE CoverOfKey(const SharedPicture& picture, int32_t key) {
    if (key <= 0) return {0, 0};
    return {((picture.width - 1) >> key) + 1, ((picture.height - 1) >> key) + 1};
}

SIZE FixedCover(void* context, int32_t, int32_t) { return *static_cast<SIZE*>(context); }

// Reads the picture again as `key` asks; null when it cannot be had or the
// file now holds another picture.
Level* Decode(HWND window, SharedPicture* picture, int32_t key) {
    SIZE cover = CoverOfKey(*picture, key);
    LoadedLevel loaded;
    PictureSource source;
    source.path = picture->path.c_str();
    source.bitmap = picture->bitmap;
    if (!source.bitmap) source.plugins = FindPluginFolder();
    if (!LoadPictureLevel(window, source, LevelWish{&FixedCover, &cover}, &loaded)) return nullptr;
    if (loaded.wholeWidth != picture->width || loaded.wholeHeight != picture->height) return nullptr;
    return AddLevel(picture, loaded.reducible ? loaded.reduction : kWhole, static_cast<PixelBlock&&>(loaded.pixels));
}
}  // namespace

size_t PictureCacheBudget() {
    char text[16];
    const DWORD length = GetEnvironmentVariableA("BRIMSEL_PICTURE_CACHE_MB", text, sizeof(text));
    if (length == 0 || length >= sizeof(text)) return kDefaultBudget;
    const long megabytes = std::strtol(text, nullptr, 10);
    return megabytes >= 1 && megabytes <= 2048 ? static_cast<size_t>(megabytes) << 20 : kDefaultBudget;
}

size_t PictureCacheBytes() {
    size_t total = 0;
    for (const auto& picture : g_pictures)
        for (const Level& level : picture->levels) total += level.pixels.bytes();
    return total;
}

SIZE CoverToDraw(int32_t width, int32_t height, bool stretched, int32_t drawWidth, int32_t drawHeight) {
    if (!MayReduce(width, height, stretched, drawWidth, drawHeight)) return {0, 0};
    return {drawWidth, drawHeight};
}

SharedPicture* AcquirePicture(HWND window, const char* path, const LevelWish& wish) {
    if (!path || !path[0]) return nullptr;
    // The kind and the plug-in folder, decided once for the identity and the load.
    const PictureSource source = DescribeSource(path);
    FileIdentity identity;
    // Read before loading: a file written during the load differs next time.
    bool known = false;
    try {
        known = ReadIdentity(source, &identity);
    } catch (...) {
        known = false;   // no memory for the path: load it unshared
    }
    if (known) {
        for (const auto& picture : g_pictures)
            if (SameFile(picture->file, identity)) return picture.get();
    }
    // A file that cannot be identified is never shared.
    if (!known) identity.fullPath.clear();
    LoadedLevel loaded;
    if (!LoadPictureLevel(window, source, wish, &loaded)) return nullptr;
    try {
        auto picture = std::make_unique<SharedPicture>();
        // Read again by its full path, wherever the host's folder is by then.
        picture->path = known ? identity.fullPath : path;
        picture->bitmap = source.bitmap;
        picture->file = std::move(identity);
        picture->width = loaded.wholeWidth;
        picture->height = loaded.wholeHeight;
        picture->reducible = loaded.reducible;
        picture->loaded = std::move(loaded.loaded);
        const int32_t key = loaded.reducible ? loaded.reduction : kWhole;
        picture->levels.reserve(2);
        picture->levels.push_back(Level{key, static_cast<PixelBlock&&>(loaded.pixels), ++g_clock});
        g_pictures.push_back(std::move(picture));
    } catch (...) {
        return nullptr;   // out of memory for the record: the picture cannot be had
    }
    SharedPicture* picture = g_pictures.back().get();
    // A large picture read whole gets its screen's reduced copy at once, as
    // the drawn sizes of most chips come from it.
    const SIZE screen = picture->reducible ? SIZE{0, 0} : ScreenCopySize(picture->width, picture->height);
    if (screen.cx > 0) {
        PixelBlock copy;
        if (ShrinkIntoBlock(picture->levels.front().pixels, screen.cx, screen.cy, &copy))
            AddLevel(picture, kScreenCopy, static_cast<PixelBlock&&>(copy));
    }
    return picture;
}

SIZE PictureSize(const SharedPicture* picture) { return {picture->width, picture->height}; }

const PixelBlock* PictureToDraw(HWND window, SharedPicture* picture, bool stretched, int32_t drawWidth,
                                int32_t drawHeight) {
    int32_t key = kWhole;
    if (MayReduce(picture->width, picture->height, stretched, drawWidth, drawHeight))
        key = picture->reducible ? ReductionFor(picture->width, picture->height, drawWidth, drawHeight) : kScreenCopy;
    Level* level = FindLevel(picture, key);
    if (!level && key == kScreenCopy) {
        // Made from the whole picture, read again when it too was dropped.
        Level* whole = FindLevel(picture, kWhole);
        if (!whole) whole = Decode(window, picture, kWhole);
        const SIZE screen = ScreenCopySize(picture->width, picture->height);
        PixelBlock copy;
        if (whole && ShrinkIntoBlock(whole->pixels, screen.cx, screen.cy, &copy))
            level = AddLevel(picture, kScreenCopy, static_cast<PixelBlock&&>(copy));
    } else if (!level) {
        level = Decode(window, picture, key);
    }
    if (!level) return nullptr;
    level->lastUse = ++g_clock;
    return &level->pixels;
}

bool HoldCopy(SharedPicture* picture, HBITMAP copy) {
    try {
        picture->copies.push_back(copy);
    } catch (...) {
        return false;
    }
    return true;
}

SharedPicture* PictureOfCopy(HBITMAP copy) {
    if (!copy) return nullptr;
    for (const auto& picture : g_pictures)
        if (std::find(picture->copies.begin(), picture->copies.end(), copy) != picture->copies.end())
            return picture.get();
    return nullptr;
}

void ReleaseCopy(HBITMAP copy) {
    if (!copy) return;
    const GdiObject<HBITMAP> deleted(copy);
    SharedPicture* picture = PictureOfCopy(copy);
    if (!picture) return;
    picture->copies.erase(std::find(picture->copies.begin(), picture->copies.end(), copy));
    DropIfUnheld(picture);
}

HBITMAP TakeLoadedBitmap(SharedPicture* picture) { return picture->loaded.Release(); }

void DropIfUnheld(SharedPicture* picture) {
    if (!picture) return;
    const GdiObject<HBITMAP> untaken(picture->loaded.Release());
    if (!picture->copies.empty()) return;
    for (auto it = g_pictures.begin(); it != g_pictures.end(); ++it)
        if (it->get() == picture) {
            g_pictures.erase(it);
            return;
        }
}

void TrimPictureCache() {
    const size_t budget = PictureCacheBudget();
    size_t total = PictureCacheBytes();
    while (total > budget) {
        SharedPicture* oldestPicture = nullptr;
        size_t oldest = 0;
        for (const auto& picture : g_pictures)
            for (size_t i = 0; i < picture->levels.size(); ++i)
                if (!oldestPicture ||
                    picture->levels[i].lastUse < oldestPicture->levels[oldest].lastUse) {
                    oldestPicture = picture.get();
                    oldest = i;
                }
        if (!oldestPicture) return;
        total -= oldestPicture->levels[oldest].pixels.bytes();
        oldestPicture->levels.erase(oldestPicture->levels.begin() + static_cast<ptrdiff_t>(oldest));
    }
}

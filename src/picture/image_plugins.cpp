// Placeholder: only the built-in bitmap reader; the plug-in search comes next.
#include "picture/image_plugins.h"
#include <cstdlib>
#include <cstring>

namespace {
char* Duplicate(const char* text) {
    const size_t n = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(n));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}
}  // namespace

ImagePluginList BuildImagePluginList() {
    auto* entry = static_cast<ImagePluginEntry*>(std::calloc(1, sizeof(ImagePluginEntry)));
    if (!entry) return nullptr;
    entry->description = Duplicate("Bitmap");
    entry->pattern = Duplicate("*.bmp");
    return entry;
}

void FreeImagePluginList(ImagePluginList list) {
    while (list) {
        ImagePluginEntry* next = list->next;
        std::free(list->description);
        std::free(list->pattern);
        std::free(list);
        list = next;
    }
}

HBITMAP LoadPicture(HWND, const char* path, ImagePluginList) {
    const size_t n = std::strlen(path);
    if (n >= 3 && lstrcmpiA(path + n - 3, "bmp") == 0)
        return static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0,
                                               LR_LOADFROMFILE | LR_CREATEDIBSECTION | LR_DEFAULTSIZE));
    return nullptr;
}

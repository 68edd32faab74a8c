// The file chooser's filter text.
#include "picture/picture_filter.h"
#include <cstdlib>
#include <cstring>

namespace {
const char kAllPicturesTitle[] = "全画像ﾌｧｲﾙ";
}  // namespace

// The chooser's filter from the plug-in list: "全画像ﾌｧｲﾙ", every pattern
// followed by ";", then a description/pattern pair per entry, each text
// zero-terminated, and a closing zero. The caller frees the text with free();
// *size receives its length in bytes. Null when out of memory.
char* BuildPictureFilter(ImagePluginList list, size_t* size) {
    size_t total = sizeof(kAllPicturesTitle) + 2;
    for (const ImagePluginEntry* e = list; e; e = e->next)
        total += std::strlen(e->description) + 1 + 2 * (std::strlen(e->pattern) + 1);
    auto* filter = static_cast<char*>(std::malloc(total));
    if (!filter) return nullptr;

    char* out = filter;
    const auto append = [&out](const char* text) {
        const size_t n = std::strlen(text);
        std::memcpy(out, text, n);
        out += n;
    };
    append(kAllPicturesTitle);
    *out++ = '\0';
    for (const ImagePluginEntry* e = list; e; e = e->next) {
        append(e->pattern);
        *out++ = ';';
    }
    *out++ = '\0';
    for (const ImagePluginEntry* e = list; e; e = e->next) {
        append(e->description);
        *out++ = '\0';
        append(e->pattern);
        *out++ = '\0';
    }
    *out++ = '\0';
    if (size) *size = total;
    return filter;
}

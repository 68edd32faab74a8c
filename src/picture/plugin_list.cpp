// The plug-in list: the built-in bitmap entry, then one entry per format of
// every import plug-in in the plug-in folder.
#include <cstdlib>
#include <cstring>
#include "chip/chip_state.h"
#include "picture/image_plugins.h"
#include "picture/plugin_call_guard.h"
#include "picture/plugin_folder.h"
#include "picture/plugin_functions.h"
#include "win/kernel_guards.h"

namespace {
constexpr int kInfoBuffer = 1024;
// A plug-in that describes formats without end would hang the host.
constexpr int kMaxFormatsPerPlugin = 256;

// A new unlinked entry, or null when memory ran out.
ImagePluginEntry* NewEntry(HMODULE module, const char* description, const char* pattern) {
    auto* entry = static_cast<ImagePluginEntry*>(std::calloc(1, sizeof(ImagePluginEntry)));
    if (!entry) return nullptr;
    entry->module = module;
    entry->description = CopyText(description, std::strlen(description));
    entry->pattern = CopyText(pattern, std::strlen(pattern));
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
    LoadedModule module(LoadLibraryA(modulePath));
    if (!module) return last;
    ImagePluginEntry* formats = DescribeFormats(module.get());
    if (!formats) return last;
    module.Keep();   // the list's entries own it now
    last->next = formats;
    while (last->next) last = last->next;
    return last;
}
}  // namespace

ImagePluginList BuildImagePluginList() {
    ImagePluginEntry* list = NewEntry(nullptr, "Bitmap", "*.bmp");
    if (!list) return nullptr;

    char folder[kPathBuffer];
    HANDLE search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA found;
    // A registry folder is the only one searched, plug-ins or not; its text
    // is used as read, trailing backslash and all.
    const PluginFolderSource source = LocatePluginFolder(folder, &search, &found);
    const bool yielded = source == PluginFolderSource::registry ? StartSearch(folder, &search, &found)
                                                                : source == PluginFolderSource::path;
    if (!yielded) return list;

    FileSearch searching(search);
    ImagePluginEntry* last = list;
    do {
        char modulePath[kPathBuffer];
        // A file whose full path does not fit the buffer is passed over.
        if (JoinPath(modulePath, folder, found.cFileName)) last = AddPlugin(modulePath, last);
    } while (FindNextFileA(search, &found));
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

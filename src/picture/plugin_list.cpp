// The plug-in list: the built-in bitmap entry, then one entry per format of
// every import plug-in in the plug-in folder.
#include <cstdlib>
#include <cstring>
#include "chip/chip_state.h"
#include "picture/plugin_list.h"
#include "win/plugin_folder.h"
#include "win/susie_plugin.h"
#include "win/kernel_guards.h"

namespace {
// A plug-in that describes formats without end would hang the host.
constexpr int kMaxFormatsPerPlugin = 256;

// A new unlinked entry without a module, or null when memory ran out.
ImagePluginEntry* NewEntry(const char* description, const char* pattern) {
    HeapBuffer<ImagePluginEntry> entry(static_cast<ImagePluginEntry*>(std::calloc(1, sizeof(ImagePluginEntry))));
    HeapBuffer<char> descriptionCopy(CopyText(description, std::strlen(description)));
    HeapBuffer<char> patternCopy(CopyText(pattern, std::strlen(pattern)));
    if (!entry || !descriptionCopy || !patternCopy) return nullptr;
    entry.get()->description = descriptionCopy.Release();
    entry.get()->pattern = patternCopy.Release();
    return entry.Release();
}

// The entries of one loaded plug-in, one per format in format order, not yet
// given the module; null when it is no import plug-in, describes no format, or
// faulted while describing.
ImagePluginEntry* DescribeFormats(HMODULE module) {
    const PluginFunctions functions = LookUpFunctions(module);
    if (!IsImportPlugin(functions.getPluginInfo)) return nullptr;
    char pattern[kInfoBuffer];
    char description[kInfoBuffer];

    ImagePluginEntry* first = nullptr;
    ImagePluginEntry** tail = &first;
    int number = 2;
    InfoResult got = QueryInfo(functions.getPluginInfo, number, pattern);
    for (int formats = 0; got == InfoResult::text && formats < kMaxFormatsPerPlugin; ++formats) {
        if (QueryInfo(functions.getPluginInfo, number + 1, description) == InfoResult::fault) {
            got = InfoResult::fault;
            break;
        }
        ImagePluginEntry* entry = NewEntry(description, pattern);
        if (!entry) break;
        *tail = entry;
        tail = &entry->next;
        number += 2;
        got = QueryInfo(functions.getPluginInfo, number, pattern);
    }
    // A plug-in that faulted is not to be trusted with any of its formats.
    if (got == InfoResult::fault) {
        FreeImagePluginList(first);
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
    // The list's entries own the module now.
    last->next = formats;
    for (HMODULE owned = module.Release(); last->next; last = last->next) last->next->module = owned;
    return last;
}
}  // namespace

ImagePluginList BuildImagePluginList() {
    ImagePluginEntry* list = NewEntry("Bitmap", "*.bmp");
    if (!list) return nullptr;

    char folder[kPathBuffer];
    WIN32_FIND_DATAA found;
    const FileSearch search = FindPluginFiles(folder, &found);
    if (!search) return list;
    ImagePluginEntry* last = list;
    do {
        char modulePath[kPathBuffer];
        // A file whose full path does not fit the buffer is passed over.
        if (JoinPath(modulePath, folder, found.cFileName)) last = AddPlugin(modulePath, last);
    } while (FindNextFileA(search.get(), &found));
    return list;
}

void FreeImagePluginList(ImagePluginList list) {
    HMODULE released = nullptr;
    while (list) {
        const HeapBuffer<ImagePluginEntry> entry(list);
        const HeapBuffer<char> description(list->description), pattern(list->pattern);
        // A plug-in's entries are consecutive: each module is released once.
        const LoadedModule module(list->module != released ? list->module : nullptr);
        released = list->module;
        list = list->next;
    }
}

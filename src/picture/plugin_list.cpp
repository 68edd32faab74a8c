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

// Walks the formats a loaded import plug-in describes, in format order,
// handing each pattern and description to `take` until it returns false.
// False when it is no import plug-in or faulted while describing: such a
// plug-in is not to be trusted with any of its formats.
template <typename Take>
bool WalkFormats(HMODULE module, Take take) {
    const PluginFunctions functions = LookUpFunctions(module);
    if (!IsImportPlugin(functions.getPluginInfo)) return false;
    char pattern[kInfoBuffer];
    char description[kInfoBuffer];
    int number = 2;
    InfoResult got = QueryInfo(functions.getPluginInfo, number, pattern);
    for (int formats = 0; got == InfoResult::text && formats < kMaxFormatsPerPlugin; ++formats) {
        if (QueryInfo(functions.getPluginInfo, number + 1, description) == InfoResult::fault) return false;
        if (!take(pattern, description)) break;
        number += 2;
        got = QueryInfo(functions.getPluginInfo, number, pattern);
    }
    return got != InfoResult::fault;
}

// The entries of one loaded plug-in, one per format in format order, not yet
// given the module; null when it is no import plug-in, describes no format, or
// faulted while describing.
ImagePluginEntry* DescribeFormats(HMODULE module) {
    ImagePluginEntry* first = nullptr;
    ImagePluginEntry** tail = &first;
    const bool trusted = WalkFormats(module, [&](const char* pattern, const char* description) {
        ImagePluginEntry* entry = NewEntry(description, pattern);
        if (!entry) return false;
        *tail = entry;
        tail = &entry->next;
        return true;
    });
    if (!trusted) {
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

PluginFolder FindPluginFolder() {
    PluginFolder folder;
    WIN32_FIND_DATAA found;
    FileSearch search(INVALID_HANDLE_VALUE);
    folder.source = LocatePluginFolder(folder.path, &found, &search);
    return folder;
}

LoadedPlugins::LoadedPlugins(const PluginFolder& folder) {
    if (folder.source == PluginFolderSource::none) return;
    WIN32_FIND_DATAA found;
    const FileSearch search = StartSearch(folder.path, &found);
    if (!search) return;
    do {
        char modulePath[kPathBuffer];
        // A file whose full path does not fit the buffer is passed over.
        if (!JoinPath(modulePath, folder.path, found.cFileName)) continue;
        LoadedModule module(LoadLibraryA(modulePath));
        if (!module) continue;
        size_t formats = 0;
        if (!WalkFormats(module.get(), [&](const char*, const char*) { return ++formats, true; }) || formats == 0)
            continue;
        try {
            modules_.reserve(modules_.size() + 1);
            readers_.insert(readers_.end(), formats, module.get());
        } catch (...) {
            continue;   // no memory to note it: as a plug-in that could not be loaded
        }
        modules_.push_back(module.Release());
    } while (FindNextFileA(search.get(), &found));
}

LoadedPlugins::~LoadedPlugins() {
    for (HMODULE module : modules_) const LoadedModule unloaded(module);
}

// Picture readers: the built-in bitmap reader and the installed Susie import
// plug-ins, one entry per format. A list lives only within the call that
// built it.
#pragma once
#include <windows.h>
#include <vector>
#include "win/plugin_folder.h"

struct ImagePluginEntry {
    HMODULE module;            // the plug-in serving this entry; null for the built-in one
    char* description;         // file-type name, owned by the entry
    char* pattern;             // extension pattern such as "*.bmp", owned by the entry
    ImagePluginEntry* next;
};
// Known by its first entry, which is always the built-in "Bitmap" / "*.bmp".
using ImagePluginList = ImagePluginEntry*;

// Finds and loads the installed plug-ins. Never fails as a whole; the caller
// frees the list with FreeImagePluginList, which also unloads the plug-ins.
ImagePluginList BuildImagePluginList();

// Releases every entry, its texts, and each plug-in module exactly once.
void FreeImagePluginList(ImagePluginList list);

// A list built for one scope and freed at its end.
class ScopedPluginList {
public:
    ScopedPluginList() : list_(BuildImagePluginList()) {}
    ~ScopedPluginList() { FreeImagePluginList(list_); }
    ScopedPluginList(const ScopedPluginList&) = delete;
    ScopedPluginList& operator=(const ScopedPluginList&) = delete;
    ImagePluginList get() const { return list_; }
private:
    ImagePluginList list_;
};

// The plug-in folder as one load found it: found once, and passed on to what
// the load asks of it.
struct PluginFolder {
    PluginFolderSource source = PluginFolderSource::none;
    char path[kPathBuffer] = "";
};
PluginFolder FindPluginFolder();

// The import plug-ins of a folder, loaded for one load as a list built from
// it would load them (the same calls, in the same order), without copying
// their descriptions, which a load never reads. readers() has a plug-in once
// for each format it describes, as the list has it once per entry. Every
// plug-in is unloaded at scope end.
class LoadedPlugins {
public:
    explicit LoadedPlugins(const PluginFolder& folder);
    ~LoadedPlugins();
    LoadedPlugins(const LoadedPlugins&) = delete;
    LoadedPlugins& operator=(const LoadedPlugins&) = delete;
    const std::vector<HMODULE>& readers() const { return readers_; }
private:
    std::vector<HMODULE> modules_;   // each loaded plug-in once
    std::vector<HMODULE> readers_;
};

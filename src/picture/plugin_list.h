// Picture readers: the built-in bitmap reader and the installed Susie import
// plug-ins, one entry per format. A list lives only within the call that
// built it.
#pragma once
#include <windows.h>

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

// Where the installed plug-ins are: the Susie plug-in folder in the registry,
// else the first folder along PATH that holds a plug-in file.
#pragma once
#include <windows.h>
#include "picture/plugin_functions.h"

// folder + "\" + name, or the bare name when the folder is empty. False when
// the result would not fit the buffer.
bool JoinPath(char (&out)[kPathBuffer], const char* folder, const char* name);

// Starts the search for plug-in files in `folder`; false when it yields none.
bool StartSearch(const char* folder, HANDLE* search, WIN32_FIND_DATAA* found);

// The folder the Susie viewer keeps its plug-ins in; empty when unset or unreadable.
void ReadRegistryFolder(char (&folder)[kPathBuffer]);

// Walks PATH for the first directory holding a plug-in file. On success the
// folder holds that directory (trailing backslash removed) and the search has
// yielded its first file.
bool FindFolderAlongPath(char (&folder)[kPathBuffer], HANDLE* search, WIN32_FIND_DATAA* found);

enum class PluginFolderSource { none, registry, path };

// Where the plug-ins are: the registry's folder when it is set (used as read,
// plug-ins or not; its search is not started here), else the first directory
// along PATH that holds a plug-in file, whose search has then yielded its
// first file and is left open in *search for the caller to walk and close.
PluginFolderSource LocatePluginFolder(char (&folder)[kPathBuffer], HANDLE* search, WIN32_FIND_DATAA* found);

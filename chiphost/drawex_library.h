// The library as chiphost sees it: a module loaded by path and its nineteen
// exports, looked up by name once. All exports are cdecl.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include "win/host_records.h"

struct DrawExLibrary : DrawExExports {
    HMODULE module = nullptr;
};

// Paths here are UTF-8, as typed, and reach the system through its wide calls.

// Loads the library at path and binds every export. On failure the module is
// released again, *error names the path or the missing export, and false is
// returned. A loaded library is released with FreeDrawExLibrary.
bool LoadDrawExLibrary(const std::string& path, DrawExLibrary* library, std::string* error);
void FreeDrawExLibrary(DrawExLibrary* library);

// Brimsel.dxl next to chiphost.exe.
std::string DefaultLibraryPath();
// The spi folder next to chiphost.exe, or empty when there is none.
std::string DefaultPluginFolder();

// Puts dir in front of this process's PATH, so that the library finds image
// plug-ins there.
void PrependToPath(const std::string& dir);

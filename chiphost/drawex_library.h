// The library as chiphost sees it: a module loaded by path and its nineteen
// exports, looked up by name once. All exports are cdecl.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include "chip/host_records.h"

struct DrawExLibrary {
    HMODULE module = nullptr;
    int(__cdecl* DrawExSpecification)(PluginSpec*) = nullptr;
    int(__cdecl* DrawExConfigure)(HWND) = nullptr;
    int(__cdecl* DrawExAbout)(HWND) = nullptr;
    int(__cdecl* InitializeChip)(HLOCAL*, HWND, ChipInfo*) = nullptr;
    int(__cdecl* UnInitializeChip)(HLOCAL) = nullptr;
    int(__cdecl* CalcDefaultRect)(HLOCAL, HWND, int32_t*, const char*) = nullptr;
    int(__cdecl* DrawChip)(HLOCAL, HWND, HDC, const char*) = nullptr;
    int(__cdecl* MouseClik)() = nullptr;
    int(__cdecl* Resize)(HLOCAL, HWND) = nullptr;
    int(__cdecl* Zoom)(HLOCAL, int32_t, int32_t) = nullptr;
    int(__cdecl* Update)(HLOCAL, HWND, ChipInfo*) = nullptr;
    int(__cdecl* ExchangeSendString)() = nullptr;
    int(__cdecl* GetMemoString)(int32_t, char*, int32_t) = nullptr;
    INT_PTR(__cdecl* EditHelper)(HWND, EditRequest*) = nullptr;
    HMENU(__cdecl* GetDrawExMenu)(HLOCAL) = nullptr;
    int(__cdecl* DoDrawExMenu)(HLOCAL, HWND, uint32_t) = nullptr;
    int(__cdecl* GetSaveData)(HLOCAL, int32_t, HGLOBAL*) = nullptr;
    int(__cdecl* GetTimerSpan)(HLOCAL) = nullptr;
    int(__cdecl* DoTimer)(HLOCAL) = nullptr;
};

// Loads the library at path and binds every export. On failure the module is
// released again, *error names the path or the missing export, and false is
// returned. A loaded library is released with FreeDrawExLibrary.
bool LoadDrawExLibrary(const std::string& path, DrawExLibrary* library, std::string* error);
void FreeDrawExLibrary(DrawExLibrary* library);

// Brimsel.dxl next to chiphost.exe.
std::string DefaultLibraryPath();

// Puts dir in front of this process's PATH, so that the library finds image
// plug-ins there.
void PrependToPath(const std::string& dir);

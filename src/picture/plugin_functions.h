// The Susie plug-in functions the library calls, and the buffer sizes the
// plug-in code shares. Internal to picture/.
#pragma once
#include <windows.h>
#include <cstddef>

constexpr size_t kPathBuffer = MAX_PATH;   // folder, search pattern, module path; terminator included

// The Susie plug-in functions we call, stdcall, looked up by name.
using GetPluginInfoFunction = int(WINAPI*)(int infoNumber, LPSTR buffer, int bufferSize);
using IsSupportedFunction = int(WINAPI*)(LPCSTR path, DWORD file);
using GetPictureFunction = int(WINAPI*)(LPCSTR path, LONG position, unsigned flag, HANDLE* info, HANDLE* bits,
                                        FARPROC progress, LONG data);

struct PluginFunctions {
    GetPluginInfoFunction getPluginInfo;   // each may be null
    IsSupportedFunction isSupported;
    GetPictureFunction getPicture;
};

template <typename T>
inline T LookUp(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

inline PluginFunctions LookUpFunctions(HMODULE module) {
    PluginFunctions f{};
    if (!module) return f;
    f.getPluginInfo = LookUp<GetPluginInfoFunction>(module, "GetPluginInfo");
    f.isSupported = LookUp<IsSupportedFunction>(module, "IsSupported");
    f.getPicture = LookUp<GetPictureFunction>(module, "GetPicture");
    return f;
}

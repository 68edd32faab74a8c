// Path joining for the plug-in folder and the files in it, in the fixed
// buffers Windows' ANSI path functions take.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstring>

constexpr size_t kPathBuffer = MAX_PATH;   // folder, search pattern, module path; terminator included

// folder + "\" + name, or the bare name when the folder is empty. False when
// the result would not fit the buffer.
inline bool JoinPath(char (&out)[kPathBuffer], const char* folder, const char* name) {
    const size_t folderLength = std::strlen(folder);
    const size_t nameLength = std::strlen(name);
    const size_t separator = folderLength ? 1 : 0;
    if (folderLength + separator + nameLength >= kPathBuffer) return false;
    std::memcpy(out, folder, folderLength);
    if (separator) out[folderLength] = '\\';
    std::memcpy(out + folderLength + separator, name, nameLength + 1);
    return true;
}

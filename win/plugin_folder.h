// Where the installed image plug-ins are: the folder the Susie viewer keeps in
// the registry, else the first folder along PATH that holds a plug-in file.
// Header only, like the interface, for the library, the reference host and the
// tests.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include "win/kernel_guards.h"
#include "win/path_join.h"

namespace susie_detail {
constexpr char kSusieKey[] = "Software\\Takechin\\Susie\\Plug-in";
constexpr char kSusieValue[] = "Path";
constexpr char kPluginFiles[] = "*.spi";

// PATH as code page 932 text, on the heap; null when unset or empty. Read as
// wide text and converted: some platforms cut the ANSI reading of a value
// holding double-byte characters short by one byte per such character.
inline char* CopyPathVariable() {
    const DWORD needed = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (needed <= 1) return nullptr;
    HeapBuffer<wchar_t> wide(static_cast<wchar_t*>(std::malloc(needed * sizeof(wchar_t))));
    if (!wide) return nullptr;
    const DWORD length = GetEnvironmentVariableW(L"PATH", wide.get(), needed);
    if (length == 0 || length >= needed) return nullptr;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.get(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return nullptr;
    HeapBuffer<char> value(static_cast<char*>(std::malloc(bytes)));
    if (!value || WideCharToMultiByte(CP_ACP, 0, wide.get(), -1, value.get(), bytes, nullptr, nullptr) != bytes)
        return nullptr;
    return value.Release();
}
}  // namespace susie_detail

// The search for plug-in files in `folder`, having yielded its first file into
// `found`; an empty search when there is none.
inline FileSearch StartSearch(const char* folder, WIN32_FIND_DATAA* found) {
    char pattern[kPathBuffer];
    const size_t folderLength = std::strlen(folder);
    // The pattern always gets its separator, also after an empty folder.
    if (folderLength + 1 + sizeof(susie_detail::kPluginFiles) > kPathBuffer) return FileSearch(INVALID_HANDLE_VALUE);
    std::memcpy(pattern, folder, folderLength);
    pattern[folderLength] = '\\';
    std::memcpy(pattern + folderLength + 1, susie_detail::kPluginFiles, sizeof(susie_detail::kPluginFiles));
    return FileSearch(FindFirstFileA(pattern, found));
}

// The folder the Susie viewer keeps its plug-ins in; empty when unset or
// unreadable. The viewer writes the value; its bytes are taken as the folder
// text whatever type it was stored with, as every Susie host reads it, and only
// their length is checked.
inline void ReadRegistryFolder(char (&folder)[kPathBuffer]) {
    folder[0] = '\0';
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, susie_detail::kSusieKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return;
    DWORD size = kPathBuffer;
    if (RegQueryValueExA(key.get(), susie_detail::kSusieValue, nullptr, nullptr, reinterpret_cast<BYTE*>(folder),
                         &size) != ERROR_SUCCESS) {
        folder[0] = '\0';
        return;
    }
    // A stored text may lack its terminator; one that fills the whole buffer
    // without one does not fit and counts as unreadable.
    if (size < kPathBuffer)
        folder[size] = '\0';
    else if (folder[kPathBuffer - 1] != '\0')
        folder[0] = '\0';
}

// Walks PATH for the first directory holding a plug-in file. On success the
// folder holds that directory (trailing backslash removed) and the search has
// yielded its first file; otherwise the folder is empty and so is the search.
inline FileSearch FindFolderAlongPath(char (&folder)[kPathBuffer], WIN32_FIND_DATAA* found) {
    folder[0] = '\0';
    HeapBuffer<char> value(susie_detail::CopyPathVariable());
    if (!value) return FileSearch(INVALID_HANDLE_VALUE);
    for (const char* piece = value.get(); *piece;) {
        const char* end = std::strchr(piece, ';');
        const size_t pieceLength = end ? static_cast<size_t>(end - piece) : std::strlen(piece);
        // A directory too long for the buffers cannot be searched; go on.
        if (pieceLength > 0 && pieceLength < kPathBuffer) {
            std::memcpy(folder, piece, pieceLength);
            folder[pieceLength] = '\0';
            // The last character, not the last byte: in code page 932 a
            // double-byte character may end in the byte of "\".
            char* last = CharPrevA(folder, folder + pieceLength);
            if (last + 1 == folder + pieceLength && *last == '\\') *last = '\0';
            FileSearch search = StartSearch(folder, found);
            if (search) return search;
        }
        piece += pieceLength;
        if (*piece == ';') ++piece;
    }
    folder[0] = '\0';
    return FileSearch(INVALID_HANDLE_VALUE);
}

enum class PluginFolderSource { none, registry, path };

// Where the plug-ins are: the registry's folder when it is set, the only one
// searched then, plug-ins or not (its text used as read, trailing backslash and
// all; its search is not started here); else the first folder along PATH that
// holds a plug-in file, whose search, having yielded the first, goes to
// *pathSearch.
inline PluginFolderSource LocatePluginFolder(char (&folder)[kPathBuffer], WIN32_FIND_DATAA* found,
                                             FileSearch* pathSearch) {
    ReadRegistryFolder(folder);
    if (folder[0]) return PluginFolderSource::registry;
    *pathSearch = FindFolderAlongPath(folder, found);
    return *pathSearch ? PluginFolderSource::path : PluginFolderSource::none;
}

// The plug-in folder and the search of its plug-in files, having yielded the
// first; an empty search when there are none.
inline FileSearch FindPluginFiles(char (&folder)[kPathBuffer], WIN32_FIND_DATAA* found) {
    FileSearch search(INVALID_HANDLE_VALUE);
    if (LocatePluginFolder(folder, found, &search) == PluginFolderSource::registry) return StartSearch(folder, found);
    return search;
}

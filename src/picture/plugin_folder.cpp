// Folder search for plug-in files.
#include "picture/plugin_folder.h"
#include <cstdlib>
#include <cstring>
#include "win/kernel_guards.h"

namespace {
constexpr char kSusieKey[] = "Software\\Takechin\\Susie\\Plug-in";
constexpr char kSusieValue[] = "Path";
constexpr char kPluginFiles[] = "*.spi";

// PATH as code page 932 text, on the heap; null when unset or empty. Read as
// wide text and converted: some platforms cut the ANSI reading of a value
// holding double-byte characters short by one byte per such character.
char* CopyPathVariable() {
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
}  // namespace

// folder + "\" + name, or the bare name when the folder is empty. False when
// the result would not fit the buffer.
bool JoinPath(char (&out)[kPathBuffer], const char* folder, const char* name) {
    const size_t folderLength = std::strlen(folder);
    const size_t nameLength = std::strlen(name);
    const size_t separator = folderLength ? 1 : 0;
    if (folderLength + separator + nameLength >= kPathBuffer) return false;
    std::memcpy(out, folder, folderLength);
    if (separator) out[folderLength] = '\\';
    std::memcpy(out + folderLength + separator, name, nameLength + 1);
    return true;
}

// Starts the search for plug-in files in `folder`; false when it yields none.
bool StartSearch(const char* folder, HANDLE* search, WIN32_FIND_DATAA* found) {
    char pattern[kPathBuffer];
    const size_t folderLength = std::strlen(folder);
    // The pattern always gets its separator, also after an empty folder.
    if (folderLength + 1 + sizeof(kPluginFiles) > kPathBuffer) return false;
    std::memcpy(pattern, folder, folderLength);
    pattern[folderLength] = '\\';
    std::memcpy(pattern + folderLength + 1, kPluginFiles, sizeof(kPluginFiles));
    *search = FindFirstFileA(pattern, found);
    return *search != INVALID_HANDLE_VALUE;
}

// The folder the Susie viewer keeps its plug-ins in; empty when unset or unreadable.
void ReadRegistryFolder(char (&folder)[kPathBuffer]) {
    folder[0] = '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSusieKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD size = kPathBuffer;
    const LONG status = RegQueryValueExA(key, kSusieValue, nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
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
// yielded its first file.
bool FindFolderAlongPath(char (&folder)[kPathBuffer], HANDLE* search, WIN32_FIND_DATAA* found) {
    folder[0] = '\0';
    HeapBuffer<char> value(CopyPathVariable());
    if (!value) return false;
    bool yielded = false;
    for (const char* piece = value.get(); *piece && !yielded;) {
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
            yielded = StartSearch(folder, search, found);
        }
        piece += pieceLength;
        if (*piece == ';') ++piece;
    }
    if (!yielded) folder[0] = '\0';
    return yielded;
}

PluginFolderSource LocatePluginFolder(char (&folder)[kPathBuffer], HANDLE* search, WIN32_FIND_DATAA* found) {
    *search = INVALID_HANDLE_VALUE;
    ReadRegistryFolder(folder);
    if (folder[0]) return PluginFolderSource::registry;
    return FindFolderAlongPath(folder, search, found) ? PluginFolderSource::path : PluginFolderSource::none;
}

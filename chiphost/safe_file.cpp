#include "safe_file.h"
#include <windows.h>

bool ReplaceFileContents(const std::string& path, const void* bytes, size_t size, std::string* error) {
    const std::string temp = path + ".new";
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *error = "cannot create " + temp + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    DWORD written = 0;
    const bool wrote = WriteFile(h, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
    const bool flushed = wrote && FlushFileBuffers(h);
    CloseHandle(h);
    if (!flushed) {
        DeleteFileA(temp.c_str());
        *error = "cannot write " + temp;
        return false;
    }
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = "cannot replace " + path + " with " + temp + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

std::string BackUpFile(const std::string& path) {
    for (int n = 1; n < 100; ++n) {
        std::string name = path + ".damaged";
        if (n > 1) name += "-" + std::to_string(n);
        if (GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        return CopyFileA(path.c_str(), name.c_str(), TRUE) ? name : std::string();
    }
    return std::string();
}

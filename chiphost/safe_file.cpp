#include "safe_file.h"
#include <windows.h>
#include "system_error.h"
#include "win/kernel_guards.h"
#include "text_codec.h"

namespace {
// What a failed step says: the step, the file and the system's reason, read
// before anything else runs.
std::string StepFailed(const std::string& step, const std::string& file, DWORD code) {
    return "cannot " + step + " " + file + ": " + SystemErrorText(code);
}
}  // namespace

std::string RealFilePath(const std::string& path) {
    const std::wstring wide = Utf8ToWide(path);
    wchar_t full[MAX_PATH * 2] = L"";
    const DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH * 2, full, nullptr);
    std::wstring result = length > 0 && length < MAX_PATH * 2 ? std::wstring(full, length) : wide;
    FileHandle h(CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return WideToUtf8(result);
    wchar_t final[MAX_PATH * 2] = L"";
    const DWORD n = GetFinalPathNameByHandleW(h.get(), final, MAX_PATH * 2, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    h.Close();
    if (n == 0 || n >= MAX_PATH * 2) return WideToUtf8(result);
    result.assign(final, n);
    // "\\?\C:\..." or "\\?\UNC\server\...": the plain form, which the rest
    // of the system (and the user) knows.
    if (result.compare(0, 8, L"\\\\?\\UNC\\") == 0) result = L"\\\\" + result.substr(8);
    else if (result.compare(0, 4, L"\\\\?\\") == 0) result = result.substr(4);
    return WideToUtf8(result);
}

bool ReplaceFileContents(const std::string& path, const void* bytes, size_t size, std::string* error) {
    const std::string target = RealFilePath(path);
    const std::string temp = target + ".new";
    const std::wstring wideTemp = Utf8ToWide(temp);
    FileHandle h(CreateFileW(wideTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) {
        *error = StepFailed("create", temp, GetLastError());
        return false;
    }
    DWORD written = 0;
    std::string failed;
    if (!WriteFile(h.get(), bytes, static_cast<DWORD>(size), &written, nullptr))
        failed = StepFailed("write", temp, GetLastError());
    else if (written != size) failed = StepFailed("write", temp, ERROR_DISK_FULL);
    else if (!FlushFileBuffers(h.get())) failed = StepFailed("flush to the disk", temp, GetLastError());
    if (!h.Close() && failed.empty()) failed = StepFailed("close", temp, GetLastError());
    if (!failed.empty()) {
        DeleteFileW(wideTemp.c_str());
        *error = failed;
        return false;
    }
    if (!MoveFileExW(wideTemp.c_str(), Utf8ToWide(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = StepFailed("replace", target, GetLastError()) + "; what was to be saved is kept in " + temp;
        return false;
    }
    return true;
}

std::string BackUpFile(const std::string& path, const std::string& suffix) {
    for (int n = 1; n < 100; ++n) {
        std::string name = path + suffix;
        if (n > 1) name += "-" + std::to_string(n);
        if (PathExists(name)) continue;
        return CopyFileW(Utf8ToWide(path).c_str(), Utf8ToWide(name).c_str(), TRUE) ? name : std::string();
    }
    return std::string();
}

unsigned long long FileWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

#include "scoped_state.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace {
HKEY OpenKey(const std::string& key, REGSAM access) {
    HKEY open = nullptr;
    return RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, access, &open) == ERROR_SUCCESS ? open : nullptr;
}

// The value's type and bytes, if it is there.
bool ReadValue(const std::string& key, const std::string& name, DWORD* type, std::vector<BYTE>* bytes) {
    const HKEY open = OpenKey(key, KEY_READ);
    DWORD size = 0;
    bool found = open && RegQueryValueExA(open, name.c_str(), nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    bytes->resize(size);
    found = found && RegQueryValueExA(open, name.c_str(), nullptr, type, bytes->data(), &size) == ERROR_SUCCESS;
    if (open) RegCloseKey(open);
    return found;
}

// Null data removes the value, and makes no key for it.
void WriteValue(const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY open = data ? nullptr : OpenKey(key, KEY_WRITE);
    if (data && RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &open, nullptr))
        ADD_FAILURE() << "cannot create HKCU\\" << key;
    if (!open) return;
    if (data)
        RegSetValueExA(open, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    else
        RegDeleteValueA(open, name.c_str());
    RegCloseKey(open);
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->assign(GetFileSize(file, nullptr), '\0');
    DWORD done = 0;
    ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &done, nullptr);
    CloseHandle(file);
    return true;
}

void WriteFileBytes(const std::string& path, const std::string* bytes) {
    if (!bytes) {
        if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) ADD_FAILURE() << "cannot remove " << path;
        return;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    if (!WriteFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &done, nullptr))
        ADD_FAILURE() << "cannot write " << path;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}
}  // namespace

ScopedState ScopedState::RegistryValue(const std::string& key, const std::string& name, DWORD type, const void* data,
                                       DWORD size) {
    std::vector<std::string> made;   // keys missing now, innermost first: removed again once empty
    for (size_t end = key.size(); end != std::string::npos; end = key.rfind('\\', end - 1)) {
        if (const HKEY open = OpenKey(key.substr(0, end), KEY_READ)) {
            RegCloseKey(open);
            break;
        }
        made.push_back(key.substr(0, end));
    }
    DWORD oldType = 0;
    std::vector<BYTE> old;
    const bool had = ReadValue(key, name, &oldType, &old);
    WriteValue(key, name, type, data, size);
    return ScopedState([=] {
        WriteValue(key, name, oldType, had ? old.data() : nullptr, static_cast<DWORD>(old.size()));
        for (const std::string& k : made)
            if (RegistryKeyText(k).empty()) RegDeleteKeyA(HKEY_CURRENT_USER, k.c_str());
    });
}

ScopedState ScopedState::ClassesKey(const std::string& key) {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    return ScopedState([key] { RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str()); });
}

ScopedState ScopedState::RegistryText(const std::string& key, const std::string& name, const char* text) {
    return RegistryValue(key, name, REG_SZ, text, text ? static_cast<DWORD>(std::strlen(text) + 1) : 0);
}

ScopedState ScopedState::Environment(const std::string& name, const char* value) {
    std::vector<char> old(GetEnvironmentVariableA(name.c_str(), nullptr, 0) + 1);
    SetLastError(0);
    const bool had = GetEnvironmentVariableA(name.c_str(), old.data(), static_cast<DWORD>(old.size())) > 0 ||
                     GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    SetEnvironmentVariableA(name.c_str(), value);
    return ScopedState([=] { SetEnvironmentVariableA(name.c_str(), had ? old.data() : nullptr); });
}

ScopedState ScopedState::CurrentFolder(const std::string& folder) {
    char old[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, old);
    EXPECT_TRUE(SetCurrentDirectoryA(folder.c_str())) << folder;
    return ScopedState([start = std::string(old)] { SetCurrentDirectoryA(start.c_str()); });
}

ScopedState ScopedState::File(const std::string& path, const std::string* bytes) {
    std::string old;
    const bool had = ReadFileBytes(path, &old);
    WriteFileBytes(path, bytes);
    return ScopedState([=] { WriteFileBytes(path, had ? &old : nullptr); });
}

void ScopedState::Restore() {
    if (restore_) restore_();
    restore_ = nullptr;
}

std::string RegistryValueText(const std::string& key, const std::string& name) {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    return ReadValue(key, name, &type, &bytes) ? std::to_string(type) + ":" + std::string(bytes.begin(), bytes.end())
                                               : "none";
}

std::string RegistryKeyText(const std::string& key) {
    const HKEY open = OpenKey(key, KEY_READ);
    if (!open) return "no key\n";
    std::string text;
    char name[256];
    for (DWORD i = 0, size = sizeof(name); !RegEnumValueA(open, i, name, &size, nullptr, nullptr, nullptr, nullptr);
         size = sizeof(name), ++i)
        text += std::string(name) + "=" + RegistryValueText(key, name) + "\n";
    for (DWORD i = 0, size = sizeof(name); !RegEnumKeyExA(open, i, name, &size, nullptr, nullptr, nullptr, nullptr);
         size = sizeof(name), ++i)
        text += std::string(name) + "\\\n";
    RegCloseKey(open);
    return text;
}

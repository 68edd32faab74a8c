#include "scoped_state.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace {
bool KeyExists(const std::string& key) {
    HKEY open = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS) return false;
    RegCloseKey(open);
    return true;
}

// The value's type and bytes, if it is there.
bool ReadValue(const std::string& key, const std::string& name, DWORD* type, std::vector<BYTE>* bytes) {
    HKEY open = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    bool found = RegQueryValueExA(open, name.c_str(), nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    bytes->resize(size);
    found = found && RegQueryValueExA(open, name.c_str(), nullptr, type, bytes->data(), &size) == ERROR_SUCCESS;
    RegCloseKey(open);
    return found;
}

void WriteValue(const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY open = nullptr;
    if (!data && !KeyExists(key)) return;   // nothing to remove
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &open, nullptr) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create HKCU\\" << key;
        return;
    }
    if (data)
        RegSetValueExA(open, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    else
        RegDeleteValueA(open, name.c_str());
    RegCloseKey(open);
}

bool KeyIsEmpty(const std::string& key) {
    HKEY open = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS) return false;
    DWORD keys = 1, values = 1;
    RegQueryInfoKeyA(open, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(open);
    return keys == 0 && values == 0;
}

std::string Variable(const std::string& name, bool* had) {
    std::vector<char> value(GetEnvironmentVariableA(name.c_str(), nullptr, 0) + 1);
    SetLastError(0);
    *had = GetEnvironmentVariableA(name.c_str(), value.data(), static_cast<DWORD>(value.size())) > 0 ||
           GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    return value.data();
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->assign(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr);
    CloseHandle(file);
    return true;
}

void WriteFileBytes(const std::string& path, const std::string* bytes) {
    if (!bytes) {
        DeleteFileA(path.c_str());
        return;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) ADD_FAILURE() << "cannot write " << path;
    DWORD written = 0;
    WriteFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &written, nullptr);
    CloseHandle(file);
}
}  // namespace

ScopedState ScopedState::RegistryValue(const std::string& key, const std::string& name, DWORD type, const void* data,
                                       DWORD size) {
    std::vector<std::string> made;   // keys this makes, innermost first
    for (size_t end = key.size(); end != std::string::npos && !KeyExists(key.substr(0, end));
         end = end ? key.rfind('\\', end - 1) : std::string::npos)
        made.push_back(key.substr(0, end));
    DWORD oldType = 0;
    std::vector<BYTE> old;
    const bool had = ReadValue(key, name, &oldType, &old);
    WriteValue(key, name, type, data, size);
    return ScopedState([=] {
        WriteValue(key, name, oldType, had ? old.data() : nullptr, static_cast<DWORD>(old.size()));
        for (const std::string& k : made)
            if (KeyIsEmpty(k)) RegDeleteKeyA(HKEY_CURRENT_USER, k.c_str());
    });
}

ScopedState ScopedState::RegistryText(const std::string& key, const std::string& name, const char* text) {
    return RegistryValue(key, name, REG_SZ, text, text ? static_cast<DWORD>(std::strlen(text) + 1) : 0);
}

ScopedState ScopedState::Environment(const std::string& name, const char* value) {
    bool had = false;
    const std::string old = Variable(name, &had);
    SetEnvironmentVariableA(name.c_str(), value);
    return ScopedState([=] { SetEnvironmentVariableA(name.c_str(), had ? old.c_str() : nullptr); });
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
    if (!ReadValue(key, name, &type, &bytes)) return "none";
    return std::to_string(type) + ":" + std::string(bytes.begin(), bytes.end());
}

std::string RegistryKeyText(const std::string& key) {
    HKEY open = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS) return "no key\n";
    std::string text;
    char name[256];
    for (DWORD i = 0, size = sizeof(name); RegEnumValueA(open, i, name, &size, nullptr, nullptr, nullptr, nullptr) ==
                                           ERROR_SUCCESS; size = sizeof(name), ++i)
        text += std::string(name) + "=" + RegistryValueText(key, name) + "\n";
    RegCloseKey(open);
    return text;
}

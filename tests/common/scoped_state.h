// State outside the test program's own memory that a test changes: a registry
// value, an environment variable, the current folder or a file in the prefix.
// Set for the life of the object and put back as it was on every path, failing
// or not. A test that reads such state sets or removes it at its start, so a
// run that was killed halfway cannot fail the next one.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

class ScopedState {
public:
    // HKCU\key value `name` set to `size` bytes of `type`; null data removes it.
    // Keys made for it are removed again once empty.
    static ScopedState RegistryValue(const std::string& key, const std::string& name, DWORD type, const void* data,
                                     DWORD size);
    // A REG_SZ value, or none for null.
    static ScopedState RegistryText(const std::string& key, const std::string& name, const char* text);
    // HKCR\key and all under it removed now and again at the end, for keys a
    // test registers there (the system's classes, shared by the whole prefix).
    static ScopedState ClassesKey(const std::string& key);
    // A variable of this process's environment, or none for null.
    static ScopedState Environment(const std::string& name, const char* value);
    static ScopedState CurrentFolder(const std::string& folder);
    // A file holding `bytes`, or no file for null.
    static ScopedState File(const std::string& path, const std::string* bytes);

    ScopedState(ScopedState&& other) noexcept : restore_(std::move(other.restore_)) { other.restore_ = nullptr; }
    ScopedState& operator=(ScopedState&&) = delete;
    ~ScopedState() { Restore(); }
    void Restore();

private:
    explicit ScopedState(std::function<void()> restore) : restore_(std::move(restore)) {}
    std::function<void()> restore_;
};

// HKCU\key value `name` as "<type>:<bytes>", or "none".
std::string RegistryValueText(const std::string& key, const std::string& name);
// Every value of HKCU\key, a line each with its name, then its subkeys; "no key" when missing.
std::string RegistryKeyText(const std::string& key);

constexpr char kSusieFolderKey[] = "Software\\Takechin\\Susie\\Plug-in";
constexpr char kHostCustomKey[] = "Software\\Corvane\\Vellumin\\Custom";

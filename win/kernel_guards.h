// Scope guards for the kernel objects the library holds within one call: open
// files and searches, registry keys, loaded modules, locks on local and global
// memory blocks, and malloc'd buffers. Each frees or unlocks on every path out of its scope.
#pragma once
#include <windows.h>
#include <cstdlib>

// An open file from CreateFileA, closed at scope end.
class FileHandle {
public:
    explicit FileHandle(HANDLE file) : file_(file) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return file_; }
    // Closes the file before the scope ends.
    void Close() {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    explicit operator bool() const { return file_ != INVALID_HANDLE_VALUE; }
private:
    HANDLE file_;
};

// A search from FindFirstFileA, closed at scope end; movable, so that the
// function that starts a search can hand it to its caller.
class FileSearch {
public:
    explicit FileSearch(HANDLE search) : search_(search) {}
    ~FileSearch() { if (search_ != INVALID_HANDLE_VALUE) FindClose(search_); }
    FileSearch(FileSearch&& other) noexcept : search_(other.search_) { other.search_ = INVALID_HANDLE_VALUE; }
    FileSearch& operator=(FileSearch&& other) noexcept {
        if (this != &other) {
            if (search_ != INVALID_HANDLE_VALUE) FindClose(search_);
            search_ = other.search_;
            other.search_ = INVALID_HANDLE_VALUE;
        }
        return *this;
    }
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;
    HANDLE get() const { return search_; }
    explicit operator bool() const { return search_ != INVALID_HANDLE_VALUE; }
private:
    HANDLE search_;
};

// A registry key opened into Receive(), closed at scope end.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { if (key_) RegCloseKey(key_); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY get() const { return key_; }
    // Where RegOpenKeyExA stores the key.
    HKEY* Receive() { return &key_; }
private:
    HKEY key_ = nullptr;
};

// A module from LoadLibraryA, freed at scope end unless handed on with Release().
class LoadedModule {
public:
    explicit LoadedModule(HMODULE module) : module_(module) {}
    ~LoadedModule() { if (module_) FreeLibrary(module_); }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    HMODULE get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }
    // Hands the module on; the new owner frees it.
    HMODULE Release() {
        HMODULE released = module_;
        module_ = nullptr;
        return released;
    }
private:
    HMODULE module_;
};

// A local memory block handed over by someone else, freed at scope end.
class LocalMemory {
public:
    explicit LocalMemory(HLOCAL handle) : handle_(handle) {}
    ~LocalMemory() { if (handle_) LocalFree(handle_); }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    HLOCAL get() const { return handle_; }
    SIZE_T size() const { return handle_ ? LocalSize(handle_) : 0; }
private:
    HLOCAL handle_;
};

// A global memory block, freed at scope end.
class GlobalMemory {
public:
    explicit GlobalMemory(HGLOBAL handle) : handle_(handle) {}
    ~GlobalMemory() { if (handle_) GlobalFree(handle_); }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    HGLOBAL get() const { return handle_; }
    SIZE_T size() const { return handle_ ? GlobalSize(handle_) : 0; }
private:
    HGLOBAL handle_;
};

// A local memory block locked for the scope. get() is null when the handle is
// null or cannot be locked; the block is unlocked when the guard goes.
template <typename T>
class LockedLocal {
public:
    explicit LockedLocal(HLOCAL handle)
        : handle_(handle), data_(handle ? static_cast<T*>(LocalLock(handle)) : nullptr) {}
    ~LockedLocal() { if (data_) LocalUnlock(handle_); }
    LockedLocal(const LockedLocal&) = delete;
    LockedLocal& operator=(const LockedLocal&) = delete;
    T* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }
    T* operator->() const { return data_; }
private:
    HLOCAL handle_;
    T* data_;
};

// The same for a global memory block.
template <typename T>
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL handle)
        : handle_(handle), data_(handle ? static_cast<T*>(GlobalLock(handle)) : nullptr) {}
    ~LockedGlobal() { if (data_) GlobalUnlock(handle_); }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    T* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }
    T* operator->() const { return data_; }
private:
    HGLOBAL handle_;
    T* data_;
};

// A buffer from malloc, freed at scope end unless handed on with Release().
template <typename T>
class HeapBuffer {
public:
    explicit HeapBuffer(T* data = nullptr) : data_(data) {}
    ~HeapBuffer() { std::free(data_); }
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;
    T* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }
    // Hands the buffer on; the new owner frees it.
    T* Release() {
        T* released = data_;
        data_ = nullptr;
        return released;
    }
private:
    T* data_;
};

// Scope guards for the kernel objects the library, the host and the plug-in
// hold: open files, searches and other kernel handles, registry keys, loaded
// modules, local and global memory blocks and their locks, malloc'd buffers
// and process heap blocks. Each frees or unlocks on every path out of its
// scope; those that can hand their object on do so with Release().
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdlib>

// An open file from CreateFileA, closed at scope end.
class FileHandle {
public:
    explicit FileHandle(HANDLE file) : file_(file) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return file_; }
    // Closes what it held and takes another file (or none).
    void Reset(HANDLE file) {
        Close();
        file_ = file;
    }
    // Closes the file before the scope ends; false when closing failed (a
    // write the system had kept back may be what failed).
    bool Close() {
        const bool closed = file_ == INVALID_HANDLE_VALUE || CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        return closed;
    }
    explicit operator bool() const { return file_ != INVALID_HANDLE_VALUE; }
private:
    HANDLE file_;
};

// Any other kernel object (a process, thread, job or event), where null means
// none; closed at scope end unless handed on with Release().
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~KernelHandle() { if (handle_) CloseHandle(handle_); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    HANDLE Release() {
        HANDLE released = handle_;
        handle_ = nullptr;
        return released;
    }

private:
    HANDLE handle_;
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

// A local memory block, freed at scope end unless handed on with Release().
class LocalMemory {
public:
    explicit LocalMemory(HLOCAL handle) : handle_(handle) {}
    ~LocalMemory() { if (handle_) LocalFree(handle_); }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    HLOCAL get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    SIZE_T size() const { return handle_ ? LocalSize(handle_) : 0; }
    HLOCAL Release() {
        HLOCAL released = handle_;
        handle_ = nullptr;
        return released;
    }
private:
    HLOCAL handle_;
};

// A global memory block, freed at scope end unless handed on with Release().
class GlobalMemory {
public:
    explicit GlobalMemory(HGLOBAL handle) : handle_(handle) {}
    ~GlobalMemory() { if (handle_) GlobalFree(handle_); }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    HGLOBAL get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    SIZE_T size() const { return handle_ ? GlobalSize(handle_) : 0; }
    HGLOBAL Release() {
        HGLOBAL released = handle_;
        handle_ = nullptr;
        return released;
    }
    // Frees what it held and takes another block (or none).
    void Reset(HGLOBAL handle) {
        if (handle_) GlobalFree(handle_);
        handle_ = handle;
    }
    // For a call that re-allocates the block in place (GetSaveData): the
    // handle it stores there is the guard's to free.
    HGLOBAL* InOut() { return &handle_; }
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
    ~LockedLocal() { Unlock(); }
    LockedLocal(const LockedLocal&) = delete;
    LockedLocal& operator=(const LockedLocal&) = delete;
    T* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }
    T* operator->() const { return data_; }
    // Unlocks before the scope ends, so the block can be handed on unlocked.
    void Unlock() {
        if (data_) LocalUnlock(handle_);
        data_ = nullptr;
    }
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

// A block from the process heap (the plug-in's allocator: it carries no C
// runtime), freed at scope end unless handed on with Release(). Movable, so a
// picture can take over a reduced copy's pixels.
template <typename T>
class ProcessHeapBlock {
public:
    ProcessHeapBlock() = default;
    // `bytes` from the process heap; HEAP_ZERO_MEMORY in `flags` zeroes them.
    explicit ProcessHeapBlock(size_t bytes, DWORD flags = 0)
        : data_(static_cast<T*>(HeapAlloc(GetProcessHeap(), flags, bytes))) {}
    ~ProcessHeapBlock() { Free(); }
    ProcessHeapBlock(ProcessHeapBlock&& other) noexcept : data_(other.Release()) {}
    ProcessHeapBlock& operator=(ProcessHeapBlock&& other) noexcept {
        if (this != &other) {
            Free();
            data_ = other.Release();
        }
        return *this;
    }
    ProcessHeapBlock(const ProcessHeapBlock&) = delete;
    ProcessHeapBlock& operator=(const ProcessHeapBlock&) = delete;
    T* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }
    T& operator[](size_t i) const { return data_[i]; }
    T* Release() {
        T* released = data_;
        data_ = nullptr;
        return released;
    }

private:
    void Free() {
        if (data_) HeapFree(GetProcessHeap(), 0, data_);
        data_ = nullptr;
    }
    T* data_ = nullptr;
};

// Pages of their own from the system, given back whole at scope end unless
// handed on with Release(). Movable, like ProcessHeapBlock.
template <typename T>
class VirtualPages {
public:
    VirtualPages() = default;
    explicit VirtualPages(size_t bytes)
        : data_(static_cast<T*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
    ~VirtualPages() { Free(); }
    VirtualPages(VirtualPages&& other) noexcept : data_(other.Release()) {}
    VirtualPages& operator=(VirtualPages&& other) noexcept {
        if (this != &other) {
            Free();
            data_ = other.Release();
        }
        return *this;
    }
    VirtualPages(const VirtualPages&) = delete;
    VirtualPages& operator=(const VirtualPages&) = delete;
    T* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }
    T* Release() {
        T* released = data_;
        data_ = nullptr;
        return released;
    }

private:
    void Free() {
        if (data_) VirtualFree(data_, 0, MEM_RELEASE);
        data_ = nullptr;
    }
    T* data_ = nullptr;
};

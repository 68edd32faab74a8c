// Bytes at the very end of a committed page followed by an inaccessible one,
// so that reading one byte too far faults.
#pragma once
#include <windows.h>
#include <cstring>
#include <string>
#include <vector>

class GuardedBytes {
public:
    GuardedBytes(const void* bytes, size_t size) {
        const size_t pages = (size + 4095) / 4096 + 1;
        base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, pages * 4096, MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base_ + (pages - 1) * 4096, 4096, PAGE_NOACCESS, &old);
        data_ = base_ + (pages - 1) * 4096 - size;
        if (size) std::memcpy(data_, bytes, size);
    }
    explicit GuardedBytes(const std::vector<unsigned char>& bytes) : GuardedBytes(bytes.data(), bytes.size()) {}
    // A text with its terminator as the last readable byte.
    explicit GuardedBytes(const std::string& text) : GuardedBytes(text.c_str(), text.size() + 1) {}
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    const unsigned char* data() const { return data_; }
    const char* text() const { return reinterpret_cast<const char*>(data_); }

private:
    unsigned char* base_;
    unsigned char* data_;
};

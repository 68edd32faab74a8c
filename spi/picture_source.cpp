#include "picture_source.h"
#include "win/susie_plugin.h"
#include "win/kernel_guards.h"

namespace {
// Files beyond this cannot hold a picture within the pixel budget in any
// format we read, and would not fit a 32-bit process anyway.
constexpr uint64_t kMaxFileBytes = 1024u * 1024 * 1024;
}  // namespace

int PictureSource::Open(const char* buf, LONG len, unsigned flag) {
    if (!buf) return kSpiInternalError;
    switch (flag & kSpiInputMask) {
    case kSpiInputMemory:
        if (len < 0) return kSpiInternalError;
        data_ = reinterpret_cast<const unsigned char*>(buf);
        size_ = static_cast<size_t>(len);
        return kSpiSuccess;
    case kSpiInputFile: {
        if (len < 0) return kSpiFileReadError;
        const FileHandle file(CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return kSpiFileReadError;
        LARGE_INTEGER fileSize;
        if (!GetFileSizeEx(file.get(), &fileSize)) return kSpiFileReadError;
        const uint64_t total = static_cast<uint64_t>(fileSize.QuadPart);
        const uint64_t offset = static_cast<uint64_t>(len);
        const uint64_t size = total > offset ? total - offset : 0;
        if (size == 0) return kSpiSuccess;
        if (size > kMaxFileBytes) return kSpiOutOfMemory;
        owned_ = ProcessHeapBlock<unsigned char>(static_cast<size_t>(size));
        if (!owned_) return kSpiOutOfMemory;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) return kSpiFileReadError;
        size_t done = 0;
        while (done < size) {
            DWORD got = 0;
            const size_t left = static_cast<size_t>(size) - done;
            const DWORD want = left < (1u << 24) ? static_cast<DWORD>(left) : (1u << 24);
            if (!ReadFile(file.get(), owned_.get() + done, want, &got, nullptr)) return kSpiFileReadError;
            if (got == 0) break;   // shrank while we read: what we have is the picture
            done += got;
        }
        data_ = owned_.get();
        size_ = done;
        return kSpiSuccess;
    }
    default:
        return kSpiNotImplemented;
    }
}

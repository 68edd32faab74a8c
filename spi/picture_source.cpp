#include "picture_source.h"
#include <cstdlib>
#include <cstring>
#include "import_interface.h"

namespace {
constexpr uint32_t kReadAheadBytes = 64 * 1024;
}

PictureSource::~PictureSource() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    std::free(buffer_);
}

int PictureSource::Open(const char* buf, LONG len, unsigned flag) {
    if (!buf) return kSpiInternalError;
    switch (flag & kSpiInputMask) {
    case kSpiInputMemory:
        if (len < 0) return kSpiInternalError;
        memory_ = reinterpret_cast<const unsigned char*>(buf);
        size_ = static_cast<uint64_t>(len);
        return kSpiSuccess;
    case kSpiInputFile: {
        if (len < 0) return kSpiFileReadError;
        file_ = CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) return kSpiFileReadError;
        LARGE_INTEGER fileSize;
        if (!GetFileSizeEx(file_, &fileSize)) return kSpiFileReadError;
        fileOffset_ = static_cast<uint64_t>(len);
        const uint64_t total = static_cast<uint64_t>(fileSize.QuadPart);
        size_ = total > fileOffset_ ? total - fileOffset_ : 0;
        buffer_ = static_cast<unsigned char*>(std::malloc(kReadAheadBytes));
        return buffer_ ? kSpiSuccess : kSpiOutOfMemory;
    }
    default:
        return kSpiNotImplemented;
    }
}

bool PictureSource::FillBuffer() {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(fileOffset_ + position_);
    DWORD got = 0;
    const uint64_t left = size_ - position_;
    const DWORD want = left < kReadAheadBytes ? static_cast<DWORD>(left) : kReadAheadBytes;
    if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) || !ReadFile(file_, buffer_, want, &got, nullptr) ||
        got == 0) {
        readFailed_ = true;
        bufferFill_ = 0;
        return false;
    }
    bufferStart_ = position_;
    bufferFill_ = got;
    return true;
}

int PictureSource::Read(char* data, int size) {
    if (size <= 0) return 0;
    if (!decoderBuffer_) decoderBuffer_ = data;
    if (AtEnd()) {
        overran_ = true;
        return 0;
    }
    int done = 0;
    while (done < size && !AtEnd()) {
        const unsigned char* from;
        uint64_t available;
        if (memory_) {
            from = memory_ + position_;
            available = size_ - position_;
        } else {
            if (position_ < bufferStart_ || position_ >= bufferStart_ + bufferFill_) {
                if (!FillBuffer()) break;
            }
            from = buffer_ + (position_ - bufferStart_);
            available = bufferStart_ + bufferFill_ - position_;
        }
        const uint32_t n = available < static_cast<uint64_t>(size - done) ? static_cast<uint32_t>(available)
                                                                          : static_cast<uint32_t>(size - done);
        std::memcpy(data + done, from, n);
        done += n;
        position_ += n;
    }
    if (done < size && data != decoderBuffer_) overran_ = true;
    return done;
}

void PictureSource::Skip(int n) {
    if (n <= 0) return;
    position_ += static_cast<uint64_t>(n);
    if (position_ > size_) {
        position_ = size_;
        overran_ = true;
    }
}

void PictureSource::Rewind() {
    position_ = 0;
    decoderBuffer_ = nullptr;
    overran_ = false;
    readFailed_ = false;
}

uint32_t PictureSource::ReadHead(unsigned char* head, uint32_t max) {
    const uint64_t saved = position_;
    const bool savedOverran = overran_;
    const char* savedDecoderBuffer = decoderBuffer_;
    decoderBuffer_ = reinterpret_cast<const char*>(head);
    position_ = 0;
    uint32_t done = 0;
    while (done < max && !AtEnd()) {
        const int got = Read(reinterpret_cast<char*>(head) + done, static_cast<int>(max - done));
        if (got <= 0) break;
        done += got;
    }
    position_ = saved;
    overran_ = savedOverran;
    decoderBuffer_ = savedDecoderBuffer;
    return done;
}

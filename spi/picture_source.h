// The bytes of one picture: a file read whole from a byte offset on, or a
// block of the caller's memory. Every decoder works on this one span, so none
// of them can read past the picture's end without checking its size.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "win/kernel_guards.h"

class PictureSource {
public:
    PictureSource() = default;
    PictureSource(const PictureSource&) = delete;
    PictureSource& operator=(const PictureSource&) = delete;

    // buf and len as GetPictureInfo and GetPicture receive them; flag selects
    // file or memory. The memory is borrowed and must outlive the source.
    // Returns an SpiResult.
    int Open(const char* buf, LONG len, unsigned flag);

    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
    ProcessHeapBlock<unsigned char> owned_;   // the file's bytes, on the process heap
};

// The bytes of one picture as the decoder reads them: a file from a byte
// offset on, or a block of the caller's memory. Reads stop at the picture's
// end; a decoder that asks for more than there is gets marked as having
// overrun, which means the picture was cut short.
#pragma once
#include <windows.h>
#include <cstdint>

class PictureSource {
public:
    PictureSource() = default;
    ~PictureSource();
    PictureSource(const PictureSource&) = delete;
    PictureSource& operator=(const PictureSource&) = delete;

    // buf and len as GetPictureInfo and GetPicture receive them; flag selects
    // file or memory. The memory is borrowed and must outlive the source.
    // Returns an SpiResult.
    int Open(const char* buf, LONG len, unsigned flag);

    // Copies up to max bytes from the picture's start into head and returns
    // how many; the read position is left where it was.
    uint32_t ReadHead(unsigned char* head, uint32_t max);

    // Back to the picture's start, with the overrun and read error marks
    // cleared; the next decoder starts reading here.
    void Rewind();

    // The decoder's view: read up to size bytes (returns the count), skip n
    // bytes, and whether the end has been reached. stb refills a read-ahead
    // buffer of its own, which may well come back short at the end, but reads
    // pixel runs straight into the picture, and does not check all of those
    // (TGA, PNM): a short read of the latter counts as an overrun.
    int Read(char* data, int size);
    void Skip(int n);
    bool AtEnd() const { return position_ >= size_; }

    bool overran() const { return overran_; }
    bool readFailed() const { return readFailed_; }

private:
    bool FillBuffer();

    // The file (owned) and where the picture starts in it, or the borrowed memory.
    HANDLE file_ = INVALID_HANDLE_VALUE;
    uint64_t fileOffset_ = 0;
    const unsigned char* memory_ = nullptr;
    // Picture length and read position, both counted from the picture's start.
    uint64_t size_ = 0;
    uint64_t position_ = 0;
    // Read-ahead for files: buffer_ holds bufferFill_ bytes from bufferStart_ on.
    unsigned char* buffer_ = nullptr;
    uint64_t bufferStart_ = 0;
    uint32_t bufferFill_ = 0;
    // Where the decoder keeps its read-ahead: the target of its first read.
    const char* decoderBuffer_ = nullptr;
    bool overran_ = false;
    bool readFailed_ = false;
};

#include "container_checks.h"
#include "win/dib_layout.h"
#include <cstdint>
#include <cstring>

namespace {
uint32_t Be32(const unsigned char* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

uint32_t Crc32(const unsigned char* p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// Byte order aware reading of TIFF-structured bytes, every read checked.
struct TiffReader {
    const unsigned char* t;
    size_t size;
    bool little;
    bool U16(size_t at, unsigned* v) const {
        if (at > size || size - at < 2) return false;
        *v = little ? t[at] | t[at + 1] << 8 : t[at] << 8 | t[at + 1];
        return true;
    }
    bool U32(size_t at, uint32_t* v) const {
        unsigned a, b;
        if (!U16(at, &a) || !U16(at + 2, &b)) return false;
        *v = little ? a | uint32_t(b) << 16 : uint32_t(a) << 16 | b;
        return true;
    }
    // Value k of an entry of SHORT or LONG values, held in the entry itself
    // (at inlineAt) when they fit in 4 bytes, at offset otherwise.
    bool Value(unsigned type, uint32_t count, uint32_t offset, size_t inlineAt, uint32_t k, uint32_t* v) const {
        const size_t width = type == 3 ? 2 : 4;
        const size_t at = uint64_t(count) * width > 4 ? offset + size_t(k) * width : inlineAt + size_t(k) * width;
        if (type == 4) return U32(at, v);
        unsigned shortValue;
        if (!U16(at, &shortValue)) return false;
        *v = shortValue;
        return true;
    }
};

// Bytes per value of the TIFF field types 1..13; 0 for others.
unsigned TiffTypeSize(unsigned type) {
    static const unsigned char sizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < 14 ? sizes[type] : 0;
}

// Reads TIFF-structured bytes (the EXIF block is one) for tag 274 of the first IFD.
int TiffOrientation(const unsigned char* t, size_t size) {
    if (size < 8) return 1;
    const bool little = t[0] == 'I' && t[1] == 'I';
    if (!little && !(t[0] == 'M' && t[1] == 'M')) return 1;
    auto u16 = [&](size_t at) -> unsigned { return little ? t[at] | t[at + 1] << 8 : t[at] << 8 | t[at + 1]; };
    auto u32 = [&](size_t at) -> uint32_t { return little ? u16(at) | uint32_t(u16(at + 2)) << 16 : uint32_t(u16(at)) << 16 | u16(at + 2); };
    if (u16(2) != 42) return 1;
    const uint32_t ifd = u32(4);
    if (ifd > size || size - ifd < 2) return 1;
    const unsigned entries = u16(ifd);
    for (unsigned i = 0; i < entries; ++i) {
        const size_t e = ifd + 2 + 12 * static_cast<size_t>(i);
        if (e > size || size - e < 12) return 1;
        if (u16(e) != 274) continue;
        const unsigned value = u16(e + 2) == 3 && u32(e + 4) == 1 ? u16(e + 8) : 0;   // one SHORT
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}
}  // namespace

bool PngChunksSound(const unsigned char* data, size_t size) {
    size_t at = 8;
    while (size - at >= 12) {
        const uint32_t length = Be32(data + at);
        if (length > 0x7FFFFFFFu || size - at - 12 < length) return false;
        if (Crc32(data + at + 4, length + 4) != Be32(data + at + 8 + length)) return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
        at += 12 + static_cast<size_t>(length);
    }
    return false;
}

bool JpegSegmentsSound(const unsigned char* data, size_t size, unsigned* width, unsigned* height) {
    *width = *height = 0;
    size_t at = 2;
    for (;;) {
        if (size - at < 4 || data[at] != 0xFF) return false;
        const unsigned marker = data[at + 1];
        if (marker == 0xFF) {   // fill byte
            ++at;
            continue;
        }
        const size_t length = static_cast<size_t>(data[at + 2]) << 8 | data[at + 3];
        // A frame header (every start-of-frame marker but DHT, JPG and DAC)
        // gives the size, read before the segment must be whole; of several,
        // the largest counts.
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && length >= 7 && size - at >= 9) {
            const unsigned h = static_cast<unsigned>(data[at + 5]) << 8 | data[at + 6];
            const unsigned w = static_cast<unsigned>(data[at + 7]) << 8 | data[at + 8];
            if (uint64_t(w) * h > uint64_t(*width) * *height) {
                *width = w;
                *height = h;
            }
        }
        if (length < 2 || size - at - 2 < length) return false;
        at += 2 + length;
        if (marker == 0xDA) break;   // start of scan
    }
    // Scan data ends at a marker that is no stuffed byte and no restart.
    for (; at + 1 < size; ++at)
        if (data[at] == 0xFF && data[at + 1] == 0xD9) return true;
    return false;
}

// Every piece named by an offsets entry (at `offsets`) and its byte-counts
// entry (at `counts`) lies within the file. Either entry may be missing (0).
bool PiecesInside(const TiffReader& r, size_t offsets, size_t counts) {
    if (offsets == 0 || counts == 0) return true;
    unsigned type, cType;
    uint32_t count, offset, cCount, cOffset;
    if (!r.U16(offsets + 2, &type) || !r.U32(offsets + 4, &count) || !r.U32(offsets + 8, &offset) ||
        !r.U16(counts + 2, &cType) || !r.U32(counts + 4, &cCount) || !r.U32(counts + 8, &cOffset) ||
        cCount != count || (type != 3 && type != 4) || (cType != 3 && cType != 4))
        return false;
    for (uint32_t k = 0; k < count; ++k) {
        uint32_t pieceAt, pieceBytes;
        if (!r.Value(type, count, offset, offsets + 8, k, &pieceAt) ||
            !r.Value(cType, cCount, cOffset, counts + 8, k, &pieceBytes))
            return false;
        if (pieceAt > r.size || r.size - pieceAt < pieceBytes) return false;
    }
    return true;
}

bool TiffStructureSound(const unsigned char* data, size_t size) {
    if (size < 8) return false;
    const TiffReader r{data, size, data[0] == 'I'};
    unsigned magic;
    uint32_t ifd;
    if (!r.U16(2, &magic) || magic != 42 || !r.U32(4, &ifd)) return false;
    for (int directories = 0; ifd != 0; ++directories) {
        unsigned entries;
        if (directories == 64 || !r.U16(ifd, &entries) || entries == 0) return false;
        size_t pieces[4] = {0, 0, 0, 0};   // entries of tags 273, 279, 324, 325; 0 for none
        for (unsigned i = 0; i < entries; ++i) {
            const size_t e = ifd + 2 + 12 * static_cast<size_t>(i);
            unsigned tag, type;
            uint32_t count, offset;
            if (!r.U16(e, &tag) || !r.U16(e + 2, &type) || !r.U32(e + 4, &count) || !r.U32(e + 8, &offset))
                return false;
            const unsigned typeSize = TiffTypeSize(type);
            if (typeSize == 0) return false;
            const uint64_t bytes = uint64_t(count) * typeSize;
            if (bytes > 4 && (offset > size || size - offset < bytes)) return false;
            // Strip and tile offsets and their byte counts, each tag at most once.
            const int slot = tag == 273 ? 0 : tag == 279 ? 1 : tag == 324 ? 2 : tag == 325 ? 3 : -1;
            if (slot >= 0) {
                if (pieces[slot] != 0) return false;
                pieces[slot] = e;
            }
        }
        if (!PiecesInside(r, pieces[0], pieces[1]) || !PiecesInside(r, pieces[2], pieces[3])) return false;
        if (!r.U32(ifd + 2 + 12 * static_cast<size_t>(entries), &ifd)) return false;
    }
    return true;
}

bool IcoFirstPictureSound(const unsigned char* data, size_t size) {
    auto u16 = [data](size_t at) -> uint32_t { return data[at] | data[at + 1] << 8; };
    auto u32 = [&](size_t at) -> uint32_t { return u16(at) | u16(at + 2) << 16; };
    if (size < 22 || u16(0) != 0 || u16(2) != 1 || u16(4) == 0) return false;
    const uint32_t width = data[6] ? data[6] : 256, height = data[7] ? data[7] : 256;
    const uint32_t bytes = u32(14), offset = u32(18);
    if (offset > size || size - offset < bytes || bytes < 40) return false;
    const unsigned char* picture = data + offset;
    if (std::memcmp(picture, "\x89PNG\r\n\x1a\n", 8) == 0) return PngChunksSound(picture, bytes);
    auto p16 = [picture](size_t at) -> uint32_t { return picture[at] | picture[at + 1] << 8; };
    auto p32 = [&](size_t at) -> uint32_t { return p16(at) | p16(at + 2) << 16; };
    const uint32_t headerSize = p32(0), bits = p16(14), colours = p32(32);
    if (headerSize < 40 || headerSize > bytes || static_cast<int32_t>(p32(4)) != static_cast<int32_t>(width) ||
        static_cast<int32_t>(p32(8)) != static_cast<int32_t>(2 * height) || p16(12) != 1 || p32(16) != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    if (bits <= 8 && colours > (1u << bits)) return false;
    const uint64_t palette = bits <= 8 ? 4ull * (colours ? colours : 1u << bits) : 0;
    const uint64_t colourRows = DibRowBytes(width, bits) * height;
    const uint64_t maskRows = DibRowBytes(width, 1) * height;   // the 1-bit transparency mask
    return headerSize + palette + colourRows + maskRows <= bytes;
}

int ExifOrientation(const unsigned char* data, size_t size) {
    if (size >= 4 && ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')))
        return TiffOrientation(data, size);
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 1;
    size_t at = 2;
    while (size - at >= 4 && data[at] == 0xFF) {
        const unsigned marker = data[at + 1];
        const size_t length = static_cast<size_t>(data[at + 2]) << 8 | data[at + 3];
        if (marker == 0xDA || length < 2 || size - at - 2 < length) return 1;
        if (marker == 0xE1 && length >= 8 && std::memcmp(data + at + 4, "Exif\0\0", 6) == 0)
            return TiffOrientation(data + at + 10, length - 8);
        at += 2 + length;
    }
    return 1;
}

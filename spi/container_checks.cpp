#include "container_checks.h"
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

bool JpegSegmentsSound(const unsigned char* data, size_t size) {
    size_t at = 2;
    for (;;) {
        if (size - at < 4 || data[at] != 0xFF) return false;
        const unsigned marker = data[at + 1];
        if (marker == 0xFF) {   // fill byte
            ++at;
            continue;
        }
        const size_t length = static_cast<size_t>(data[at + 2]) << 8 | data[at + 3];
        if (length < 2 || size - at - 2 < length) return false;
        at += 2 + length;
        if (marker == 0xDA) break;   // start of scan
    }
    // Scan data ends at a marker that is no stuffed byte and no restart.
    for (; at + 1 < size; ++at)
        if (data[at] == 0xFF && data[at + 1] == 0xD9) return true;
    return false;
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

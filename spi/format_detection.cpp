#include "format_detection.h"
#include <cstring>
#include "system_formats.h"

namespace {
bool IsPnmSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '#';
}

bool IsPnm(const unsigned char* head, uint32_t size) {
    return size >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' && IsPnmSpace(head[2]);
}

// Version 1 in grey or RGB colour mode, the kinds we read, so that another
// plug-in may take the others.
bool IsPsd(const unsigned char* head, uint32_t size) {
    return size >= 26 && std::memcmp(head, "8BPS\0\1", 6) == 0 && head[24] == 0 && (head[25] == 1 || head[25] == 3);
}

bool HasTgaExtension(const char* name) {
    const size_t n = std::strlen(name);
    if (n < 4 || name[n - 4] != '.') return false;
    const char* ext = name + n - 3;
    return (ext[0] | 0x20) == 't' && (ext[1] | 0x20) == 'g' && (ext[2] | 0x20) == 'a';
}

// The 18-byte header: colour map type, image type, map entry size, size and
// pixel depth must make sense together.
bool IsTgaHeader(const unsigned char* head, uint32_t size) {
    if (size < 18) return false;
    const unsigned mapType = head[1], imageType = head[2], mapEntryBits = head[7], depth = head[16];
    const unsigned width = head[12] | head[13] << 8, height = head[14] | head[15] << 8;
    if (mapType == 1) {
        if (imageType != 1 && imageType != 9) return false;
        if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32) return false;
    } else if (mapType == 0) {
        if (imageType != 2 && imageType != 3 && imageType != 10 && imageType != 11) return false;
    } else {
        return false;
    }
    if (width == 0 || height == 0) return false;
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

// The first known format the head shows whose reader is here: an optional
// format's only where the system has its decoder.
const KnownFormat* MatchKnown(const unsigned char* head, uint32_t size) {
    for (int k = MatchKnownSignature(head, size); k >= 0; k = MatchKnownSignature(head, size, k + 1)) {
        const KnownFormat& known = kKnownFormats[k];
        if (!known.optional || HasSystemDecoder(*known.container)) return &known;
    }
    return nullptr;
}
}  // namespace

Recognised DetectPictureFormat(const unsigned char* head, uint32_t size, const char* name) {
    Recognised r;
    if (IsPsd(head, size)) {
        r.format = PictureFormat::kPsd;
    } else if (IsPnm(head, size)) {
        r.format = PictureFormat::kPnm;
    } else if (const KnownFormat* known = MatchKnown(head, size)) {
        r.format = known->reader;
        r.container = known->container;
    } else if ((r.container = MatchSystemFormat(head, size)) != nullptr) {
        r.format = PictureFormat::kSystem;
    } else if ((!name || HasTgaExtension(name)) && IsTgaHeader(head, size)) {
        r.format = PictureFormat::kTga;
    }
    return r;
}

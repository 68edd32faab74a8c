// Which reader a picture goes to, judged from its first bytes and, for TGA,
// which has no signature, from the file name's extension. Our own readers'
// formats come first; everything else goes by the signatures of the system's
// decoders (system_formats.h).
#pragma once
#include <cstdint>

enum class PictureFormat { kUnknown, kTga, kPsd, kPnm, kSystem };

struct Recognised {
    PictureFormat format = PictureFormat::kUnknown;
    int systemFormat = -1;   // index into the system's formats, for kSystem
};

// Enough of the head for every check below.
constexpr uint32_t kFormatHeadBytes = 2048;

// head holds the picture's first size bytes. name is the file name, or null
// when the picture came without one (from memory): then a valid TGA header is
// enough, otherwise TGA also needs the extension ".tga".
Recognised DetectPictureFormat(const unsigned char* head, uint32_t size, const char* name);

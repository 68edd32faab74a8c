// Which reader a picture goes to, judged from its first bytes and, for TGA,
// which has no signature, from the file name's extension. PSD and PNM first,
// then the signatures of the formats we know (known_formats.h); a head none
// of them shows goes by the signatures of the system's decoders
// (system_formats.h).
#pragma once
#include <windows.h>
#include <cstdint>
#include "known_formats.h"

struct Recognised {
    PictureFormat format = PictureFormat::kUnknown;
    const GUID* container = nullptr;   // the system's decoder, for kSystem
};

// Enough of the head for every check below.
constexpr uint32_t kFormatHeadBytes = 2048;

// head holds the picture's first size bytes. name is the file name, or null
// when the picture came without one (from memory): then a valid TGA header is
// enough, otherwise TGA also needs the extension ".tga".
Recognised DetectPictureFormat(const unsigned char* head, uint32_t size, const char* name);

// Which format family a picture belongs to, judged from its first bytes and,
// for TGA, which has no signature, from the file name's extension.
#pragma once
#include <cstdint>

enum class PictureFormat { kUnknown, kPng, kJpeg, kGif, kTga, kPsd, kPnm };

// Enough of the head for every check below.
constexpr uint32_t kFormatHeadBytes = 2048;

// head holds the picture's first size bytes. name is the file name, or null
// when the picture came without one (from memory): then a valid TGA header is
// enough, otherwise TGA also needs the extension ".tga".
PictureFormat DetectPictureFormat(const unsigned char* head, uint32_t size, const char* name);

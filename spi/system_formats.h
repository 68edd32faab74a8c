// The formats the system's imaging component decodes on this machine, found
// when the plug-in is first asked (never while it loads): one row per decoder,
// with its container format, its extensions and its signatures, which
// recognise its files from their first bytes. Bitmaps are left to the host,
// which reads them itself, and TGA to our own reader, so that the plug-in
// reads it alike on every system.
#pragma once
#include <windows.h>
#include <cstdint>

constexpr int kMaxSystemFormats = 24;
constexpr int kMaxSignatures = 8;
constexpr uint32_t kMaxSignatureBytes = 32;

struct Signature {
    uint32_t position;   // from the picture's start
    uint32_t length;
    unsigned char bytes[kMaxSignatureBytes];
    unsigned char mask[kMaxSignatureBytes];
};

struct SystemFormat {
    GUID container;
    char pattern[256];       // "*.png;*.apng"
    char description[128];   // code page 932
    int signatureCount;
    Signature signatures[kMaxSignatures];
};

// Finds the formats on the first call; later calls only count them.
int SystemFormatCount();
const SystemFormat& SystemFormatAt(int index);

// The first system format whose signature the head matches, or -1.
int MatchSystemFormat(const unsigned char* head, uint32_t size);

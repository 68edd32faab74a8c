// The system's image decoders as the component registry describes them: read
// from the registry, without loading the imaging component or creating any
// decoder, and only when a question needs them (the optional formats, the
// rows of decoders we do not know, a head that no known signature matches).
// Bitmaps are left to the host, which reads them itself, and GIF and TGA to
// our own readers, so that the plug-in reads them alike on every system. A
// registered decoder that cannot be made is found out when a picture needs
// it (result 2).
#pragma once
#include <windows.h>
#include <cstdint>
#include "known_formats.h"

constexpr int kMaxSystemFormats = 24;
constexpr int kMaxSignatures = 8;
constexpr uint32_t kMaxSignatureBytes = 32;

struct SystemFormat {
    GUID container;
    char clsid[40];          // "{...}": the decoder's key under CLSID
    int known;               // index into kKnownFormats, or -1
    char pattern[256];       // "*.png;*.apng", from the decoder's extensions
    char description[128];   // code page 932
    // Read by MatchSystemFormat, once.
    int signatureCount;
    uint32_t positions[kMaxSignatures];
    uint32_t lengths[kMaxSignatures];
    unsigned char bytes[kMaxSignatures][kMaxSignatureBytes];
    unsigned char masks[kMaxSignatures][kMaxSignatureBytes];
};

// The registered decoders, each container once, in the registry's order;
// read on the first call.
int SystemFormatCount();
const SystemFormat& SystemFormatAt(int index);

// Whether a decoder for the container is registered.
bool HasSystemDecoder(const GUID& container);

// The container of the first registered decoder, known formats first, whose
// own signatures the head matches; null when none does.
const GUID* MatchSystemFormat(const unsigned char* head, uint32_t size);

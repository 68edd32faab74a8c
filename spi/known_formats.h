// The formats the plug-in knows by itself: their rows' texts and the
// signatures that recognise their files from the first bytes, so that the
// usual questions (the format rows, is this a PNG) are answered without
// asking the system anything. PNG, JPEG, TIFF and ICO are decoded by the
// system's imaging component, which has them everywhere; WebP and HEIF too,
// but only where their decoders are installed; GIF, TGA, PSD and PNM by
// readers of our own.
#pragma once
#include <windows.h>
#include <cstdint>

enum class PictureFormat { kUnknown, kSystem, kGif, kTga, kPsd, kPnm };

struct KnownFormat {
    PictureFormat reader;
    const GUID* container;     // the system's decoder, for kSystem
    bool optional;             // listed and claimed only where that decoder is installed
    const char* pattern;       // null: the installed decoder's own extensions
    const char* description;   // code page 932
};

// Rows in the order GetPluginInfo lists them. The system's other decoders
// come between the last system row (kSystemRows of them) and our readers'.
extern const KnownFormat kKnownFormats[];
constexpr int kKnownCount = 10;
constexpr int kSystemRows = 7;

// Index into kKnownFormats of the format with this container, or -1.
int KnownFormatOf(const GUID& container);

// A byte pattern at a position from the picture's start; a mask bit of 0
// lets that bit be anything.
struct Signature {
    uint32_t position;
    uint32_t length;
    const unsigned char* bytes;
    const unsigned char* mask;   // null: every bit counts
};
bool SignatureMatches(const Signature& signature, const unsigned char* head, uint32_t size);

// The first known format whose signature the head shows, from `from` on, or
// -1. TGA, which has none, is never matched here.
int MatchKnownSignature(const unsigned char* head, uint32_t size, int from = 0);

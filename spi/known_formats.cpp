// GUIDs of the imaging component are defined here, once for the plug-in.
#include <initguid.h>
#include "known_formats.h"
#include <wincodec.h>

const KnownFormat kKnownFormats[kKnownCount] = {
    {PictureFormat::kSystem, &GUID_ContainerFormatPng, false, "*.png", "PNG picture"},
    {PictureFormat::kSystem, &GUID_ContainerFormatJpeg, false, "*.jpg;*.jpeg;*.jpe;*.jfif", "JPEG picture"},
    {PictureFormat::kGif, nullptr, false, "*.gif", "GIF picture (first frame)"},
    {PictureFormat::kSystem, &GUID_ContainerFormatTiff, false, "*.tif;*.tiff", "TIFF picture (first page)"},
    {PictureFormat::kSystem, &GUID_ContainerFormatIco, false, "*.ico", "Icon (first picture)"},
    {PictureFormat::kSystem, &GUID_ContainerFormatWebp, true, "*.webp", "WebP picture"},
    {PictureFormat::kSystem, &GUID_ContainerFormatHeif, true, nullptr, "HEIF picture"},
    {PictureFormat::kTga, nullptr, false, "*.tga", "TGA picture"},
    {PictureFormat::kPsd, nullptr, false, "*.psd", "PSD picture (merged image)"},
    {PictureFormat::kPnm, nullptr, false, "*.pnm;*.pbm;*.pgm;*.ppm", "PNM picture (PBM/PGM/PPM)"},
};

namespace {
#define BYTES(text) reinterpret_cast<const unsigned char*>(text)
// Each at least as strict as the system decoder's own: a head they let
// through goes on to the system's signatures.
struct KnownSignature {
    int format;
    Signature signature;
};
const KnownSignature kSignatures[] = {
    {0, {0, 8, BYTES("\x89PNG\r\n\x1a\n"), nullptr}},
    {1, {0, 3, BYTES("\xFF\xD8\xFF"), nullptr}},
    {2, {0, 6, BYTES("GIF87a"), nullptr}},
    {2, {0, 6, BYTES("GIF89a"), nullptr}},
    {3, {0, 4, BYTES("II*\0"), nullptr}},
    {3, {0, 4, BYTES("MM\0*"), nullptr}},
    {4, {0, 4, BYTES("\0\0\1\0"), nullptr}},
    {5, {0, 12, BYTES("RIFF\0\0\0\0WEBP"), BYTES("\xFF\xFF\xFF\xFF\0\0\0\0\xFF\xFF\xFF\xFF")}},
    {6, {4, 8, BYTES("ftypheic"), nullptr}},
    {6, {4, 8, BYTES("ftypheix"), nullptr}},
    {6, {4, 8, BYTES("ftyphevc"), nullptr}},
    {6, {4, 8, BYTES("ftyphevx"), nullptr}},
    {6, {4, 8, BYTES("ftypmif1"), nullptr}},
    {6, {4, 8, BYTES("ftypmsf1"), nullptr}},
};
#undef BYTES
}  // namespace

int KnownFormatOf(const GUID& container) {
    for (int i = 0; i < kKnownCount; ++i)
        if (kKnownFormats[i].container && IsEqualGUID(container, *kKnownFormats[i].container)) return i;
    return -1;
}

bool SignatureMatches(const Signature& s, const unsigned char* head, uint32_t size) {
    if (s.position > size || size - s.position < s.length) return false;
    for (uint32_t i = 0; i < s.length; ++i) {
        const unsigned mask = s.mask ? s.mask[i] : 0xFFu;
        if ((head[s.position + i] & mask) != (s.bytes[i] & mask)) return false;
    }
    return true;
}

int MatchKnownSignature(const unsigned char* head, uint32_t size, int from) {
    for (const KnownSignature& k : kSignatures)
        if (k.format >= from && SignatureMatches(k.signature, head, size)) return k.format;
    return -1;
}

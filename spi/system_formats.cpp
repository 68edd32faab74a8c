#include "system_formats.h"
#include <wincodec.h>
#include <cstring>
#include "win/kernel_guards.h"

namespace {
constexpr char kDecoderInstances[] = "CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance";

// Decoders whose containers and texts we know, so that the rows need only
// the list of registered decoders, not their keys: the system's own, and
// Wine's TGA decoder, which our reader stands in for. A null pattern takes the
// row's texts from kKnownFormats.
const GUID kWineTgaDecoder = {0xb11fc79a, 0x67cc, 0x43e6, {0xa9, 0xce, 0xe3, 0xd5, 0x49, 0x45, 0xd3, 0x04}};
const GUID kWineTgaContainer = {0x0c44fda1, 0xa5c5, 0x4298, {0x96, 0x85, 0x47, 0x3f, 0xc1, 0x7c, 0xd3, 0x22}};
struct KnownDecoder {
    const GUID* clsid;
    const GUID* container;
    const char* pattern;
    const char* description;
};
const KnownDecoder kKnownDecoders[] = {
    {&CLSID_WICPngDecoder1, &GUID_ContainerFormatPng, nullptr, nullptr},
    {&CLSID_WICPngDecoder2, &GUID_ContainerFormatPng, nullptr, nullptr},
    {&CLSID_WICJpegDecoder, &GUID_ContainerFormatJpeg, nullptr, nullptr},
    {&CLSID_WICGifDecoder, &GUID_ContainerFormatGif, nullptr, nullptr},
    {&CLSID_WICTiffDecoder, &GUID_ContainerFormatTiff, nullptr, nullptr},
    {&CLSID_WICIcoDecoder, &GUID_ContainerFormatIco, nullptr, nullptr},
    {&CLSID_WICBmpDecoder, &GUID_ContainerFormatBmp, nullptr, nullptr},
    {&CLSID_WICWebpDecoder, &GUID_ContainerFormatWebp, nullptr, nullptr},
    {&CLSID_WICDdsDecoder, &GUID_ContainerFormatDds, "*.dds", "DDS picture"},
    {&CLSID_WICWmpDecoder, &GUID_ContainerFormatWmp, "*.jxr;*.hdp;*.wdp", "JPEG-XR picture"},
    {&kWineTgaDecoder, &kWineTgaContainer, nullptr, nullptr},
};

SystemFormat g_formats[kMaxSystemFormats];
int g_count = 0;
INIT_ONCE g_found = INIT_ONCE_STATIC_INIT;
INIT_ONCE g_signaturesRead = INIT_ONCE_STATIC_INIT;

bool OpenKey(HKEY parent, const char* path, RegistryKey* key) {
    return RegOpenKeyExA(parent, path, 0, KEY_READ, key->Receive()) == ERROR_SUCCESS;
}

// A text value, terminated, or false when it is missing, of another type or too long.
bool ReadText(const RegistryKey& key, const char* name, char* out, DWORD size) {
    DWORD type = 0, got = size - 1;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(out), &got) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    out[got] = '\0';
    return out[0] != '\0';
}

// Up to `size` bytes of a value of any type; the bytes there were, or 0.
DWORD ReadBytes(const RegistryKey& key, const char* name, void* out, DWORD size) {
    DWORD got = size;
    return RegQueryValueExA(key.get(), name, nullptr, nullptr, static_cast<BYTE*>(out), &got) == ERROR_SUCCESS ? got
                                                                                                              : 0;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
    return -1;
}

// "{01234567-89AB-CDEF-0123-456789ABCDEF}" as a GUID.
bool ParseGuid(const char* text, GUID* guid) {
    if (std::strlen(text) != 38 || text[0] != '{' || text[37] != '}') return false;
    unsigned char b[16];
    int n = 0;
    for (int i = 1; i < 37; ++i) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (text[i] != '-') return false;
            continue;
        }
        const int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        b[n++] = static_cast<unsigned char>(hi << 4 | lo);
        ++i;
    }
    guid->Data1 = static_cast<unsigned long>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
    guid->Data2 = static_cast<unsigned short>(b[4] << 8 | b[5]);
    guid->Data3 = static_cast<unsigned short>(b[6] << 8 | b[7]);
    std::memcpy(guid->Data4, b + 8, 8);
    return true;
}

bool IsSeparator(char c) { return c == ',' || c == ';'; }

// ".png,.apng" as "*.png;*.apng", cut at a whole extension when too long.
// Systems separate them by commas or semicolons.
void ExtensionsAsPattern(const char* extensions, char* pattern, size_t size) {
    size_t n = 0;
    pattern[0] = '\0';
    for (const char* p = extensions; *p;) {
        const char* end = p;
        while (*end && !IsSeparator(*end)) ++end;
        const size_t length = static_cast<size_t>(end - p);
        if (length > 0 && n + length + 3 < size) {
            if (n) pattern[n++] = ';';
            pattern[n++] = '*';
            if (*p != '.') pattern[n++] = '.';
            std::memcpy(pattern + n, p, length);
            n += length;
            pattern[n] = '\0';
        }
        if (!*end) break;
        p = end + 1;
    }
}

bool HasExtension(const char* extensions, const char* wanted) {
    const size_t n = std::strlen(wanted);
    for (const char* p = extensions; (p = std::strstr(p, wanted)) != nullptr; p += n)
        if ((p == extensions || IsSeparator(p[-1])) && (IsSeparator(p[n]) || p[n] == '\0')) return true;
    return false;
}

// Leaves out the host's format and those our readers stand in for.
bool OursOrTheHosts(const GUID& container, const char* extensions) {
    return IsEqualGUID(container, GUID_ContainerFormatBmp) || IsEqualGUID(container, GUID_ContainerFormatGif) ||
           IsEqualGUID(container, kWineTgaContainer) || HasExtension(extensions, ".tga");
}

// The decoder registered as `clsid` as a row; false when it is to be left
// out. Only decoders we do not know have their keys read.
bool DescribeDecoder(const char* clsid, SystemFormat* format) {
    *format = SystemFormat{};
    lstrcpynA(format->clsid, clsid, sizeof(format->clsid));
    GUID id;
    if (!ParseGuid(clsid, &id)) return false;
    for (const KnownDecoder& k : kKnownDecoders) {
        if (!IsEqualGUID(id, *k.clsid)) continue;
        if (OursOrTheHosts(*k.container, "")) return false;
        format->container = *k.container;
        format->known = KnownFormatOf(*k.container);
        if (k.pattern) {
            lstrcpynA(format->pattern, k.pattern, sizeof(format->pattern));
            lstrcpynA(format->description, k.description, sizeof(format->description));
        }
        return true;
    }
    char path[64] = "CLSID\\", text[64], extensions[1024];
    lstrcatA(path, format->clsid);
    RegistryKey key;
    if (!OpenKey(HKEY_CLASSES_ROOT, path, &key) || !ReadText(key, "ContainerFormat", text, sizeof(text)) ||
        !ParseGuid(text, &format->container) || !ReadText(key, "FileExtensions", extensions, sizeof(extensions)))
        return false;
    for (char* c = extensions; *c; ++c)
        if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c + ('a' - 'A'));
    if (OursOrTheHosts(format->container, extensions)) return false;
    ExtensionsAsPattern(extensions, format->pattern, sizeof(format->pattern));
    format->known = KnownFormatOf(format->container);
    if (format->known >= 0) return format->pattern[0] != '\0';   // its texts are ours, but for a missing pattern
    char name[128];
    if (!ReadText(key, "FriendlyName", name, sizeof(name))) lstrcpynA(name, format->pattern, sizeof(name));
    // "DDS Decoder" is a "DDS picture" to the user.
    const size_t n = std::strlen(name);
    if (n > 8 && std::strcmp(name + n - 8, " Decoder") == 0) lstrcpynA(name + n - 8, " picture", 9);
    lstrcpynA(format->description, name, sizeof(format->description));
    return format->pattern[0] != '\0';
}

BOOL CALLBACK FindFormats(PINIT_ONCE, void*, void**) {
    RegistryKey instances;
    if (!OpenKey(HKEY_CLASSES_ROOT, kDecoderInstances, &instances)) return TRUE;   // no imaging component
    SystemFormat found;
    for (DWORD i = 0; i < 256; ++i) {
        char clsid[40];
        DWORD n = sizeof(clsid);
        const LONG r = RegEnumKeyExA(instances.get(), i, clsid, &n, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || !DescribeDecoder(clsid, &found)) continue;
        bool seen = false;
        for (int f = 0; f < g_count && !seen; ++f) seen = IsEqualGUID(g_formats[f].container, found.container);
        if (!seen && g_count < kMaxSystemFormats) g_formats[g_count++] = found;
    }
    return TRUE;
}

// The decoder's signatures that a head can show: none measured from the end.
void ReadSignatures(SystemFormat* format) {
    char path[64] = "CLSID\\";
    lstrcatA(lstrcatA(path, format->clsid), "\\Patterns");
    RegistryKey patterns;
    if (!OpenKey(HKEY_CLASSES_ROOT, path, &patterns)) return;
    for (DWORD i = 0; i < 64 && format->signatureCount < kMaxSignatures; ++i) {
        char name[16];
        DWORD n = sizeof(name);
        const LONG r = RegEnumKeyExA(patterns.get(), i, name, &n, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        RegistryKey pattern;
        if (r != ERROR_SUCCESS || !OpenKey(patterns.get(), name, &pattern)) continue;
        const int s = format->signatureCount;
        uint32_t position[2] = {0, 0}, length = 0, endOfStream = 0;
        if (!ReadBytes(pattern, "Position", position, sizeof(position)) || position[1] != 0 || position[0] > 1024 ||
            ReadBytes(pattern, "Length", &length, sizeof(length)) != sizeof(length) || length == 0 ||
            length > kMaxSignatureBytes ||
            ReadBytes(pattern, "Pattern", format->bytes[s], kMaxSignatureBytes) < length)
            continue;
        if (ReadBytes(pattern, "EndOfStream", &endOfStream, sizeof(endOfStream)) && endOfStream) continue;
        if (ReadBytes(pattern, "Mask", format->masks[s], kMaxSignatureBytes) < length)
            std::memset(format->masks[s], 0xFF, kMaxSignatureBytes);
        format->positions[s] = position[0];
        format->lengths[s] = length;
        ++format->signatureCount;
    }
}

BOOL CALLBACK ReadAllSignatures(PINIT_ONCE, void*, void**) {
    for (int f = 0; f < SystemFormatCount(); ++f) ReadSignatures(&g_formats[f]);
    return TRUE;
}

bool Matches(const SystemFormat& format, const unsigned char* head, uint32_t size) {
    for (int s = 0; s < format.signatureCount; ++s)
        if (SignatureMatches({format.positions[s], format.lengths[s], format.bytes[s], format.masks[s]}, head, size))
            return true;
    return false;
}
}  // namespace

int SystemFormatCount() {
    InitOnceExecuteOnce(&g_found, FindFormats, nullptr, nullptr);
    return g_count;
}

const SystemFormat& SystemFormatAt(int index) { return g_formats[index]; }

bool HasSystemDecoder(const GUID& container) {
    for (int f = 0; f < SystemFormatCount(); ++f)
        if (IsEqualGUID(g_formats[f].container, container)) return true;
    return false;
}

const GUID* MatchSystemFormat(const unsigned char* head, uint32_t size) {
    InitOnceExecuteOnce(&g_signaturesRead, ReadAllSignatures, nullptr, nullptr);
    for (int k = 0; k < kKnownCount; ++k)
        for (int f = 0; f < g_count; ++f)
            if (g_formats[f].known == k && Matches(g_formats[f], head, size)) return &g_formats[f].container;
    for (int f = 0; f < g_count; ++f)
        if (g_formats[f].known < 0 && Matches(g_formats[f], head, size)) return &g_formats[f].container;
    return nullptr;
}

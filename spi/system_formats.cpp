// GUIDs of the imaging component are defined here, once for the plug-in.
#include <initguid.h>
#include "system_formats.h"
#include <cstring>
#include "wic_session.h"

namespace {
// Rows in a fixed order first, with our own texts; other decoders follow in
// the system's order with their own names. A null pattern takes the decoder's
// extensions.
struct KnownFormat {
    const GUID* container;
    const char* pattern;
    const char* description;
};
const KnownFormat kKnownFormats[] = {
    {&GUID_ContainerFormatPng, "*.png", "PNG picture"},
    {&GUID_ContainerFormatJpeg, "*.jpg;*.jpeg;*.jpe;*.jfif", "JPEG picture"},
    {&GUID_ContainerFormatGif, "*.gif", "GIF picture (first frame)"},
    {&GUID_ContainerFormatTiff, "*.tif;*.tiff", "TIFF picture (first page)"},
    {&GUID_ContainerFormatIco, "*.ico", "Icon (first picture)"},
    {&GUID_ContainerFormatWebp, "*.webp", "WebP picture"},
    {&GUID_ContainerFormatHeif, nullptr, "HEIF picture"},
};
constexpr int kKnownCount = sizeof(kKnownFormats) / sizeof(kKnownFormats[0]);

SystemFormat g_formats[kMaxSystemFormats];
int g_count = 0;
INIT_ONCE g_found = INIT_ONCE_STATIC_INIT;

int KnownRank(const GUID& container) {
    for (int i = 0; i < kKnownCount; ++i)
        if (IsEqualGUID(container, *kKnownFormats[i].container)) return i;
    return kKnownCount;
}

// A wide text from the decoder, fetched with the size-query protocol its
// getters share, as code page 932 into out.
template <typename Getter>
bool WideText(Getter get, char* out, int outSize) {
    UINT length = 0;
    if (FAILED(get(0u, static_cast<WCHAR*>(nullptr), &length)) || length == 0 || length > 4096) return false;
    WCHAR text[4096];
    if (FAILED(get(length, text, &length)) || length == 0 || length > 4096) return false;
    text[length - 1] = L'\0';
    return WideCharToMultiByte(CP_ACP, 0, text, -1, out, outSize, nullptr, nullptr) > 0;
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

// The decoder's signatures that a head can show: none measured from the end.
void CopySignatures(IWICBitmapDecoderInfo* info, SystemFormat* format) {
    UINT count = 0, bytes = 0;
    if (FAILED(info->GetPatterns(0, nullptr, &count, &bytes)) || bytes == 0) return;
    auto* patterns = static_cast<WICBitmapPattern*>(HeapAlloc(GetProcessHeap(), 0, bytes));
    if (!patterns) return;
    if (SUCCEEDED(info->GetPatterns(bytes, patterns, &count, &bytes))) {
        for (UINT i = 0; i < count && format->signatureCount < kMaxSignatures; ++i) {
            const WICBitmapPattern& p = patterns[i];
            if (p.EndOfStream || p.Length == 0 || p.Length > kMaxSignatureBytes || p.Position.HighPart != 0 ||
                p.Position.LowPart > 1024)
                continue;
            Signature& s = format->signatures[format->signatureCount++];
            s.position = p.Position.LowPart;
            s.length = p.Length;
            std::memcpy(s.bytes, p.Pattern, p.Length);
            if (p.Mask)
                std::memcpy(s.mask, p.Mask, p.Length);
            else
                std::memset(s.mask, 0xFF, p.Length);
        }
    }
    HeapFree(GetProcessHeap(), 0, patterns);
}

// One decoder as a row; false when it is to be left out.
bool DescribeDecoder(IUnknown* component, SystemFormat* format) {
    ComRef<IWICBitmapDecoderInfo> info;
    if (FAILED(component->QueryInterface(__uuidof(IWICBitmapDecoderInfo), info.outVoid()))) return false;
    *format = SystemFormat{};
    if (FAILED(info->GetContainerFormat(&format->container))) return false;
    if (IsEqualGUID(format->container, GUID_ContainerFormatBmp)) return false;
    char extensions[1024];
    if (!WideText([&](UINT n, WCHAR* t, UINT* got) { return info->GetFileExtensions(n, t, got); }, extensions,
                  sizeof(extensions)))
        return false;
    for (char* c = extensions; *c; ++c)
        if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c + ('a' - 'A'));
    if (HasExtension(extensions, ".tga")) return false;
    // Some systems register decoders they cannot make (a library missing).
    ComRef<IWICBitmapDecoder> decoder;
    if (FAILED(info->CreateInstance(decoder.out()))) return false;
    CopySignatures(info.get(), format);
    if (format->signatureCount == 0) return false;   // we could not tell its files

    const int rank = KnownRank(format->container);
    if (rank < kKnownCount && kKnownFormats[rank].pattern)
        lstrcpynA(format->pattern, kKnownFormats[rank].pattern, sizeof(format->pattern));
    else
        ExtensionsAsPattern(extensions, format->pattern, sizeof(format->pattern));
    if (format->pattern[0] == '\0') return false;
    if (rank < kKnownCount) {
        lstrcpynA(format->description, kKnownFormats[rank].description, sizeof(format->description));
    } else {
        char name[128];
        if (!WideText([&](UINT n, WCHAR* t, UINT* got) { return info->GetFriendlyName(n, t, got); }, name,
                      sizeof(name)))
            lstrcpynA(name, format->pattern, sizeof(name));
        // "DDS Decoder" is a "DDS picture" to the user.
        const size_t n = std::strlen(name);
        if (n > 8 && std::strcmp(name + n - 8, " Decoder") == 0) lstrcpynA(name + n - 8, " picture", 9);
        lstrcpynA(format->description, name, sizeof(format->description));
    }
    return true;
}

BOOL CALLBACK FindFormats(PINIT_ONCE, void*, void**) {
    WicSession session;
    if (!session.factory()) return TRUE;   // no imaging component: our own readers only
    ComRef<IEnumUnknown> decoders;
    if (FAILED(session.factory()->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault,
                                                            decoders.out())))
        return TRUE;
    SystemFormat found;
    for (;;) {
        ComRef<IUnknown> component;
        ULONG got = 0;
        if (decoders->Next(1, component.out(), &got) != S_OK || got != 1) break;
        if (!DescribeDecoder(component.get(), &found)) continue;
        bool seen = false;
        for (int i = 0; i < g_count && !seen; ++i) seen = IsEqualGUID(g_formats[i].container, found.container);
        if (seen || g_count == kMaxSystemFormats) continue;
        // Insert by rank; the system's order among the unknown ones.
        const int rank = KnownRank(found.container);
        int at = g_count;
        while (at > 0 && KnownRank(g_formats[at - 1].container) > rank) {
            g_formats[at] = g_formats[at - 1];
            --at;
        }
        g_formats[at] = found;
        ++g_count;
    }
    return TRUE;
}

bool Matches(const Signature& s, const unsigned char* head, uint32_t size) {
    if (s.position > size || size - s.position < s.length) return false;
    for (uint32_t i = 0; i < s.length; ++i)
        if ((head[s.position + i] & s.mask[i]) != (s.bytes[i] & s.mask[i])) return false;
    return true;
}
}  // namespace

int SystemFormatCount() {
    InitOnceExecuteOnce(&g_found, FindFormats, nullptr, nullptr);
    return g_count;
}

const SystemFormat& SystemFormatAt(int index) { return g_formats[index]; }

int MatchSystemFormat(const unsigned char* head, uint32_t size) {
    const int count = SystemFormatCount();
    for (int f = 0; f < count; ++f)
        for (int s = 0; s < g_formats[f].signatureCount; ++s)
            if (Matches(g_formats[f].signatures[s], head, size)) return f;
    return -1;
}

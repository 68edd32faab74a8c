#include "text_codec.h"
#include <windows.h>
#include <vector>

namespace {
std::wstring Widen(UINT codePage, DWORD flags, const std::string& text, bool* ok) {
    *ok = true;
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) {
        *ok = false;
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}
}  // namespace

bool Utf8ToCp932(const std::string& utf8, std::string* cp932) {
    bool ok = false;
    std::wstring wide = Widen(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, &ok);
    if (!ok) return false;
    cp932->clear();
    if (wide.empty()) return true;
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(kChipCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    cp932->assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kChipCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), &(*cp932)[0],
                        n, nullptr, &usedDefault);
    return !usedDefault;
}

std::wstring Cp932ToWide(const std::string& cp932) {
    bool ok = false;
    return Widen(kChipCodePage, 0, cp932, &ok);
}

std::string Cp932ToUtf8(const std::string& cp932) {
    bool ok = false;
    std::wstring wide = Widen(kChipCodePage, 0, cp932, &ok);
    if (wide.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], n, nullptr, nullptr);
    return utf8;
}

std::string PathFolder(const std::string& path) {
    size_t cut = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsDBCSLeadByteEx(kChipCodePage, c) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/' || c == ':') cut = i + 1;
    }
    return path.substr(0, cut);
}

bool IsAbsolutePath(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return true;
    return !path.empty() && (path[0] == '\\' || path[0] == '/');
}

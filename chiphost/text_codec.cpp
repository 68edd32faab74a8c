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

std::wstring Utf8ToWide(const std::string& utf8) {
    bool ok = false;
    return Widen(CP_UTF8, 0, utf8, &ok);
}

std::string Cp932ToUtf8(const std::string& cp932) {
    bool ok = false;
    return WideToUtf8(Widen(kChipCodePage, 0, cp932, &ok));
}

std::string WideToUtf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], n, nullptr, nullptr);
    return utf8;
}

std::string PathFolder(const std::string& path) {
    // No byte of a UTF-8 sequence is an ASCII separator.
    const size_t last = path.find_last_of("\\/:");
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

bool IsAbsolutePath(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return true;
    return !path.empty() && (path[0] == '\\' || path[0] == '/');
}

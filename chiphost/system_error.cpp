#include "system_error.h"
#include "win/kernel_guards.h"

std::string SystemErrorText(DWORD code) {
    const std::string number = "error " + std::to_string(code);
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    const LocalMemory owned(message);
    if (!length || !message) return number;
    std::wstring wide(message, length);
    // Messages end in a full stop and a line break; ours go inside a sentence.
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' ||
                             wide.back() == L'.' || wide.back() == 0x3002))
        wide.pop_back();
    if (wide.empty()) return number;
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr, nullptr);
    return text + " (" + number + ")";
}

std::string LastErrorText() { return SystemErrorText(GetLastError()); }

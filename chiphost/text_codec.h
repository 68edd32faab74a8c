// Conversions between the UTF-8 of chiphost's files and the code page 932
// bytes that cross the library boundary, and between chiphost's own file
// paths (UTF-8, as typed) and the UTF-16 of the wide file functions.
#pragma once
#include <string>

// The code page of every text that crosses the library boundary, and of the
// library's own menus and dialogs.
constexpr unsigned kChipCodePage = 932;

// Converts UTF-8 to code page 932. False when the text is not valid UTF-8 or
// holds a character that code page 932 lacks.
bool Utf8ToCp932(const std::string& utf8, std::string* cp932);
// Converts code page 932 to UTF-8 (invalid bytes become U+FFFD).
std::string Cp932ToUtf8(const std::string& cp932);
// Converts code page 932 to UTF-16, for the wide calls that draw it in a font
// of any character set.
std::wstring Cp932ToWide(const std::string& cp932);

// UTF-8 and UTF-16, both ways. Paths go through these, never through the
// ANSI code page, whose best-fit mapping would turn "café" into "cafe".
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

// The folder part of a UTF-8 path, with its trailing separator; empty when
// the path has none.
std::string PathFolder(const std::string& path);
// True when path is absolute ("C:\...", "\\server", or rooted "\...").
bool IsAbsolutePath(const std::string& path);

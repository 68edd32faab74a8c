#include "chip_values.h"
#include <cctype>
#include <cstdlib>
#include <cstring>
#include "win/host_records.h"
#include "text_codec.h"

namespace {
std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> SplitList(const std::string& value, const char* separators) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= value.size()) {
        size_t end = value.find_first_of(separators, pos);
        if (end == std::string::npos) end = value.size();
        std::string part = Trim(value.substr(pos, end - pos));
        if (!part.empty()) parts.push_back(part);
        pos = end + 1;
    }
    return parts;
}

bool ParseLong(const std::string& value, long* number) {
    if (value.empty()) return false;
    char* end = nullptr;
    *number = std::strtol(value.c_str(), &end, 10);
    return *end == '\0';
}

struct NamedValue {
    const char* name;
    int value;
};

const NamedValue kPlacements[] = {
    {"top-left", 0}, {"top-right", 1}, {"bottom-left", 2}, {"bottom-right", 3},
    {"tile", 4},     {"stretch", 5},   {"fit", 6},
};
const NamedValue kAlignments[] = {{"left", 0}, {"centre", 1}, {"center", 1}, {"right", 2}};
const NamedValue kSizings[] = {{"picture", kSizeByPicture}, {"text", kSizeByText}};

template <size_t N>
bool ParseNamed(const std::string& value, const NamedValue (&table)[N], int low, int high, int* out,
                const char* what, std::string* why) {
    const std::string key = Lower(value);
    for (const NamedValue& row : table)
        if (key == row.name) {
            *out = row.value;
            return true;
        }
    long n = 0;
    if (ParseLong(value, &n) && n >= low && n <= high) {
        *out = static_cast<int>(n);
        return true;
    }
    *why = std::string("\"") + value + "\" is not a " + what + " (";
    for (size_t i = 0; i < N; ++i) *why += std::string(i ? ", " : "") + table[i].name;
    *why += ", or " + std::to_string(low) + ".." + std::to_string(high) + ")";
    return false;
}
}  // namespace

bool ParseChipText(const std::string& value, std::string* cp932, std::string* why) {
    std::string utf8;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            utf8 += value[i];
            continue;
        }
        const char next = i + 1 < value.size() ? value[i + 1] : '\0';
        switch (next) {
        case 'n': utf8 += "\r\n"; break;
        case 't': utf8 += '\t'; break;
        case '\\': utf8 += '\\'; break;
        default:
            *why = "unknown escape \"\\" + std::string(1, next) + "\" (use \\n, \\t or \\\\)";
            return false;
        }
        ++i;
    }
    if (!Utf8ToCp932(utf8, cp932)) {
        *why = "text is not UTF-8 or holds a character that code page 932 lacks";
        return false;
    }
    return true;
}

std::string WriteChipText(const std::string& cp932) {
    std::string utf8 = Cp932ToUtf8(cp932), out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

bool ParseColour(const std::string& value, COLORREF* colour, std::string* why) {
    if (value.size() == 7 && value[0] == '#') {
        char* end = nullptr;
        unsigned long rgb = std::strtoul(value.c_str() + 1, &end, 16);
        if (*end == '\0') {
            *colour = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
            return true;
        }
    }
    *why = "\"" + value + "\" is not a colour (#rrggbb)";
    return false;
}

std::string WriteColour(COLORREF colour) {
    char text[8];
    wsprintfA(text, "#%02x%02x%02x", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

bool ParseFont(const std::string& value, LOGFONTA* font, std::string* why) {
    std::vector<std::string> parts = SplitList(value, ",");
    LOGFONTA f{};
    f.lfWeight = FW_NORMAL;
    f.lfCharSet = SHIFTJIS_CHARSET;
    std::string face;
    long size = 0;
    if (parts.size() < 2 || !ParseLong(parts[1], &size) || size < 1 || size > 500) {
        *why = "\"" + value + "\" is not a font (face, size in pixels[, bold][, italic]...)";
        return false;
    }
    if (!Utf8ToCp932(parts[0], &face) || face.size() >= LF_FACESIZE) {
        *why = "font face \"" + parts[0] + "\" is too long or not representable in code page 932";
        return false;
    }
    std::memcpy(f.lfFaceName, face.c_str(), face.size() + 1);
    f.lfHeight = -size;
    for (size_t i = 2; i < parts.size(); ++i) {
        const std::string p = Lower(parts[i]);
        long n = 0;
        if (p == "bold") f.lfWeight = FW_BOLD;
        else if (p == "italic") f.lfItalic = 1;
        else if (p == "underline") f.lfUnderline = 1;
        else if (p == "strikeout") f.lfStrikeOut = 1;
        else if (p.compare(0, 7, "weight=") == 0 && ParseLong(p.substr(7), &n) && n >= 0 && n <= 1000) f.lfWeight = n;
        else if (p.compare(0, 8, "charset=") == 0 && ParseLong(p.substr(8), &n) && n >= 0 && n <= 255)
            f.lfCharSet = static_cast<BYTE>(n);
        else {
            *why = "unknown font option \"" + parts[i] + "\" (bold, italic, underline, strikeout, weight=N, charset=N)";
            return false;
        }
    }
    *font = f;
    return true;
}

std::string WriteFont(const LOGFONTA& font) {
    char face[LF_FACESIZE + 1] = "";
    std::memcpy(face, font.lfFaceName, LF_FACESIZE);
    std::string out = Cp932ToUtf8(face) + ", " + std::to_string(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight);
    if (font.lfWeight != FW_NORMAL) out += ", weight=" + std::to_string(font.lfWeight);
    if (font.lfItalic) out += ", italic";
    if (font.lfUnderline) out += ", underline";
    if (font.lfStrikeOut) out += ", strikeout";
    if (font.lfCharSet != SHIFTJIS_CHARSET) out += ", charset=" + std::to_string(font.lfCharSet);
    return out;
}

bool ParsePlacement(const std::string& value, uint32_t* placement, std::string* why) {
    int n = 0;
    if (!ParseNamed(value, kPlacements, 0, 6, &n, "placement", why)) return false;
    *placement = static_cast<uint32_t>(n);
    return true;
}

bool ParseAlign(const std::string& value, int32_t* align, std::string* why) {
    int n = 0;
    if (!ParseNamed(value, kAlignments, 0, 2, &n, "text alignment", why)) return false;
    *align = n;
    return true;
}

bool ParseSizing(const std::string& value, int32_t* mode, std::string* why) {
    int n = 0;
    if (!ParseNamed(value, kSizings, kSizeByPicture, kSizeByText, &n, "sizing mode", why)) return false;
    *mode = n;
    return true;
}

bool ParseInt(const std::string& value, int low, int high, int* number, std::string* why) {
    long n = 0;
    if (!ParseLong(value, &n) || n < low || n > high) {
        *why = "\"" + value + "\" is not a number from " + std::to_string(low) + " to " + std::to_string(high);
        return false;
    }
    *number = static_cast<int>(n);
    return true;
}

bool ParseSize(const std::string& value, int* width, int* height, std::string* why) {
    std::vector<std::string> parts = SplitList(Lower(value), "x");
    long w = 0, h = 0;
    if (parts.size() != 2 || !ParseLong(parts[0], &w) || !ParseLong(parts[1], &h) || w < 1 || h < 1 || w > 2000 ||
        h > 2000) {
        *why = "\"" + value + "\" is not a size (WIDTHxHEIGHT, 1..2000, or default)";
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool ParseCommands(const std::string& value, std::vector<uint32_t>* commands, std::string* why) {
    std::vector<uint32_t> out;
    for (const std::string& part : SplitList(value, ", \t")) {
        long n = 0;
        if (!ParseLong(part, &n) || n < long{kFirstMenuCommand} || n > long{kLastMenuCommand}) {
            *why = "\"" + part + "\" is not a menu command (" + std::to_string(kFirstMenuCommand) + ".." +
                   std::to_string(kLastMenuCommand) + ")";
            return false;
        }
        out.push_back(static_cast<uint32_t>(n));
    }
    *commands = out;
    return true;
}

bool ParseHex(const std::string& value, std::vector<uint8_t>* bytes, std::string* why) {
    std::vector<uint8_t> out;
    int high = -1;
    for (char c : value) {
        if (c == ' ' || c == '\t') continue;
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) {
            *why = std::string("'") + c + "' is not a hexadecimal digit";
            return false;
        }
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) {
        *why = "odd number of hexadecimal digits";
        return false;
    }
    *bytes = out;
    return true;
}

std::string WriteHex(const uint8_t* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

SectionReader::SectionReader(IniFile* file, int section, const std::vector<const char*>& knownKeys)
    : file_(file), index_(section) {
    for (const IniEntry& e : this->section().entries) {
        bool known = false;
        for (const char* k : knownKeys) known |= e.key == k;
        if (!known)
            file_->Report(e.line, "unknown key \"" + e.key + "\" in [" + this->section().name + "]", index_, "ignored");
    }
}

int SectionReader::LineOf(const char* key) const {
    const IniEntry* e = FindEntry(section(), key);
    return e ? e->line : section().line;
}

const std::string* SectionReader::Raw(const char* key) const {
    const IniEntry* e = FindEntry(section(), key);
    return e ? &e->value : nullptr;
}

void SectionReader::Report(const char* key, const std::string& message, const std::string& recovery) {
    file_->Report(LineOf(key), message, index_, recovery);
}

template <typename F>
bool SectionReader::Read(const char* key, F parse) {
    const IniEntry* e = FindEntry(section(), key);
    if (!e) return true;
    std::string why;
    if (parse(e->value, &why)) return true;
    file_->Report(e->line, std::string(key) + ": " + why, index_, "the default is used");
    return false;
}

bool SectionReader::Text(const char* key, std::string* out) {
    // Parsed aside: a text that fails part way leaves *out as it was.
    std::string text;
    if (!Read(key, [&](const std::string& v, std::string* why) { return ParseChipText(v, &text, why); }))
        return false;
    if (Has(key)) *out = text;
    return true;
}
void SectionReader::Colour(const char* key, COLORREF* out) {
    Read(key, [&](const std::string& v, std::string* why) { return ParseColour(v, out, why); });
}
void SectionReader::Font(const char* key, LOGFONTA* out) {
    Read(key, [&](const std::string& v, std::string* why) { return ParseFont(v, out, why); });
}
void SectionReader::Placement(const char* key, uint32_t* out) {
    Read(key, [&](const std::string& v, std::string* why) { return ParsePlacement(v, out, why); });
}
void SectionReader::Align(const char* key, int32_t* out) {
    Read(key, [&](const std::string& v, std::string* why) { return ParseAlign(v, out, why); });
}
void SectionReader::Sizing(const char* key, int32_t* out) {
    Read(key, [&](const std::string& v, std::string* why) { return ParseSizing(v, out, why); });
}
bool SectionReader::Int(const char* key, int low, int high, int* out) {
    return Read(key, [&](const std::string& v, std::string* why) { return ParseInt(v, low, high, out, why); });
}
void SectionReader::Int32(const char* key, int low, int high, int32_t* out) {
    int n = *out;
    Int(key, low, high, &n);
    *out = n;
}
void SectionReader::Size(const char* key, int* width, int* height) {
    Read(key, [&](const std::string& v, std::string* why) { return ParseSize(v, width, height, why); });
}
void SectionReader::Commands(const char* key, std::vector<uint32_t>* out) {
    Read(key, [&](const std::string& v, std::string* why) { return ParseCommands(v, out, why); });
}
bool SectionReader::Hex(const char* key, std::vector<uint8_t>* out) {
    return Read(key, [&](const std::string& v, std::string* why) { return ParseHex(v, out, why); });
}

// Values shared by scene and store files: texts, colours, fonts, placements
// and the rest, parsed from their written form and written back.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "ini_file.h"

// Each Parse function returns false and sets *why when value is not valid.

// Chip text: UTF-8 with the escapes \n (a CR LF line break), \t and \\.
bool ParseChipText(const std::string& value, std::string* cp932, std::string* why);
std::string WriteChipText(const std::string& cp932);
// "#rrggbb".
bool ParseColour(const std::string& value, COLORREF* colour, std::string* why);
std::string WriteColour(COLORREF colour);
// "face, size[, bold][, italic][, underline][, weight=N][, charset=N]"; size is
// the character height in pixels. The charset defaults to SHIFTJIS_CHARSET.
bool ParseFont(const std::string& value, LOGFONTA* font, std::string* why);
std::string WriteFont(const LOGFONTA& font);
// 0..6 or top-left, top-right, bottom-left, bottom-right, tile, stretch, fit.
bool ParsePlacement(const std::string& value, uint32_t* placement, std::string* why);
// left, centre (center), right or 0..2.
bool ParseAlign(const std::string& value, int32_t* align, std::string* why);
// picture, text, 10008 or 10009.
bool ParseSizing(const std::string& value, int32_t* mode, std::string* why);
// An integer within [low, high].
bool ParseInt(const std::string& value, int low, int high, int* number, std::string* why);
// "WIDTHxHEIGHT", each 1..2000.
bool ParseSize(const std::string& value, int* width, int* height, std::string* why);
// Menu commands 10000..10009, separated by commas or spaces.
bool ParseCommands(const std::string& value, std::vector<uint32_t>* commands, std::string* why);
// Bytes as hexadecimal digits, whitespace ignored.
bool ParseHex(const std::string& value, std::vector<uint8_t>* bytes, std::string* why);
std::string WriteHex(const uint8_t* bytes, size_t size);

// Reads the entries of one section and reports bad values and unknown keys
// to the file, with their line.
class SectionReader {
public:
    SectionReader(IniFile* file, int section, const std::vector<const char*>& knownKeys);
    const IniSection& section() const { return file_->sections[index_]; }
    bool Has(const char* key) const { return FindEntry(section(), key) != nullptr; }
    int LineOf(const char* key) const;
    const std::string* Raw(const char* key) const;
    // Each getter leaves *out alone when the key is absent; a bad value is reported.
    void Text(const char* key, std::string* out);
    void Colour(const char* key, COLORREF* out);
    void Font(const char* key, LOGFONTA* out);
    void Placement(const char* key, uint32_t* out);
    void Align(const char* key, int32_t* out);
    void Sizing(const char* key, int32_t* out);
    void Int(const char* key, int low, int high, int* out);
    void Int32(const char* key, int low, int high, int32_t* out);
    void Size(const char* key, int* width, int* height);
    void Commands(const char* key, std::vector<uint32_t>* out);
    void Hex(const char* key, std::vector<uint8_t>* out);
    void Report(const char* key, const std::string& message);

private:
    template <typename F> void Read(const char* key, F parse);
    IniFile* file_;
    int index_;
};

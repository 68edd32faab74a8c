// The INI-style text that scenes and stores are written in: "[section]"
// headers, "key = value" lines, comments starting with ';' or '#'. Keys are
// matched without regard to letter case; values are kept as written (UTF-8).
#pragma once
#include <string>
#include <vector>

struct IniEntry {
    std::string key;     // lower case
    std::string value;   // trimmed
    int line = 0;
};

struct IniSection {
    std::string name;    // lower case
    int line = 0;
    std::vector<IniEntry> entries;
};

// One problem found in a file, tied to its line and (when inside one) to the
// index of its section.
struct IniProblem {
    int line = 0;
    int section = -1;
    std::string message;
};

struct IniFile {
    std::string path;
    std::vector<IniSection> sections;
    std::vector<IniProblem> problems;

    // Records a problem at line (of section when given).
    void Report(int line, const std::string& message, int section = -1);
    // "path:line: message" for every problem, one per line.
    std::string Describe() const;
};

// Reads and splits the file at path. False only when it cannot be read (then
// *error says why); syntax problems go to file->problems.
bool ReadIniFile(const std::string& path, IniFile* file, std::string* error);
// Splits text that came from path.
void ParseIniText(const std::string& path, const std::string& text, IniFile* file);

// The entry for key in section, or null. A key given twice is reported once
// by ParseIniText; the first one counts.
const IniEntry* FindEntry(const IniSection& section, const char* key);

#include "ini_file.h"
#include <windows.h>
#include <algorithm>
#include <cctype>
#include "system_error.h"
#include "win/kernel_guards.h"
#include "text_codec.h"

namespace {
std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool IsKeyName(const std::string& key) {
    if (key.empty()) return false;
    return std::all_of(key.begin(), key.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '-' || c == '.'; });
}
}  // namespace

void IniFile::Report(int line, const std::string& message, int section, const std::string& recovery) {
    problems.push_back(IniProblem{line, section, message, recovery});
}

std::string IniFile::Describe(bool recovering) const {
    // Found section by section, told line by line.
    std::vector<IniProblem> sorted = problems;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const IniProblem& a, const IniProblem& b) { return a.line < b.line; });
    std::string out;
    for (const IniProblem& p : sorted) {
        out += path + ":" + std::to_string(p.line) + ": " + p.message;
        if (recovering && !p.recovery.empty()) out += " (" + p.recovery + ")";
        out += "\n";
    }
    return out;
}

bool ReadIniFile(const std::string& path, IniFile* file, std::string* error) {
    FileHandle h(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) {
        *error = path + ": cannot open the file: " + LastErrorText();
        return false;
    }
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) text.append(buffer, got);
    const DWORD readError = ok ? 0 : GetLastError();  // before closing sets its own
    h.Close();
    if (!ok) {
        *error = path + ": cannot read the file: " + SystemErrorText(readError);
        return false;
    }
    ParseIniText(path, text, file);
    return true;
}

void ParseIniText(const std::string& path, const std::string& text, IniFile* file) {
    file->path = path;
    file->sections.clear();
    file->problems.clear();
    size_t pos = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    int line = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string raw = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++line;
        const int current = static_cast<int>(file->sections.size()) - 1;
        if (raw.empty() || raw[0] == ';' || raw[0] == '#') continue;
        if (raw[0] == '[') {
            if (raw.back() != ']') {
                file->Report(line, "section header without ']'", current, "the line is ignored");
                continue;
            }
            IniSection section;
            section.name = Lower(Trim(raw.substr(1, raw.size() - 2)));
            section.line = line;
            file->sections.push_back(section);
            continue;
        }
        size_t eq = raw.find('=');
        if (eq == std::string::npos) {
            file->Report(line, "expected \"key = value\" or \"[section]\"", current, "the line is ignored");
            continue;
        }
        IniEntry entry;
        entry.key = Lower(Trim(raw.substr(0, eq)));
        entry.value = Trim(raw.substr(eq + 1));
        entry.line = line;
        if (!IsKeyName(entry.key)) {
            file->Report(line, "bad key name \"" + entry.key + "\"", current, "the line is ignored");
            continue;
        }
        if (current < 0) {
            file->Report(line, "\"" + entry.key + "\" comes before any [section]", -1, "the line is ignored");
            continue;
        }
        IniSection& section = file->sections[current];
        if (FindEntry(section, entry.key.c_str())) {
            file->Report(line, "\"" + entry.key + "\" is given twice in this section", current, "the first one counts");
            continue;
        }
        section.entries.push_back(entry);
    }
}

const IniEntry* FindEntry(const IniSection& section, const char* key) {
    for (const IniEntry& e : section.entries)
        if (e.key == key) return &e;
    return nullptr;
}

#include "chip_store.h"
#include <climits>
#include <cstring>
#include "chip_values.h"
#include "ini_file.h"
#include "text_codec.h"

namespace {
constexpr int kStoreVersion = 1;
constexpr size_t kMaxSavedBytes = 4096;
const std::vector<const char*> kStoreKeys = {"version"};
const char kChipLeftOut[] = "the chip is left out";
// The last line of every store written here: a file that ends with it was
// written whole (a comment, so readers of the format need not know it).
const char kStoreEnd[] = "; end of the store\n";
const std::vector<const char*> kChipKeys = {"text", "text_colour", "back_colour", "font", "x",
                                            "y",    "width",       "height",      "settings"};

bool FileIsEmpty(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExW(Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data) && data.nFileSizeHigh == 0 &&
           data.nFileSizeLow == 0;
}

LOGFONTA DefaultFont() {
    LOGFONTA f{};
    std::string why;
    ParseFont("IPAGothic, 14", &f, &why);
    return f;
}

// Reads one [chip] section. A bad value costs only that value: the chip keeps
// its default. False when its text cannot be read: then the chip is lost, and
// the caller says so of every problem in its section.
bool ReadChip(IniFile* file, int index, StoredChip* chip) {
    SectionReader r(file, index, kChipKeys);
    chip->line = r.section().line;
    bool textRead = r.Has("text");
    if (!textRead) r.Report("text", "[chip] needs a text", kChipLeftOut);
    if (!r.Text("text", &chip->text)) textRead = false;
    r.Colour("text_colour", &chip->textColour);
    r.Colour("back_colour", &chip->backColour);
    r.Font("font", &chip->font);
    const bool xRead = r.Int("x", -32000, 32000, &chip->x), yRead = r.Int("y", -32000, 32000, &chip->y);
    chip->hasPosition = r.Has("x") && r.Has("y") && xRead && yRead;
    if (r.Has("x") != r.Has("y"))
        r.Report(r.Has("x") ? "x" : "y", "x and y go together", "the position is left to the host");
    const bool widthRead = r.Int("width", 1, 4000, &chip->width);
    const bool heightRead = r.Int("height", 1, 4000, &chip->height);
    chip->hasSize = r.Has("width") && r.Has("height") && widthRead && heightRead;
    if (r.Has("width") != r.Has("height"))
        r.Report(r.Has("width") ? "width" : "height", "width and height go together", "the default size is used");
    const char* unset = "the chip starts without stored settings";
    if (!r.Hex("settings", &chip->saved)) {
        file->problems.back().recovery = unset;
        return textRead;
    }
    if (!r.Has("settings")) return textRead;
    uint32_t tag = 0;
    if (chip->saved.size() >= 4) std::memcpy(&tag, chip->saved.data(), 4);
    if (chip->saved.size() < 4 || chip->saved.size() > kMaxSavedBytes) {
        r.Report("settings", "settings: expected 4 to " + std::to_string(kMaxSavedBytes) + " bytes", unset);
        chip->saved.clear();
    } else if ((tag == 408 || tag == 272) && chip->saved.size() < tag + 4) {
        r.Report("settings", "settings: size tag " + std::to_string(tag) + " but only " +
                                 std::to_string(chip->saved.size() - 4) + " bytes follow", unset);
        chip->saved.clear();
    }
    return textRead;
}
}  // namespace

StoredChip NewStoredChip() {
    StoredChip chip;
    chip.text = "New chip\r\n<date> <time>";
    chip.font = DefaultFont();
    return chip;
}

StoreLoad LoadChipStore(const std::string& path, bool recovering, ChipStore* store, std::string* error) {
    *store = ChipStore{};
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND) return StoreLoad::kMissing;
    IniFile file;
    if (!ReadIniFile(path, &file, error)) return StoreLoad::kUnreadable;
    // A store that was created and never written holds no chips, and no damage.
    if (file.sections.empty() && file.problems.empty() && FileIsEmpty(path)) return StoreLoad::kLoaded;
    bool sawStore = false;
    for (int i = 0; i < static_cast<int>(file.sections.size()); ++i) {
        const IniSection& section = file.sections[i];
        if (section.name == "store") {
            sawStore = true;
            SectionReader r(&file, i, kStoreKeys);
            int version = kStoreVersion;
            const std::string* written = r.Raw("version");
            // A newer store holds what this host cannot know: never read on.
            if (written && ParseInt(*written, kStoreVersion + 1, INT_MAX, &version, error)) {
                *error = path + ":" + std::to_string(r.LineOf("version")) + ": the store is version " +
                         std::to_string(version) + ", newer than the version " + std::to_string(kStoreVersion) +
                         " this chiphost reads; it was left untouched\n";
                return StoreLoad::kNewer;
            }
            r.Int("version", kStoreVersion, kStoreVersion, &version);
        } else if (section.name == "chip") {
            StoredChip chip;
            chip.font = DefaultFont();
            if (ReadChip(&file, i, &chip)) {
                store->chips.push_back(chip);
            } else {
                // Whatever else the chip's lines held goes with it.
                for (IniProblem& problem : file.problems)
                    if (problem.section == i) problem.recovery = kChipLeftOut;
            }
        } else {
            file.Report(section.line, "unknown section [" + section.name + "] (expected [store] or [chip])", i,
                        "ignored");
        }
    }
    if (!sawStore) file.Report(1, "not a chip store: no [store] section", -1, "read as one all the same");
    error->clear();
    if (file.problems.empty()) return StoreLoad::kLoaded;
    *error = file.Describe(recovering);
    return StoreLoad::kDamaged;
}

std::string WriteChipStoreText(const ChipStore& store) {
    std::string out = "; Desktop chips of chiphost run mode. Written by chiphost; settings is the\n"
                      "; library's saved block (size tag and settings) in hexadecimal.\n[store]\nversion = " +
                      std::to_string(kStoreVersion) + "\n";
    for (const StoredChip& c : store.chips) {
        out += "\n[chip]\ntext = " + WriteChipText(c.text) + "\n";
        out += "text_colour = " + WriteColour(c.textColour) + "\n";
        out += "back_colour = " + WriteColour(c.backColour) + "\n";
        out += "font = " + WriteFont(c.font) + "\n";
        if (c.hasPosition) out += "x = " + std::to_string(c.x) + "\ny = " + std::to_string(c.y) + "\n";
        if (c.hasSize)
            out += "width = " + std::to_string(c.width) + "\nheight = " + std::to_string(c.height) + "\n";
        if (!c.saved.empty()) out += "settings = " + WriteHex(c.saved.data(), c.saved.size()) + "\n";
    }
    return out + "\n" + kStoreEnd;
}

bool IsWholeStoreText(const std::string& text) {
    const size_t n = sizeof kStoreEnd - 1;
    return text.size() >= n && text.compare(text.size() - n, n, kStoreEnd) == 0;
}

#include "chip_store.h"
#include <cstring>
#include "chip_values.h"
#include "ini_file.h"
#include "safe_file.h"

namespace {
constexpr int kStoreVersion = 1;
constexpr size_t kMaxSavedBytes = 4096;
const std::vector<const char*> kStoreKeys = {"version"};
const std::vector<const char*> kChipKeys = {"text", "text_colour", "back_colour", "font", "x",
                                            "y",    "width",       "height",      "settings"};

LOGFONTA DefaultFont() {
    LOGFONTA f{};
    std::string why;
    ParseFont("IPAGothic, 14", &f, &why);
    return f;
}

void ReadChip(IniFile* file, int index, StoredChip* chip) {
    SectionReader r(file, index, kChipKeys);
    chip->line = r.section().line;
    if (!r.Has("text")) r.Report("text", "[chip] needs a text");
    r.Text("text", &chip->text);
    r.Colour("text_colour", &chip->textColour);
    r.Colour("back_colour", &chip->backColour);
    r.Font("font", &chip->font);
    chip->hasPosition = r.Has("x") || r.Has("y");
    if (chip->hasPosition && !(r.Has("x") && r.Has("y"))) r.Report(r.Has("x") ? "x" : "y", "x and y go together");
    r.Int("x", -32000, 32000, &chip->x);
    r.Int("y", -32000, 32000, &chip->y);
    chip->hasSize = r.Has("width") || r.Has("height");
    if (chip->hasSize && !(r.Has("width") && r.Has("height")))
        r.Report(r.Has("width") ? "width" : "height", "width and height go together");
    r.Int("width", 1, 4000, &chip->width);
    r.Int("height", 1, 4000, &chip->height);
    r.Hex("settings", &chip->saved);
    if (!r.Has("settings")) return;
    uint32_t tag = 0;
    if (chip->saved.size() >= 4) std::memcpy(&tag, chip->saved.data(), 4);
    if (chip->saved.size() < 4 || chip->saved.size() > kMaxSavedBytes)
        r.Report("settings", "settings: expected 4 to " + std::to_string(kMaxSavedBytes) + " bytes");
    else if ((tag == 408 || tag == 272) && chip->saved.size() < tag + 4)
        r.Report("settings", "settings: size tag " + std::to_string(tag) + " but only " +
                                 std::to_string(chip->saved.size() - 4) + " bytes follow");
}
}  // namespace

StoredChip NewStoredChip() {
    StoredChip chip;
    chip.text = "New chip\r\n<date> <time>";
    chip.font = DefaultFont();
    return chip;
}

StoreLoad LoadChipStore(const std::string& path, ChipStore* store, std::string* error) {
    *store = ChipStore{};
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
        return StoreLoad::kMissing;
    IniFile file;
    if (!ReadIniFile(path, &file, error)) return StoreLoad::kUnreadable;
    bool sawStore = false;
    std::vector<StoredChip> chips;
    std::vector<int> sectionOf;
    for (int i = 0; i < static_cast<int>(file.sections.size()); ++i) {
        const IniSection& section = file.sections[i];
        if (section.name == "store") {
            sawStore = true;
            SectionReader r(&file, i, kStoreKeys);
            int version = kStoreVersion;
            r.Int("version", kStoreVersion, kStoreVersion, &version);
        } else if (section.name == "chip") {
            chips.emplace_back();
            chips.back().font = DefaultFont();
            ReadChip(&file, i, &chips.back());
            sectionOf.push_back(i);
        } else {
            file.Report(section.line, "unknown section [" + section.name + "] (expected [store] or [chip])", i);
        }
    }
    if (!sawStore) file.Report(1, "not a chip store: no [store] section");
    for (size_t c = 0; c < chips.size(); ++c) {
        bool clean = true;
        for (const IniProblem& p : file.problems) clean &= p.section != sectionOf[c];
        if (clean) store->chips.push_back(chips[c]);
    }
    if (file.problems.empty()) return StoreLoad::kLoaded;
    *error = file.Describe();
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
    return out;
}

bool SaveChipStore(const std::string& path, const ChipStore& store, std::string* error) {
    const std::string text = WriteChipStoreText(store);
    return ReplaceFileContents(path, text.data(), text.size(), error);
}

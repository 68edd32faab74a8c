#include "scene_file.h"
#include "chip_values.h"
#include "ini_file.h"
#include "text_codec.h"

namespace {
const std::vector<const char*> kSheetKeys = {"title", "width", "background", "caption_colour", "caption_font"};
const std::vector<const char*> kChipKeys = {
    "caption",     "text",        "size",        "text_colour", "back_colour", "font",
    "picture",     "placement",   "align",       "sizing",      "date_format", "time_format",
    "date_font",   "date_colour", "time_font",   "time_colour", "menu",
};
const char* const kSettingsKeys[] = {"picture",   "placement", "align",     "sizing",    "date_format",
                                     "time_format", "date_font", "date_colour", "time_font", "time_colour"};

LOGFONTA PlainFont(int size) {
    LOGFONTA f{};
    std::string why;
    ParseFont("IPAGothic, " + std::to_string(size), &f, &why);
    return f;
}

void ReadSheet(IniFile* file, int index, SceneSheet* sheet) {
    SectionReader r(file, index, kSheetKeys);
    r.Text("title", &sheet->title);
    r.Int("width", 200, 4000, &sheet->width);
    r.Colour("background", &sheet->background);
    r.Colour("caption_colour", &sheet->captionColour);
    r.Font("caption_font", &sheet->captionFont);
}

void ReadPicturePath(SectionReader& r, const std::string& folder, char (&out)[kPathSize]) {
    const std::string* raw = r.Raw("picture");
    if (!raw || raw->empty()) return;
    // The library takes code page 932 paths: the scene's folder must fit too.
    std::string utf8 = IsAbsolutePath(*raw) ? *raw : folder + *raw;
    for (char& c : utf8)
        if (c == '/') c = '\\';
    std::string path;
    if (!Utf8ToCp932(utf8, &path)) {
        r.Report("picture", "picture: path is not representable in code page 932");
        return;
    }
    if (path.size() >= kPathSize) {
        r.Report("picture", "picture: path is longer than " + std::to_string(kPathSize - 1) + " bytes");
        return;
    }
    lstrcpyA(out, path.c_str());
}

void ReadChip(IniFile* file, int index, const std::string& folder, SceneChip* chip) {
    SectionReader r(file, index, kChipKeys);
    chip->line = r.section().line;
    chip->font = PlainFont(14);
    r.Text("caption", &chip->caption);
    if (!r.Has("text")) r.Report("text", "[chip] needs a text (it may be empty: \"text =\")");
    r.Text("text", &chip->text);
    if (const std::string* size = r.Raw("size")) {
        chip->defaultSize = *size == "default";
        if (!chip->defaultSize) r.Size("size", &chip->clientWidth, &chip->clientHeight);
    }
    r.Colour("text_colour", &chip->textColour);
    r.Colour("back_colour", &chip->backColour);
    r.Font("font", &chip->font);
    for (const char* key : kSettingsKeys) chip->hasSettings |= r.Has(key);
    ChipSettings& s = chip->settings;
    ReadPicturePath(r, folder, s.picturePath);
    r.Placement("placement", &s.placement);
    r.Align("align", &s.textAlign);
    r.Sizing("sizing", &s.sizingMode);
    r.Int32("date_format", 0, 7, &s.dateFormat);
    r.Int32("time_format", 0, 7, &s.timeFormat);
    r.Font("date_font", &s.dateFont);
    r.Colour("date_colour", &s.dateColour);
    r.Font("time_font", &s.timeFont);
    r.Colour("time_colour", &s.timeColour);
    if (r.Has("date_colour") && !r.Has("date_font"))
        r.Report("date_colour", "date_colour needs a date_font (without one the field uses the text's look)");
    if (r.Has("time_colour") && !r.Has("time_font"))
        r.Report("time_colour", "time_colour needs a time_font (without one the field uses the text's look)");
    r.Commands("menu", &chip->menu);
}
}  // namespace

bool LoadScene(const std::string& path, Scene* scene, std::string* error) {
    IniFile file;
    if (!ReadIniFile(path, &file, error)) return false;
    wchar_t full[MAX_PATH] = L"";
    GetFullPathNameW(Utf8ToWide(path).c_str(), MAX_PATH, full, nullptr);
    const std::string folder = PathFolder(WideToUtf8(full));

    *scene = Scene{};
    scene->sheet.captionFont = PlainFont(13);
    bool sawSheet = false;
    for (int i = 0; i < static_cast<int>(file.sections.size()); ++i) {
        const IniSection& section = file.sections[i];
        if (section.name == "sheet") {
            if (sawSheet) file.Report(section.line, "[sheet] is given twice", i);
            sawSheet = true;
            ReadSheet(&file, i, &scene->sheet);
        } else if (section.name == "chip") {
            scene->chips.emplace_back();
            ReadChip(&file, i, folder, &scene->chips.back());
        } else {
            file.Report(section.line, "unknown section [" + section.name + "] (expected [sheet] or [chip])", i);
        }
    }
    if (scene->chips.empty() && file.problems.empty()) file.Report(1, "the scene has no [chip] section");
    if (!file.problems.empty()) {
        *error = file.Describe();
        return false;
    }
    return true;
}

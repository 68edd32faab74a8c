// The settings dialog through EditHelper, as the host opens it: the real modal
// dialog, its message box and the common dialogs are driven from a timer.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include "dialog_driver.h"
#include "scoped_state.h"
#include "test_support.h"

namespace {
const char kSettingsCaption[] = "入力サポート";
const char kWarningCaption[] = "Plug-in 文字と画像";
const char kWarningText[] = "選択されたビットマップは読み込めませんでした。\nファイルが壊れているなどが考えられます。";
const int kCombos[] = {1002, 1003, 1004, 1007, 1008};
enum { kFileTypeCombo = 0x470, kFileNameBox = 0x47C };   // the file chooser's own controls

// Expected contents of the five combo boxes, in the order of kCombos.
const std::vector<std::string> kComboTexts[] = {
    {"左上", "右上", "左下", "右下", "タイルだよン", "小片にﾌｨｯﾄ", "小片にﾌｨｯﾄ(ｱｽﾍﾟｸﾄ比保持)"},
    {"左寄せ", "中央", "右寄せ"},
    {"画像で再計算", "文字で再計算"},
    {"1998/ 6/ 5", "1998/ 6/ 5(Fri)", "1998年 6月 5日", "1998年 6月 5日(金曜日)", "6/ 5", "6/ 5(Fri)", "6月 5日",
     "6月 5日(金曜日)"},
    {"22:05:08", "PM 10:05:08", "22:05", "PM 10:05", "22時05分08秒", "午後 10時05分08秒", "22時05分", "午後 10時05分"},
};

HGLOBAL NewBlock(const ChipSettings& settings) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(settings));
    std::memcpy(GlobalLock(block), &settings, sizeof(settings));
    GlobalUnlock(block);
    return block;
}

std::vector<uint8_t> BlockBytes(HGLOBAL block) {
    std::vector<uint8_t> bytes(GlobalSize(block));
    if (!bytes.empty()) {
        std::memcpy(bytes.data(), GlobalLock(block), bytes.size());
        GlobalUnlock(block);
    }
    return bytes;
}

ChipSettings ReadBlock(HGLOBAL block) {
    ChipSettings settings{};
    const std::vector<uint8_t> bytes = BlockBytes(block);
    EXPECT_EQ(bytes.size(), sizeof(settings));
    std::memcpy(&settings, bytes.data(), bytes.size() < sizeof(settings) ? bytes.size() : sizeof(settings));
    return settings;
}

void ExpectSameSettings(const ChipSettings& actual, const ChipSettings& expected) {
    EXPECT_EQ(actual.placement, expected.placement);
    EXPECT_EQ(actual.textAlign, expected.textAlign);
    EXPECT_EQ(actual.sizingMode, expected.sizingMode);
    EXPECT_STREQ(actual.picturePath, expected.picturePath);
    EXPECT_EQ(actual.dateColour, expected.dateColour);
    EXPECT_STREQ(actual.dateFont.lfFaceName, expected.dateFont.lfFaceName);
    EXPECT_EQ(actual.dateFormat, expected.dateFormat);
    EXPECT_EQ(actual.timeColour, expected.timeColour);
    EXPECT_STREQ(actual.timeFont.lfFaceName, expected.timeFont.lfFaceName);
    EXPECT_EQ(actual.timeFormat, expected.timeFormat);
    EXPECT_EQ(std::memcmp(&actual, &expected, sizeof(actual)), 0) << "the whole block, byte for byte";
}

ChipSettings Settings(uint32_t placement, int32_t align, int32_t sizing, const std::string& path, int32_t dateFormat,
                      int32_t timeFormat) {
    ChipSettings s{};
    s.placement = placement;
    s.textAlign = align;
    s.sizingMode = sizing;
    lstrcpynA(s.picturePath, path.c_str(), sizeof(s.picturePath));
    s.dateFormat = dateFormat;
    s.timeFormat = timeFormat;
    return s;
}

// The host's request together with the bytes it held before the dialog.
struct Request {
    EditRequest record{};
    explicit Request(const ChipSettings* settings, uint32_t size = sizeof(ChipSettings)) {
        record.settingsSize = settings ? size : 0;
        record.settingsBlock = settings ? NewBlock(*settings) : nullptr;
    }
    ~Request() {
        if (record.settingsBlock) GlobalFree(record.settingsBlock);
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;
};

void ExpectUnchanged(const EditRequest& now, const EditRequest& before, const std::vector<uint8_t>& bytes) {
    EXPECT_EQ(now.settingsSize, before.settingsSize);
    EXPECT_EQ(now.settingsBlock, before.settingsBlock);
    if (now.settingsBlock) {
        EXPECT_EQ(BlockBytes(now.settingsBlock), bytes);
    }
}

HWND SettingsDialog() {
    HWND dialog = InnermostDialog();
    return HasCaption(dialog, kSettingsCaption) ? dialog : nullptr;
}
// A common dialog or message box opened from the settings dialog.
HWND NestedDialog() {
    HWND dialog = InnermostDialog();
    return dialog && !HasCaption(dialog, kSettingsCaption) ? dialog : nullptr;
}

DialogScript::Step OnSettings(std::function<void(HWND)> action) {
    return [action] {
        HWND dialog = SettingsDialog();
        if (dialog) action(dialog);
        return dialog != nullptr;
    };
}
DialogScript::Step OnNested(std::function<void(HWND)> action) {
    return [action] {
        HWND dialog = NestedDialog();
        if (dialog) action(dialog);
        return dialog != nullptr;
    };
}
DialogScript::Step Press(int id) {
    return OnSettings([id](HWND dialog) { PostCommand(dialog, id); });
}

INT_PTR RunEditHelper(EditRequest* request, DialogScript& script) {
    TestWindow owner(100, 100);
    INT_PTR result = -1;
    script.Run([&] { result = Library().EditHelper(owner.get(), request); });
    return result;
}

void SetPath(HWND dialog, const std::string& path) { SetDlgItemTextA(dialog, 1000, path.c_str()); }
std::string Path(HWND dialog) { return WindowText(GetDlgItem(dialog, 1000)); }

// Points the Susie plug-in folder at `folder` (by default an empty one, so
// that the built-in reader is the only one); the value is removed afterwards.
class PluginFolder {
public:
    explicit PluginFolder(std::string folder = "") : state_(Point(folder)) {}
private:
    static ScopedState Point(std::string folder) {
        if (folder.empty()) {
            folder = TempDirectory() + "no-plugins";
            CreateDirectoryA(folder.c_str(), nullptr);
        }
        return ScopedState::RegistryText(kSusieFolderKey, "Path", folder.c_str());
    }
    ScopedState state_;
};

// The host's default text colour and font: none at first, put back afterwards.
class HostDefaults {
public:
    void Set(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, kHostCustomKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
private:
    ScopedState colour_ = ScopedState::RegistryValue(kHostCustomKey, "TextColor", 0, nullptr, 0);
    ScopedState font_ = ScopedState::RegistryValue(kHostCustomKey, "LOGFONT", 0, nullptr, 0);
};

std::string CurrentDirectory() {
    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(dir), dir);
    return dir;
}

const std::string& ReadablePicture() {
    static const std::string path = [] {
        const std::string p = TempDirectory() + "picture.bmp";
        WriteSolidBmp(p, 8, 6, RGB(10, 200, 30));
        return p;
    }();
    return path;
}
}  // namespace

TEST(SettingsDialog, ShowsTheBlockAndCancelLeavesTheRequest) {
    ChipSettings unterminated = Settings(1, 1, 10008, "", 2, 2);
    std::memset(unterminated.picturePath, 'a', sizeof(unterminated.picturePath));
    ChipSettings older = Settings(10002, 2, 10009, "C:\\old.bmp", 0, 0);
    older.dateFormat = 5;   // beyond the 272 bytes the request names: not read
    older.timeFormat = 6;
    const ChipSettings full = Settings(10003, 5, 10009, "C:\\pictures\\chip.bmp", 3, 7);
    const ChipSettings outside = Settings(7, 1, 0, "C:\\x.bmp", 9, -1);

    const struct Row {
        const char* name;
        const ChipSettings* settings;
        uint32_t size;
        std::string path;
        std::vector<std::string> selections;   // in the order of kCombos
    } rows[] = {
        {"full block", &full, 408, "C:\\pictures\\chip.bmp",
         {"右下", "左寄せ", "文字で再計算", "1998年 6月 5日(金曜日)", "午後 10時05分"}},
        {"no block", nullptr, 0, "", {"左上", "左寄せ", "画像で再計算", "1998/ 6/ 5", "22:05:08"}},
        {"block without a stated size", &full, 0, "C:\\pictures\\chip.bmp",
         {"右下", "左寄せ", "文字で再計算", "1998年 6月 5日(金曜日)", "午後 10時05分"}},
        {"values outside the rows", &outside, 408, "C:\\x.bmp", {"(none)", "中央", "(none)", "(none)", "(none)"}},
        {"older 272-byte form", &older, 272, "C:\\old.bmp",
         {"左下", "右寄せ", "文字で再計算", "1998/ 6/ 5", "22:05:08"}},
        {"path without terminator", &unterminated, 408, std::string(259, 'a'),
         {"右上", "中央", "画像で再計算", "1998年 6月 5日", "22:05"}},
    };
    bool first = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Request request(row.settings, row.size);
        const EditRequest before = request.record;
        const std::vector<uint8_t> bytes = row.settings ? BlockBytes(before.settingsBlock) : std::vector<uint8_t>{};
        DialogScript script;
        script.Then(OnSettings([&](HWND dialog) {
            EXPECT_EQ(Path(dialog), row.path);
            for (size_t i = 0; i < 5; ++i) {
                HWND combo = GetDlgItem(dialog, kCombos[i]);
                EXPECT_EQ(ComboItems(combo), kComboTexts[i]) << "combo " << kCombos[i];
                EXPECT_EQ(ComboSelection(combo), row.selections[i]) << "combo " << kCombos[i];
            }
            if (first) {
                EXPECT_EQ(ChildTexts(dialog, 0xFFFF),
                          (std::vector<std::string>{"背景の画像ファイル :", "画像の位置 :", "文字の整列 :", "再計算方法 :",
                                                    "日付の書式 :", "時刻の書式 :"}));
                EXPECT_EQ(WindowText(GetDlgItem(dialog, IDCANCEL)), "ｷｬﾝｾﾙ");
                EXPECT_EQ(WindowText(GetDlgItem(dialog, 1001)), "選択...");
                EXPECT_EQ(WindowText(GetDlgItem(dialog, 1005)), "時刻のフォント");
                EXPECT_EQ(WindowText(GetDlgItem(dialog, 1006)), "日付のフォント");
                EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK)) << "focus starts on OK";
                EXPECT_TRUE(SaveWindowPicture(dialog, ScreenshotDirectory() + "settings.bmp"));
            }
        })).Then(Press(IDCANCEL));
        EXPECT_EQ(RunEditHelper(&request.record, script), IDCANCEL);
        ExpectUnchanged(request.record, before, bytes);
        first = false;
    }
}

TEST(SettingsDialog, OkWritesANewBlock) {
    PluginFolder noPlugins;
    ChipSettings coloured = Settings(0, 0, 10008, "", 0, 0);
    coloured.dateColour = RGB(1, 2, 3);
    coloured.timeColour = RGB(4, 5, 6);
    coloured.dateFont = MakeFont(-14, "Date Face");
    coloured.timeFont = MakeFont(-16, "Time Face");
    ChipSettings older = Settings(10001, 5, 10008, ReadablePicture(), 4, 4);
    older.dateFont = MakeFont(-20, "Not Read");
    const ChipSettings outside = Settings(8, 2, 0, ReadablePicture(), 9, 8);

    // Each row opens on `settings`, runs `edit` on the dialog, presses OK and
    // expects `written`. The colours carry over from one opening to the next.
    ChipSettings edited = coloured;
    edited.placement = 6;
    edited.textAlign = 1;
    edited.sizingMode = 10009;
    lstrcpynA(edited.picturePath, ReadablePicture().c_str(), 260);
    edited.dateFormat = 6;
    edited.timeFormat = 5;
    ChipSettings blank{};
    blank.sizingMode = 10009;
    blank.dateColour = coloured.dateColour;
    blank.timeColour = coloured.timeColour;
    ChipSettings olderWritten = Settings(1, 0, 10008, ReadablePicture(), 0, 0);
    olderWritten.dateColour = coloured.dateColour;
    olderWritten.timeColour = coloured.timeColour;
    // Boxes left without a selection write the first row; this block's colours are 0.
    const ChipSettings outsideWritten = Settings(0, 2, 10008, ReadablePicture(), 0, 0);
    // Without a picture the corner and the sizing by the picture are dropped.
    const ChipSettings cornerNoPath = Settings(3, 1, 10008, "", 2, 3);
    const ChipSettings cornerNoPathWritten = Settings(0, 1, 10009, "", 2, 3);
    const struct Row {
        const char* name;
        const ChipSettings* settings;
        uint32_t size;
        void (*edit)(HWND);
        const ChipSettings* written;
    } rows[] = {
        {"picture and every combo changed", &coloured, 408,
         [](HWND d) {
             SetPath(d, ReadablePicture());
             const int picks[] = {6, 1, 1, 6, 5};
             for (int i = 0; i < 5; ++i) SendDlgItemMessageA(d, kCombos[i], CB_SETCURSEL, picks[i], 0);
         },
         &edited},
        {"no block, OK at once", nullptr, 0, [](HWND) {}, &blank},
        {"older form", &older, 272, [](HWND) {}, &olderWritten},
        {"values outside the rows", &outside, 408, [](HWND) {}, &outsideWritten},
        {"empty path", &cornerNoPath, 408, [](HWND) {}, &cornerNoPathWritten},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Request request(row.settings, row.size);
        const HGLOBAL old = request.record.settingsBlock;
        DialogScript script;
        script.Then(OnSettings(row.edit)).Then(Press(IDOK));
        EXPECT_EQ(RunEditHelper(&request.record, script), IDOK);
        EXPECT_EQ(request.record.settingsSize, 408u);
        ASSERT_TRUE(request.record.settingsBlock);
        EXPECT_NE(request.record.settingsBlock, old);
        void* locked = GlobalLock(request.record.settingsBlock);
        EXPECT_NE(locked, static_cast<void*>(request.record.settingsBlock)) << "a movable block";
        GlobalUnlock(request.record.settingsBlock);
        if (old) {
            EXPECT_EQ(GlobalSize(old), 0u) << "the old block is freed";
        }
        ExpectSameSettings(ReadBlock(request.record.settingsBlock), *row.written);
    }
}

TEST(SettingsDialog, UnreadablePictureWarnsAndKeepsTheDialogOpen) {
    PluginFolder noPlugins;
    const std::string broken = TempDirectory() + "broken.bmp";
    const std::string unknown = TempDirectory() + "picture.xyz";
    for (const std::string& path : {broken, unknown}) WriteFileBytes(path, "not a picture at all", 20);
    for (const std::string& path : {broken, unknown}) {
        SCOPED_TRACE(path);
        const ChipSettings settings = Settings(2, 1, 10008, ReadablePicture(), 1, 1);
        Request request(&settings);
        const EditRequest before = request.record;
        const std::vector<uint8_t> bytes = BlockBytes(before.settingsBlock);
        DialogScript script;
        script.Then(OnSettings([&](HWND d) { SetPath(d, path); }))
            .Then(Press(IDOK))
            .Then(OnNested([](HWND box) {
                EXPECT_EQ(WindowText(box), kWarningCaption);
                bool found = false;
                for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                    found = found || WindowText(child) == kWarningText;
                EXPECT_TRUE(found) << "warning text";
                EXPECT_FALSE(GetDlgItem(box, IDCANCEL)) << "an OK button only";
                PostCommand(box, IDOK);
            }))
            .Then(OnSettings([&](HWND d) { EXPECT_EQ(Path(d), path); }))
            .Then(Press(IDCANCEL));
        EXPECT_EQ(RunEditHelper(&request.record, script), IDCANCEL);
        ExpectUnchanged(request.record, before, bytes);
    }
}

TEST(SettingsDialog, WithoutARequestWritesNowhere) {
    for (int button : {IDOK, IDCANCEL}) {
        DialogScript script;
        script.Then(OnSettings([](HWND d) { EXPECT_EQ(Path(d), ""); })).Then(Press(button));
        EXPECT_EQ(RunEditHelper(nullptr, script), IDCANCEL) << "button " << button;
    }
}

TEST(SettingsDialog, FontButtonsSeedFromTheHostsDefaults) {
    const LOGFONTA hostFont = MakeFont(-18, "Host Face");
    const COLORREF hostColour = RGB(200, 100, 50);
    const COLORREF ownColour = RGB(7, 8, 9);
    std::vector<uint8_t> longer(61, 0);
    std::memcpy(longer.data(), &hostFont, sizeof(hostFont));
    const struct Row {
        const char* name;
        bool withKey;
        DWORD fontType;
        DWORD fontSize;
        bool fontSeeded;
        bool colourSeeded;
    } rows[] = {
        {"60-byte binary", true, REG_BINARY, 60, true, true},
        {"59 bytes", true, REG_BINARY, 59, false, true},
        {"61 bytes", true, REG_BINARY, 61, false, true},
        {"wrong type", true, REG_SZ, 60, false, true},
        {"no key", false, 0, 0, false, false},
    };
    for (const Row& row : rows) {
        for (int button : {1006, 1005}) {
            SCOPED_TRACE(std::string(row.name) + (button == 1006 ? ", date" : ", time"));
            HostDefaults defaults;
            if (row.withKey) {
                defaults.Set("TextColor", REG_DWORD, &hostColour, 4);
                defaults.Set("LOGFONT", row.fontType, longer.data(), row.fontSize);
            }
            ChipSettings settings = Settings(0, 0, 10009, "", 0, 0);
            settings.dateColour = settings.timeColour = ownColour;
            Request request(&settings);
            DialogScript script;
            script.Then(Press(button))
                .Then(OnNested([](HWND fonts) { PostCommand(fonts, IDCANCEL); }))
                .Then(Press(IDOK));
            EXPECT_EQ(RunEditHelper(&request.record, script), IDOK);
            const ChipSettings written = ReadBlock(request.record.settingsBlock);
            const LOGFONTA& font = button == 1006 ? written.dateFont : written.timeFont;
            const LOGFONTA& other = button == 1006 ? written.timeFont : written.dateFont;
            EXPECT_EQ(button == 1006 ? written.dateColour : written.timeColour,
                      row.colourSeeded ? hostColour : ownColour);
            EXPECT_EQ(button == 1006 ? written.timeColour : written.dateColour, ownColour);
            const LOGFONTA expected = row.fontSeeded ? hostFont : LOGFONTA{};
            EXPECT_EQ(std::memcmp(&font, &expected, sizeof(font)), 0) << font.lfFaceName;
            EXPECT_EQ(other.lfFaceName[0], '\0') << "the other field is not touched";
        }
    }
}

TEST(SettingsDialog, FontButtonKeepsAChosenFontAndTakesTheChosenColour) {
    HostDefaults defaults;
    const LOGFONTA hostFont = MakeFont(-18, "Host Face");
    const COLORREF hostColour = RGB(200, 100, 50);
    defaults.Set("TextColor", REG_DWORD, &hostColour, 4);
    defaults.Set("LOGFONT", REG_BINARY, &hostFont, 60);

    ChipSettings settings = Settings(0, 0, 10009, "", 0, 0);
    settings.dateColour = RGB(9, 9, 9);
    settings.timeFont = MakeFont(-12, "Own Face");
    settings.timeColour = RGB(1, 1, 1);
    const auto cancelFonts = [](HWND fonts) { PostCommand(fonts, IDCANCEL); };
    {
        // The time field has a font: no seeding. The date field is seeded once;
        // a second press ignores defaults changed in between.
        Request request(&settings);
        const LOGFONTA laterFont = MakeFont(-30, "Later Face");
        const COLORREF laterColour = RGB(0, 0, 255);
        DialogScript script;
        script.Then(Press(1005))
            .Then(OnNested(cancelFonts))
            .Then(Press(1006))
            .Then(OnNested(cancelFonts))
            .Then(OnSettings([&](HWND) {
                defaults.Set("LOGFONT", REG_BINARY, &laterFont, 60);
                defaults.Set("TextColor", REG_DWORD, &laterColour, 4);
            }))
            .Then(Press(1006))
            .Then(OnNested(cancelFonts))
            .Then(Press(IDOK));
        EXPECT_EQ(RunEditHelper(&request.record, script), IDOK);
        const ChipSettings written = ReadBlock(request.record.settingsBlock);
        EXPECT_EQ(std::memcmp(&written.timeFont, &settings.timeFont, sizeof(LOGFONTA)), 0);
        EXPECT_EQ(written.timeColour, RGB(1, 1, 1));
        EXPECT_EQ(std::memcmp(&written.dateFont, &hostFont, sizeof(LOGFONTA)), 0) << written.dateFont.lfFaceName;
        EXPECT_EQ(written.dateColour, hostColour);
    }
    {
        // OK in the font dialog takes the colour picked there.
        Request request(&settings);
        COLORREF picked = CLR_INVALID;
        DialogScript script;
        script.Then(Press(1005))
            .Then(OnNested([&](HWND fonts) {
                HWND colours = GetDlgItem(fonts, 0x473);   // the font dialog's colour box
                const LRESULT last = SendMessageA(colours, CB_GETCOUNT, 0, 0) - 1;
                SendMessageA(colours, CB_SETCURSEL, last, 0);
                picked = static_cast<COLORREF>(SendMessageA(colours, CB_GETITEMDATA, last, 0));
                PostMessageA(fonts, WM_COMMAND, MAKEWPARAM(0x473, CBN_SELCHANGE), reinterpret_cast<LPARAM>(colours));
                PostCommand(fonts, IDOK);
            }))
            .Then(Press(IDOK));
        EXPECT_EQ(RunEditHelper(&request.record, script), IDOK);
        const ChipSettings written = ReadBlock(request.record.settingsBlock);
        EXPECT_NE(picked, CLR_INVALID);
        EXPECT_NE(picked, RGB(1, 1, 1));
        EXPECT_EQ(written.timeColour, picked);
    }
}

// The font dialog opens at the field's font, or, for a field without one (and
// no host defaults), at the font of the chip the dialog was opened for; fonts
// named in English are found under the name the dialog lists. Cancelling it
// leaves the field as it was.
TEST(SettingsDialog, FontDialogStartsAtTheFieldsOrTheChipsFont) {
    TestWindow window(100, 100);
    HostChip chip("text");
    chip.info.textFont = MakeFont(-27, "IPAPGothic");
    HLOCAL handle = nullptr, other = nullptr;
    TestWindow otherWindow(100, 100);
    Library().InitializeChip(&handle, window.get(), &chip.info);
    const struct {
        const char* name;
        const char* fieldFace;     // empty: the field has no font
        bool chipKnown;
        const char* listedFace;    // where the dialog must start; null: anywhere else
    } rows[] = {
        {"field font", "IPAGothic", true, "IPAゴシック"},
        {"chip's font", "", true, "IPA Pゴシック"},
        {"chip released", "", false, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.chipKnown && handle) {
            Library().UnInitializeChip(handle);
            handle = nullptr;
            // A chip made next, elsewhere, may be given the freed handle: the
            // released chip's window must not lead to it.
            Library().InitializeChip(&other, otherWindow.get(), &chip.info);
        }
        ChipSettings settings = Settings(0, 0, 10009, "", 0, 0);
        if (row.fieldFace[0]) settings.dateFont = MakeFont(-27, row.fieldFace);
        Request request(&settings);
        std::string face, size;
        DialogScript script;
        script.Then(Press(1006))
            .Then(OnNested([&](HWND fonts) {
                face = WindowText(GetDlgItem(fonts, 0x470));   // the face box
                size = WindowText(GetDlgItem(fonts, 0x472));   // the size box
                PostCommand(fonts, IDCANCEL);
            }))
            .Then(Press(IDOK));
        INT_PTR result = -1;
        script.Run([&] { result = Library().EditHelper(window.get(), &request.record); });
        EXPECT_EQ(result, IDOK);
        if (row.listedFace) {
            EXPECT_EQ(face, row.listedFace);
            EXPECT_EQ(size, "20");
        } else {
            EXPECT_FALSE(face == "IPA Pゴシック" && size == "20") << face << " " << size;
        }
        EXPECT_STREQ(ReadBlock(request.record.settingsBlock).dateFont.lfFaceName, row.fieldFace);
    }
    if (other) Library().UnInitializeChip(other);
}

TEST(SettingsDialog, FileChooserRestoresTheCurrentDirectory) {
    PluginFolder noPlugins;
    const std::string start = CurrentDirectory();
    ScopedState startFolder = ScopedState::CurrentFolder(start);
    const std::string elsewhere = TempDirectory() + "elsewhere";
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    const ChipSettings settings = Settings(0, 0, 10009, "C:\\initial.bmp", 0, 0);
    Request request(&settings);
    std::string afterCancel, afterChoice;
    DialogScript script;
    script.Then(Press(1001))
        .Then(OnNested([&](HWND chooser) {
            EXPECT_EQ(ComboItems(GetDlgItem(chooser, kFileTypeCombo)),
                      (std::vector<std::string>{"全画像ﾌｧｲﾙ", "Bitmap"}));
            EXPECT_EQ(ComboSelection(GetDlgItem(chooser, kFileTypeCombo)), "全画像ﾌｧｲﾙ");
            EXPECT_EQ(WindowText(GetDlgItem(chooser, kFileNameBox)), "initial.bmp") << "the edit box's path";
            SetCurrentDirectoryA(elsewhere.c_str());   // as browsing in the chooser does
            PostCommand(chooser, IDCANCEL);
        }))
        .Then(OnSettings([&](HWND d) {
            afterCancel = CurrentDirectory();
            EXPECT_EQ(Path(d), "C:\\initial.bmp");
            PostCommand(d, 1001);
        }))
        .Then(OnNested([&](HWND chooser) {
            SetCurrentDirectoryA(elsewhere.c_str());
            HWND name = reinterpret_cast<HWND>(SendDlgItemMessageA(chooser, kFileNameBox, CBEM_GETEDITCONTROL, 0, 0));
            SetWindowTextA(name ? name : GetDlgItem(chooser, kFileNameBox), ReadablePicture().c_str());
            PostCommand(chooser, IDOK);
        }))
        .Then(OnSettings([&](HWND d) {
            afterChoice = CurrentDirectory();
            EXPECT_EQ(lstrcmpiA(Path(d).c_str(), ReadablePicture().c_str()), 0) << Path(d);
            PostCommand(d, IDCANCEL);
        }));
    EXPECT_EQ(RunEditHelper(&request.record, script), IDCANCEL);
    EXPECT_EQ(afterCancel, start);
    EXPECT_EQ(afterChoice, start);
}

// The filter's bytes themselves are checked in picture_logic/picture_filter_test.cpp.
TEST(PictureFilter, TheChooserNamesTheInstalledPlugins) {
    // The test plug-in with three formats, built next to this program.
    const std::string plugin = ProgramDirectory() + "plugins\\three.spi";
    if (GetFileAttributesA(plugin.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no test plug-ins built";
    const std::string folder = TempDirectory() + "three-formats";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(plugin.c_str(), (folder + "\\three.spi").c_str(), FALSE));
    PluginFolder plugins(folder);

    Request request(nullptr);
    DialogScript script;
    script.Then(Press(1001))
        .Then(OnNested([](HWND chooser) {
            EXPECT_EQ(ComboItems(GetDlgItem(chooser, kFileTypeCombo)),
                      (std::vector<std::string>{"全画像ﾌｧｲﾙ", "Bitmap", "Brimsel test picture", "Test picture A",
                                                "Test picture B"}));
            PostCommand(chooser, IDCANCEL);
        }))
        .Then(Press(IDCANCEL));
    EXPECT_EQ(RunEditHelper(&request.record, script), IDCANCEL);
}

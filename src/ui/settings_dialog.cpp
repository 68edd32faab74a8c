// The settings dialog behind EditHelper: edits one chip's ChipSettings and, on
// OK, hands the host a new 408-byte block through its EditRequest.
#include <windows.h>
#include <commdlg.h>
#include <cstdlib>
#include <cstring>
#include "chip/saved_settings.h"
#include "picture/image_plugins.h"
#include "picture/picture_filter.h"
#include "ui/dialogs.h"

// Working state of the dialog. Module-wide on purpose: one settings dialog is
// open at a time, and the fonts and colours carry over between openings.
EditRequest* dialogRequest = nullptr;
COLORREF dialogDateColour = 0;
LOGFONTA dialogDateFont = {};
COLORREF dialogTimeColour = 0;
LOGFONTA dialogTimeFont = {};

void ChoosePictureFile(HWND dialog);

namespace {
enum : int {
    kPathEdit = 1000, kBrowseButton = 1001, kPlacementCombo = 1002, kAlignCombo = 1003,
    kSizingCombo = 1004, kTimeFontButton = 1005, kDateFontButton = 1006, kDateFormatCombo = 1007,
    kTimeFormatCombo = 1008,
};
constexpr int kFormatCount = 8;

const char* const kPlacementItems[] = {
    "左上", "右上", "左下", "右下", "タイルだよン", "小片にﾌｨｯﾄ", "小片にﾌｨｯﾄ(ｱｽﾍﾟｸﾄ比保持)",
};
const char* const kAlignItems[] = {"左寄せ", "中央", "右寄せ"};
const char* const kSizingItems[] = {"画像で再計算", "文字で再計算"};
// Fixed samples of the date and time formats, in format order.
const char* const kDateFormatItems[] = {
    "1998/ 6/ 5", "1998/ 6/ 5(Fri)", "1998年 6月 5日", "1998年 6月 5日(金曜日)",
    "6/ 5", "6/ 5(Fri)", "6月 5日", "6月 5日(金曜日)",
};
const char* const kTimeFormatItems[] = {
    "22:05:08", "PM 10:05:08", "22:05", "PM 10:05", "22時05分08秒", "午後 10時05分08秒", "22時05分", "午後 10時05分",
};
static_assert(sizeof(kDateFormatItems) / sizeof(kDateFormatItems[0]) == kFormatCount, "one sample per format");
static_assert(sizeof(kTimeFormatItems) / sizeof(kTimeFormatItems[0]) == kFormatCount, "one sample per format");

// The combo boxes in the order they are filled; an item's index is its value.
struct ComboRow {
    int id;
    const char* const* items;
    int count;
};
template <size_t N>
constexpr ComboRow Row(int id, const char* const (&items)[N]) { return {id, items, static_cast<int>(N)}; }
const ComboRow kComboRows[] = {
    Row(kPlacementCombo, kPlacementItems), Row(kAlignCombo, kAlignItems), Row(kSizingCombo, kSizingItems),
    Row(kDateFormatCombo, kDateFormatItems), Row(kTimeFormatCombo, kTimeFormatItems),
};
constexpr int kComboCount = sizeof(kComboRows) / sizeof(kComboRows[0]);

const char kUnreadableText[] = "選択されたビットマップは読み込めませんでした。\nファイルが壊れているなどが考えられます。";
const char kUnreadableCaption[] = "Plug-in 文字と画像";
const char kHostDefaultsKey[] = "Software\\Corvane\\Vellumin\\Custom";
constexpr DWORD kPictureFileFlags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
constexpr DWORD kFieldFontFlags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
static_assert(kPictureFileFlags == 4100 && kFieldFontFlags == 321, "common dialog flags");
// The chooser gets the record's older 76-byte form, which every version accepts.
constexpr DWORD kOpenFileNameSize = 76;
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == kOpenFileNameSize, "OPENFILENAMEA layout");
static_assert(sizeof(CHOOSEFONTA) == 60, "CHOOSEFONTA layout");

// Maps an alignment value onto the three rows; anything else is left-aligned.
int AlignIndex(int32_t value) { return value == 2 ? 2 : value == 1 ? 1 : 0; }

bool IsFormatIndex(LRESULT index) { return index >= 0 && index < kFormatCount; }

LRESULT Selection(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0); }

// Reads the request's block as far as both its stated size and its real size
// reach. Selections and path not reached stay as the caller set them; fonts not
// reached are cleared and colours kept, as for an opening without a block.
void ReadRequestBlock(const EditRequest& request, int* selections, char* path) {
    const void* locked = GlobalLock(request.settingsBlock);
    if (!locked) return;
    // A size of 0 tells nothing about the block: then its own size counts.
    const size_t actual = GlobalSize(request.settingsBlock);
    size_t available = request.settingsSize ? request.settingsSize : actual;
    if (available > actual) available = actual;
    if (available > sizeof(ChipSettings)) available = sizeof(ChipSettings);
    ChipSettings stored{};
    std::memcpy(&stored, locked, available);
    GlobalUnlock(request.settingsBlock);

    const auto covers = [available](size_t offset, size_t width) { return offset + width <= available; };
    if (covers(offsetof(ChipSettings, placement), 4))
        selections[0] = static_cast<int>(ReducePlacement(stored.placement));
    if (covers(offsetof(ChipSettings, textAlign), 4)) selections[1] = AlignIndex(stored.textAlign);
    if (covers(offsetof(ChipSettings, sizingMode), 4))
        selections[2] = static_cast<int>(static_cast<uint32_t>(stored.sizingMode) - kSizeByPicture);
    // A stored path may lack its terminator; the last byte always ends it.
    const size_t pathBytes = available > offsetof(ChipSettings, picturePath)
                                 ? available - offsetof(ChipSettings, picturePath) : 0;
    std::memcpy(path, stored.picturePath, pathBytes < kPathSize ? pathBytes : kPathSize);
    path[kPathSize - 1] = '\0';

    // The older 272-byte form stops before the date and time fields: they then
    // start as for a chip without settings (text font, format 0).
    if (covers(offsetof(ChipSettings, dateColour), 4)) dialogDateColour = stored.dateColour;
    dialogDateFont = covers(offsetof(ChipSettings, dateFont), sizeof(LOGFONTA)) ? stored.dateFont : LOGFONTA{};
    if (covers(offsetof(ChipSettings, dateFormat), 4)) selections[3] = stored.dateFormat;
    if (covers(offsetof(ChipSettings, timeColour), 4)) dialogTimeColour = stored.timeColour;
    dialogTimeFont = covers(offsetof(ChipSettings, timeFont), sizeof(LOGFONTA)) ? stored.timeFont : LOGFONTA{};
    if (covers(offsetof(ChipSettings, timeFormat), 4)) selections[4] = stored.timeFormat;
}

INT_PTR OnInitDialog(HWND dialog, EditRequest* request) {
    char path[kPathSize] = {};
    int selections[kComboCount] = {};
    dialogRequest = request;
    if (request && request->settingsBlock) {
        ReadRequestBlock(*request, selections, path);
    } else if (request) {
        dialogDateFont = LOGFONTA{};
        dialogTimeFont = LOGFONTA{};
    }
    SendDlgItemMessageA(dialog, kPathEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    for (int i = 0; i < kComboCount; ++i) {
        const ComboRow& row = kComboRows[i];
        for (int item = 0; item < row.count; ++item)
            SendDlgItemMessageA(dialog, row.id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.items[item]));
        // An index naming no item leaves the box without a selection.
        SendDlgItemMessageA(dialog, row.id, CB_SETCURSEL, static_cast<WPARAM>(selections[i]), 0);
    }
    return 1;
}

// Writes the dialog's values into a locked, zeroed block.
void WriteSettings(HWND dialog, const char* path, ChipSettings* out) {
    const bool hasPath = path[0] != '\0';
    const LRESULT placement = Selection(dialog, kPlacementCombo);
    const LRESULT sizing = Selection(dialog, kSizingCombo);
    const LRESULT dateFormat = Selection(dialog, kDateFormatCombo);
    const LRESULT timeFormat = Selection(dialog, kTimeFormatCombo);
    // A box left without a selection (a stored value outside its rows) writes
    // the first row.
    out->placement = hasPath && placement >= 0 ? static_cast<uint32_t>(placement) : 0;
    out->textAlign = AlignIndex(static_cast<int32_t>(Selection(dialog, kAlignCombo)));
    out->sizingMode = !hasPath ? kSizeByText
                               : kSizeByPicture + (sizing >= 0 ? static_cast<int32_t>(sizing) : 0);
    std::memcpy(out->picturePath, path, kPathSize);
    out->dateColour = dialogDateColour;
    out->dateFont = dialogDateFont;
    out->dateFormat = IsFormatIndex(dateFormat) ? static_cast<int32_t>(dateFormat) : 0;
    out->timeColour = dialogTimeColour;
    out->timeFont = dialogTimeFont;
    out->timeFormat = IsFormatIndex(timeFormat) ? static_cast<int32_t>(timeFormat) : 0;
}

// The OK button. False keeps the dialog open: the picture cannot be read, or
// no new block could be had (then the request keeps its old block).
bool ApplySettings(HWND dialog) {
    char path[kPathSize] = {};
    SendDlgItemMessageA(dialog, kPathEdit, WM_GETTEXT, kPathSize, reinterpret_cast<LPARAM>(path));
    path[kPathSize - 1] = '\0';

    if (path[0]) {
        HBITMAP picture = LoadPictureFile(dialog, path);
        if (!picture) {
            MessageBoxA(dialog, kUnreadableText, kUnreadableCaption, MB_OK | MB_ICONWARNING);
            return false;
        }
        DeleteObject(picture);   // it only proved that the file can be read
    }
    if (!dialogRequest) return true;

    // Allocate before freeing the old block, so a failed allocation loses nothing.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(ChipSettings));
    if (!block) return false;
    if (dialogRequest->settingsBlock) GlobalFree(dialogRequest->settingsBlock);
    dialogRequest->settingsSize = sizeof(ChipSettings);
    dialogRequest->settingsBlock = block;

    auto* settings = static_cast<ChipSettings*>(GlobalLock(block));
    if (!settings) return true;
    WriteSettings(dialog, path, settings);
    GlobalUnlock(block);
    return true;
}

// Reads the host's default text font and colour. Only reads: the key is the
// host's, so it is opened with KEY_READ.
void ReadHostDefaults(COLORREF* colour, bool* hasColour, LOGFONTA* font, bool* hasFont) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kHostDefaultsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD size = sizeof(*colour);
    *hasColour = RegQueryValueExA(key, "TextColor", nullptr, nullptr, reinterpret_cast<BYTE*>(colour), &size) ==
                     ERROR_SUCCESS && size == sizeof(*colour);
    DWORD type = 0;
    size = 0;
    if (RegQueryValueExA(key, "LOGFONT", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_BINARY &&
        size == sizeof(LOGFONTA)) {
        *hasFont = RegQueryValueExA(key, "LOGFONT", nullptr, nullptr, reinterpret_cast<BYTE*>(font), &size) ==
                       ERROR_SUCCESS && size == sizeof(LOGFONTA);
    }
    RegCloseKey(key);
}

// A font button: seeds an unset field font from the host's defaults, then lets
// the user pick the field's font and colour.
void ChooseFieldFont(HWND dialog, LOGFONTA* font, COLORREF* colour) {
    COLORREF defaultColour = 0;
    LOGFONTA defaultFont{};
    bool hasColour = false, hasFont = false;
    ReadHostDefaults(&defaultColour, &hasColour, &defaultFont, &hasFont);
    if (font->lfFaceName[0] == '\0') {
        if (hasColour) *colour = defaultColour;
        if (hasFont) *font = defaultFont;
    }

    // The dialog works on a copy: some implementations write their own idea of
    // the font back even when cancelled, and a cancel must change nothing.
    LOGFONTA chosen = *font;
    CHOOSEFONTA choice{};
    choice.lStructSize = sizeof(choice);
    choice.hwndOwner = dialog;
    choice.lpLogFont = &chosen;
    choice.Flags = kFieldFontFlags;
    choice.rgbColors = *colour;
    choice.nFontType = SCREEN_FONTTYPE;
    if (ChooseFontA(&choice)) {
        *font = chosen;
        *colour = choice.rgbColors;
    }
}

INT_PTR OnCommand(HWND dialog, WPARAM command) {
    switch (command) {
    case IDOK:
        if (ApplySettings(dialog)) EndDialog(dialog, dialogRequest ? IDOK : IDCANCEL);
        return 1;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return 1;
    case kBrowseButton:
        ChoosePictureFile(dialog);
        return 1;
    case kDateFontButton:
        ChooseFieldFont(dialog, &dialogDateFont, &dialogDateColour);
        return 1;
    case kTimeFontButton:
        ChooseFieldFont(dialog, &dialogTimeFont, &dialogTimeColour);
        return 1;
    default:
        return 0;
    }
}
}  // namespace

// The "選択..." button. The chooser may change the process's current
// directory while browsing; the host's is put back on every path.
void ChoosePictureFile(HWND dialog) {
    const DWORD length = GetCurrentDirectoryA(0, nullptr);
    auto* savedDirectory = static_cast<char*>(std::malloc(length + 1));
    if (!savedDirectory) return;
    savedDirectory[0] = '\0';
    GetCurrentDirectoryA(length + 1, savedDirectory);

    char fileName[kPathSize] = {};
    SendDlgItemMessageA(dialog, kPathEdit, WM_GETTEXT, kPathSize, reinterpret_cast<LPARAM>(fileName));
    fileName[kPathSize - 1] = '\0';

    ImagePluginList list = BuildImagePluginList();
    char* filter = BuildPictureFilter(list, nullptr);
    if (filter) {
        OPENFILENAMEA request{};
        request.lStructSize = kOpenFileNameSize;
        request.hwndOwner = dialog;
        request.lpstrFilter = filter;
        request.lpstrFile = fileName;
        request.nMaxFile = kPathSize;
        request.Flags = kPictureFileFlags;
        request.lpstrDefExt = "bmp";
        if (GetOpenFileNameA(&request))
            SendDlgItemMessageA(dialog, kPathEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName));
    }
    if (savedDirectory[0]) SetCurrentDirectoryA(savedDirectory);
    std::free(savedDirectory);
    std::free(filter);
    FreeImagePluginList(list);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, reinterpret_cast<EditRequest*>(lParam));
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    default:
        return 0;
    }
}

INT_PTR RunSettingsDialog(HWND owner, EditRequest* request) {
    return DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(kSettingsDialogId), owner, SettingsDialogProc,
                           reinterpret_cast<LPARAM>(request));
}

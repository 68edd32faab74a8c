// The settings dialog behind EditHelper: edits one chip's ChipSettings and, on
// OK, hands the host a new 408-byte block through its EditRequest.
#include <windows.h>
#include <commdlg.h>
#include <cstdlib>
#include <cstring>
#include "chip/saved_settings.h"
#include "chip/text_alignment.h"
#include "picture/image_plugins.h"
#include "picture/picture_filter.h"
#include "text/date_time_fields.h"
#include "ui/chip_fonts.h"
#include "ui/dialogs.h"
#include "ui/setting_texts.h"
#include "win/gdi_guards.h"
#include "win/kernel_guards.h"

namespace {
// Working state of the dialog. Module-wide on purpose: one settings dialog is
// open at a time, and the fonts and colours carry over between openings.
EditRequest* dialogRequest = nullptr;
COLORREF dialogDateColour = 0;
LOGFONTA dialogDateFont = {};
COLORREF dialogTimeColour = 0;
LOGFONTA dialogTimeFont = {};

// The window the host opened the dialog for: its chip's font is where the font
// dialog starts when a field has no font of its own.
HWND dialogOwner = nullptr;

enum : int {
    kPathEdit = IDC_PICTURE_PATH, kBrowseButton = IDC_BROWSE, kPlacementCombo = IDC_PLACEMENT,
    kAlignCombo = IDC_ALIGN, kSizingCombo = IDC_SIZING, kTimeFontButton = IDC_TIME_FONT,
    kDateFontButton = IDC_DATE_FONT, kDateFormatCombo = IDC_DATE_FORMAT, kTimeFormatCombo = IDC_TIME_FORMAT,
};

// The date and time rows show the formatters' own texts for one fixed instant,
// Friday 5 June 1998, 22:05:08.
const SYSTEMTIME kSampleInstant = {1998, 6, 5, 5, 22, 5, 8, 0};
char* DateSample(int32_t row) { return FormatDateText(row, kSampleInstant); }
char* TimeSample(int32_t row) {
    int32_t showsSeconds = 0;
    return FormatTimeText(row, kSampleInstant, &showsSeconds);
}

// The combo boxes in the order they are filled; an item's index is its value.
// A row's texts are fixed, or made by `sample` (heap texts, freed once added).
struct ComboRow {
    int id;
    const char* const* items;
    int count;
    char* (*sample)(int32_t row);
};
template <size_t N>
constexpr ComboRow Row(int id, const char* const (&items)[N]) { return {id, items, static_cast<int>(N), nullptr}; }
const ComboRow kComboRows[] = {
    Row(kPlacementCombo, kPlacementTexts), Row(kAlignCombo, kAlignTexts), Row(kSizingCombo, kSizingTexts),
    {kDateFormatCombo, nullptr, kFormatRows, DateSample}, {kTimeFormatCombo, nullptr, kFormatRows, TimeSample},
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

bool IsFormatIndex(LRESULT index) { return index >= 0 && index < kFormatRows; }

LRESULT Selection(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0); }

// Reads the request's block as far as both its stated size and its real size
// reach. Selections and path not reached stay as the caller set them; fonts not
// reached are cleared and colours kept, as for an opening without a block.
void ReadRequestBlock(const EditRequest& request, int* selections, char* path) {
    // A size of 0 tells nothing about the block: then its own size counts.
    size_t available = 0;
    ChipSettings stored{};
    {
        LockedGlobal<const uint8_t> locked(request.settingsBlock);
        if (!locked) return;
        const size_t actual = GlobalSize(request.settingsBlock);
        available = request.settingsSize ? request.settingsSize : actual;
        if (available > actual) available = actual;
        if (available > sizeof(ChipSettings)) available = sizeof(ChipSettings);
        std::memcpy(&stored, locked.get(), available);
    }

    const auto covers = [available](size_t offset, size_t width) { return offset + width <= available; };
    if (covers(offsetof(ChipSettings, placement), 4))
        selections[0] = static_cast<int>(ReducePlacement(stored.placement));
    if (covers(offsetof(ChipSettings, textAlign), 4)) selections[1] = AlignmentRow(stored.textAlign);
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
        for (int item = 0; item < row.count; ++item) {
            const HeapBuffer<char> sample(row.sample ? row.sample(item) : nullptr);
            // A sample that could not be made still takes its row, so indexes stay values.
            const char* text = row.sample ? (sample ? sample.get() : "") : row.items[item];
            SendDlgItemMessageA(dialog, row.id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
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
    out->textAlign = AlignmentRow(static_cast<int32_t>(Selection(dialog, kAlignCombo)));
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
        // The picture only proves that the file can be read.
        GdiObject<HBITMAP> picture(LoadPictureFile(dialog, path));
        if (!picture) {
            MessageBoxA(dialog, kUnreadableText, kUnreadableCaption, MB_OK | MB_ICONWARNING);
            return false;
        }
    }
    if (!dialogRequest) return true;

    // Allocate before freeing the old block, so a failed allocation loses nothing.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(ChipSettings));
    if (!block) return false;
    const GlobalMemory displaced(dialogRequest->settingsBlock);   // freed as this returns
    dialogRequest->settingsSize = sizeof(ChipSettings);
    dialogRequest->settingsBlock = block;

    LockedGlobal<ChipSettings> settings(block);
    if (settings) WriteSettings(dialog, path, settings.get());
    return true;
}

// Reads the host's default text font and colour. Only reads: the key is the
// host's, so it is opened with KEY_READ.
void ReadHostDefaults(COLORREF* colour, bool* hasColour, LOGFONTA* font, bool* hasFont) {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kHostDefaultsKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
    // The colour is any four bytes, whatever type the host stored them as; the
    // font only a REG_BINARY of exactly one LOGFONTA.
    DWORD size = sizeof(*colour);
    *hasColour = RegQueryValueExA(key.get(), "TextColor", nullptr, nullptr, reinterpret_cast<BYTE*>(colour), &size) ==
                     ERROR_SUCCESS && size == sizeof(*colour);
    DWORD type = 0;
    size = 0;
    if (RegQueryValueExA(key.get(), "LOGFONT", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_BINARY && size == sizeof(LOGFONTA)) {
        *hasFont = RegQueryValueExA(key.get(), "LOGFONT", nullptr, &type, reinterpret_cast<BYTE*>(font), &size) ==
                       ERROR_SUCCESS && type == REG_BINARY && size == sizeof(LOGFONTA);
    }
}

// The font dialog finds a face only under the name it lists, which may be the
// localised one: the family name the font itself reports.
void UseListedFaceName(HWND dialog, LOGFONTA* font) {
    if (font->lfFaceName[0] == '\0') return;
    WindowDc dc(dialog);
    GdiObject<HFONT> created(CreateFontIndirectA(font));
    if (!dc.get() || !created) return;
    SelectedObject selected(dc.get(), created.get());
    const UINT size = GetOutlineTextMetricsA(dc.get(), 0, nullptr);
    if (size < sizeof(OUTLINETEXTMETRICA)) return;
    const HeapBuffer<OUTLINETEXTMETRICA> metrics(static_cast<OUTLINETEXTMETRICA*>(std::malloc(size)));
    if (!metrics) return;
    if (GetOutlineTextMetricsA(dc.get(), size, metrics.get()) >= sizeof(OUTLINETEXTMETRICA)) {
        const auto offset = reinterpret_cast<UINT_PTR>(metrics.get()->otmpFamilyName);
        const char* family = offset > 0 && offset < size ? reinterpret_cast<const char*>(metrics.get()) + offset : "";
        const size_t length = strnlen(family, size - offset);
        if (length > 0 && length < LF_FACESIZE && offset + length < size) {
            std::memcpy(font->lfFaceName, family, length);
            font->lfFaceName[length] = '\0';
        }
    }
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
    // the font back even when cancelled, and a cancel must change nothing. A
    // field without a font shows the chip's font, so the dialog starts there
    // rather than at whatever font the system lists first.
    LOGFONTA chosen = *font;
    if (chosen.lfFaceName[0] == '\0') FindChipFont(dialogOwner, &chosen);
    UseListedFaceName(dialog, &chosen);
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

// The "選択..." button. The chooser may change the process's current
// directory while browsing; the host's is put back on every path.
void ChoosePictureFile(HWND dialog) {
    const DWORD length = GetCurrentDirectoryA(0, nullptr);
    HeapBuffer<char> savedDirectory(static_cast<char*>(std::malloc(length + 1)));
    if (!savedDirectory) return;
    savedDirectory.get()[0] = '\0';
    GetCurrentDirectoryA(length + 1, savedDirectory.get());

    char fileName[kPathSize] = {};
    SendDlgItemMessageA(dialog, kPathEdit, WM_GETTEXT, kPathSize, reinterpret_cast<LPARAM>(fileName));
    fileName[kPathSize - 1] = '\0';

    const ScopedPluginList list;
    HeapBuffer<char> filter(BuildPictureFilter(list.get(), nullptr));
    if (filter) {
        OPENFILENAMEA request{};
        request.lStructSize = kOpenFileNameSize;
        request.hwndOwner = dialog;
        request.lpstrFilter = filter.get();
        request.lpstrFile = fileName;
        request.nMaxFile = kPathSize;
        request.Flags = kPictureFileFlags;
        request.lpstrDefExt = "bmp";
        if (GetOpenFileNameA(&request))
            SendDlgItemMessageA(dialog, kPathEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName));
    }
    if (savedDirectory.get()[0]) SetCurrentDirectoryA(savedDirectory.get());
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
    dialogOwner = owner;
    return DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, SettingsDialogProc,
                           reinterpret_cast<LPARAM>(request));
}

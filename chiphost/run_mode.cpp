#include "run_mode.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>
#include "chip_store.h"
#include "dib_canvas.h"
#include "hosted_chip.h"
#include "picture_check.h"
#include "run_messages.h"
#include "run_observation.h"
#include "safe_file.h"
#include "store_access.h"
#include "store_saving.h"
#include "system_error.h"
#include "text_codec.h"
#include "text_dialog.h"
#include "win/gdi_guards.h"
#include "win/window_guards.h"

namespace {
constexpr UINT_PTR kChipTimer = 1;
// GetTimerSpan's unit: ticks come span x 500 ms apart, so a seconds display
// never lags by more than half a second.
constexpr UINT kTimerUnitMs = 500;
// New chips step down and right by this much from the chip they came from.
constexpr int kCascadeStep = 30;

struct HostMenuRow {
    UINT id;
    const char* text;
};
const HostMenuRow kHostMenu[] = {
    {kCommandNewChip, "New chip"},        {kCommandEditText, "Edit text..."},
    {kCommandEditSettings, "Settings..."}, {kCommandAbout, "About the library..."},
    {kCommandConfigure, "Configure the library..."},
};
const HostMenuRow kHostMenuEnd[] = {{kCommandDelete, "Delete this chip"}, {kCommandQuit, "Quit"}};
const char kDeleteQuestion[] = "Delete this chip and its text?";
const char kNotSaving[] = "Changes are not being saved (see the console)";
// Posted to a chip to put the bars of the minimised chips back on top.
constexpr UINT kRaiseBars = WM_APP + 100;

struct DesktopChip {
    HostedChip chip;
    int line = 0;              // of its [chip] section in the store; 0 for a new chip
    // A stored chip whose window could not be created: kept as it was read,
    // so that the store never loses it.
    bool shown = true;
    StoredChip unshown;
    bool minimised = false;
    ChipCounts counts;          // what the tests observe
    // Last, so that the window goes first, while the chip it points to is
    // whole (ended, so its messages go to the default procedure).
    OwnedWindow window{nullptr};
};

class Desktop {
public:
    Desktop(const DrawExLibrary& library, const std::string& storePath) : library_(library), saving_(storePath) {}
    // Shows a chip. False, with the system's reason in *why, when its window
    // cannot be created; a stored chip is then kept as it was read.
    bool Open(const StoredChip& stored, bool keepUnshown, std::string* why);
    // Writes the store; false when it was not written (*problem() says why).
    bool Save() { return saving_.Save(StoreText()); }
    // A read-only store: nothing is written; reason is told wherever saves are.
    void RefuseChanges(const std::string& reason) { saving_.Refuse(reason); }
    // Why changes are not saved now; empty while they are.
    const std::string& problem() const { return saving_.problem(); }
    // What the store holds at start, as far as its chips go.
    void MarkStart() { saving_.MarkStart(StoreText()); }
    // Quits now, or once the menu or dialog that is open has been cancelled:
    // their callers still use the chip afterwards.
    void RequestQuit();
    // Closes every chip window without saving.
    void Abandon();
    size_t ShownCount() const;
    // Empty when the run ended with its changes saved; else what was lost.
    std::string EndProblem() const { return saving_.EndProblem(); }
    LRESULT Handle(DesktopChip* chip, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Quit();
    void CloseChips();
    std::string StoreText();
    POINT NewChipPosition(HWND from) const;
    void OnPaint(DesktopChip* chip);
    void PaintBar(DesktopChip* chip);
    void OnContextMenu(DesktopChip* chip, int x, int y);
    void OnCommand(DesktopChip* chip, UINT command);
    void OnTimer(DesktopChip* chip);
    void OnSize(DesktopChip* chip, WPARAM kind);
    void EditSettings(DesktopChip* chip);
    void EditText(DesktopChip* chip);
    void Delete(DesktopChip* chip);
    void FitToDefault(DesktopChip* chip);
    void ResizeChip(DesktopChip* chip);
    void RefreshTimer(DesktopChip* chip);
    void ReportPicture(DesktopChip* chip);
    bool AnyMinimised() const;
    void RaiseBars();
    StoredChip Snapshot(DesktopChip* chip);

    const DrawExLibrary& library_;
    StoreSaving saving_;
    std::vector<std::unique_ptr<DesktopChip>> chips_;
    bool quitting_ = false;
    int modal_ = 0;            // menus and dialogs open on this thread
    bool quitPending_ = false;

    // Marks a modal menu or dialog for its scope. The other chips are disabled
    // meanwhile, as a modal dialog disables its owner, so that none of them
    // can be brought up over the dialog.
    class ModalScope {
    public:
        ModalScope(Desktop* desktop, DesktopChip* owner) : desktop_(desktop) {
            ++desktop_->modal_;
            for (auto& chip : desktop_->chips_)
                if (chip.get() != owner && IsWindowEnabled(chip->chip.window)) {
                    EnableWindow(chip->chip.window, FALSE);
                    disabled_.push_back(chip->chip.window);
                }
        }
        ~ModalScope() {
            for (HWND window : disabled_)
                if (IsWindow(window)) EnableWindow(window, TRUE);
            --desktop_->modal_;
        }
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;

    private:
        Desktop* desktop_;
        std::vector<HWND> disabled_;
    };
};

Desktop* g_desktop = nullptr;

LRESULT CALLBACK ChipWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* chip = reinterpret_cast<DesktopChip*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!chip || !g_desktop || !chip->chip.handle) return DefWindowProcA(window, message, wParam, lParam);
    return g_desktop->Handle(chip, window, message, wParam, lParam);
}

const char* ChipWindowClass() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ChipWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kChipWindowClass;
        RegisterClassA(&wc);
        return kChipWindowClass;
    }();
    return name;
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

void CALLBACK ExitTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_desktop) g_desktop->RequestQuit();
}

// Puts a window the host places inside the work area of its monitor, as
// desktop programs do: moved in first, then cut to the area's size, so that its
// borders can always be grabbed.
void KeepInsideWorkArea(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT r{};
    if (IsIconic(window) || !GetWindowRect(window, &r) ||
        !GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    const LONG width = std::min(r.right - r.left, work.right - work.left);
    const LONG height = std::min(r.bottom - r.top, work.bottom - work.top);
    const LONG x = std::max(work.left, std::min(r.left, work.right - width));
    const LONG y = std::max(work.top, std::min(r.top, work.bottom - height));
    if (x != r.left || y != r.top || width != r.right - r.left || height != r.bottom - r.top)
        SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The library's menu is handed to us; its items are copied into the popup and
// the original destroyed, so that TrackPopupMenu gets a real popup menu.
void AppendLibraryMenu(HMENU popup, HMENU handedOver) {
    const OwnedMenu owned(handedOver);
    HMENU library = owned.get();
    const int count = GetMenuItemCount(library);
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = sizeof text;
        if (!GetMenuItemInfoA(library, static_cast<UINT>(i), TRUE, &item)) continue;
        item.dwTypeData = text;
        InsertMenuItemA(popup, static_cast<UINT>(GetMenuItemCount(popup)), TRUE, &item);
    }
}

// Where a new chip goes: a step down and right of from, and another while a
// chip already has its corner there, so that it is never exactly over one.
// Past the work area the cascade starts again at its top, a step further right.
POINT CascadePosition(POINT from, const std::vector<POINT>& taken, const RECT& work) {
    constexpr LONG kRoom = 4 * kCascadeStep;  // of the chip still inside the area
    POINT p = from;
    for (int tries = 0, column = 0; tries < 1000; ++tries) {
        p.x += kCascadeStep;
        p.y += kCascadeStep;
        if (p.x > work.right - kRoom || p.y > work.bottom - kRoom) {
            column = (column + 1) % 20;
            p = POINT{work.left + column * kCascadeStep, work.top};
        }
        if (std::none_of(taken.begin(), taken.end(), [&](POINT t) { return t.x == p.x && t.y == p.y; })) break;
    }
    return p;
}

// Empty when this process can create windows, else why not: without a
// display (under Wine, no X server) no window can be made at all.
std::string DisplayProblem() {
    SetLastError(0);
    const OwnedWindow probe(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                            GetModuleHandleW(nullptr), nullptr));
    const DWORD code = GetLastError();
    if (probe) return std::string();
    return code ? SystemErrorText(code) : "the system gives no reason";
}
}  // namespace

bool Desktop::Open(const StoredChip& stored, bool keepUnshown, std::string* why) {
    auto owned = std::make_unique<DesktopChip>();
    DesktopChip* chip = owned.get();
    chip->chip.text = stored.text;
    chip->chip.textColour = stored.textColour;
    chip->chip.backColour = stored.backColour;
    chip->chip.font = stored.font;
    chip->line = stored.line;
    if (stored.saved.size() >= 4) {
        uint32_t tag = 0;
        std::memcpy(&tag, stored.saved.data(), 4);
        SetSavedBytes(&chip->chip, tag, stored.saved.data() + 4, stored.saved.size() - 4);
    }
    const int cascade = 40 + 30 * static_cast<int>(chips_.size() % 10);
    const SIZE first = stored.hasSize ? SIZE{stored.width, stored.height} : OuterSizeForClient(kDefaultDrawWidth, kDefaultDrawHeight, kRunChipStyle);
    // Created hidden at its stored size, so a fitted picture is sized for it
    // when the stored settings reach the library.
    HWND window = CreateWindowExA(kChipExStyle, ChipWindowClass(), "Brimsel chip", kRunChipStyle & ~WS_VISIBLE,
                                  stored.hasPosition ? stored.x : cascade, stored.hasPosition ? stored.y : cascade,
                                  first.cx, first.cy, nullptr, nullptr, GetModuleHandleA(nullptr), chip);
    if (!window) {
        const DWORD code = GetLastError();  // before anything else runs
        *why = code ? SystemErrorText(code) : "the system gives no reason";
        if (keepUnshown) {
            chip->shown = false;
            chip->unshown = stored;
            chips_.push_back(std::move(owned));
        }
        return false;
    }
    chip->window.Reset(window);
    KeepInsideWorkArea(window);
    chips_.push_back(std::move(owned));
    StartChip(library_, &chip->chip, window);
    if (!stored.hasSize) FitToDefault(chip);
    RefreshTimer(chip);
    ReportPicture(chip);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return true;
}

// Says on the console when the chip's picture cannot be shown, and why: the
// chip itself shows only the warning pattern.
void Desktop::ReportPicture(DesktopChip* chip) {
    const uint32_t tag = SavedTag(chip->chip);
    if (tag != kSettingsSizeCurrent && tag != kSettingsSizeOlder) return;
    const ChipSettings settings = SavedSettings(chip->chip);
    const std::string path(settings.picturePath, strnlen(settings.picturePath, sizeof settings.picturePath));
    if (path.empty()) return;
    // A look at the chip as the library paints it: one that shows its picture
    // is not decoded again for a reason.
    RECT client{};
    GetClientRect(chip->chip.window, &client);
    DibCanvas canvas(std::max<int>(client.right, 1), std::max<int>(client.bottom, 1));
    if (!canvas.ok()) return;
    library_.DrawChip(chip->chip.handle, chip->chip.window, canvas.dc(), chip->chip.text.c_str());
    GdiFlush();
    if (!ShowsWarningPattern(canvas.bits(), static_cast<size_t>(canvas.width()) * canvas.height())) return;
    const std::string problem = WarningReason(path);
    if (problem.empty()) return;
    size_t number = 0;
    while (number < chips_.size() && chips_[number].get() != chip) ++number;
    const std::string where = chip->line > 0 ? " (store line " + std::to_string(chip->line) + ")" : "";
    std::fprintf(stderr, "chiphost: chip %u%s: the picture %s cannot be shown: %s\n",
                 static_cast<unsigned>(number + 1), where.c_str(), Cp932ToUtf8(path).c_str(), problem.c_str());
    std::fflush(stderr);
}

// The bars stay above every chip, as taskbar buttons do: topmost. Under Wine
// without a window manager a topmost bar is put back on top of the X windows
// only when its place in the order changes, so it is taken out and put back.
void Desktop::RaiseBars() {
    for (const auto& chip : chips_)
        if (chip->minimised) {
            SetWindowPos(chip->chip.window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            SetWindowPos(chip->chip.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
}

bool Desktop::AnyMinimised() const {
    for (const auto& chip : chips_)
        if (chip->minimised) return true;
    return false;
}

StoredChip Desktop::Snapshot(DesktopChip* chip) {
    if (!chip->shown) return chip->unshown;
    StoredChip s;
    s.text = chip->chip.text;
    s.textColour = chip->chip.textColour;
    s.backColour = chip->chip.backColour;
    s.font = chip->chip.font;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    RECT r{};
    if (chip->minimised && GetWindowPlacement(chip->chip.window, &placement)) r = placement.rcNormalPosition;
    else GetWindowRect(chip->chip.window, &r);
    s.hasPosition = s.hasSize = true;
    s.x = r.left;
    s.y = r.top;
    s.width = r.right - r.left;
    s.height = r.bottom - r.top;
    if (FetchSaveData(library_, &chip->chip)) s.saved.assign(chip->chip.saved.begin(), chip->chip.saved.end());
    return s;
}

std::string Desktop::StoreText() {
    ChipStore store;
    for (auto& chip : chips_) store.chips.push_back(Snapshot(chip.get()));
    return WriteChipStoreText(store);
}



size_t Desktop::ShownCount() const {
    return static_cast<size_t>(
        std::count_if(chips_.begin(), chips_.end(), [](const auto& chip) { return chip->shown; }));
}

void Desktop::RequestQuit() {
    if (modal_ == 0) {
        Quit();
        return;
    }
    quitPending_ = true;
    EndMenu();
    EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
}

void Desktop::Quit() {
    if (quitting_) return;
    quitting_ = true;
    Save();
    CloseChips();
    PostQuitMessage(0);
}

void Desktop::Abandon() {
    quitting_ = true;
    CloseChips();
}

void Desktop::CloseChips() {
    for (auto& chip : chips_) {
        if (!chip->shown) continue;
        KillTimer(chip->chip.window, kChipTimer);
        EndChip(library_, &chip->chip);
    }
    chips_.clear();   // and with them their windows
}

POINT Desktop::NewChipPosition(HWND from) const {
    RECT r{};
    GetWindowRect(from, &r);
    std::vector<POINT> taken;
    for (const auto& chip : chips_) {
        RECT other{};
        if (chip->shown && GetWindowRect(chip->chip.window, &other)) taken.push_back(POINT{other.left, other.top});
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(from, MONITOR_DEFAULTTONEAREST), &monitor))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    return CascadePosition(POINT{r.left, r.top}, taken, monitor.rcWork);
}

void Desktop::FitToDefault(DesktopChip* chip) {
    // The library sizes for a thin border; ours also has a sizing frame.
    const SIZE outer = DefaultOuterSize(library_, &chip->chip, kRunChipStyle);
    SetWindowPos(chip->chip.window, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    KeepInsideWorkArea(chip->chip.window);
    ResizeChip(chip);
}

void Desktop::ResizeChip(DesktopChip* chip) {
    ++chip->counts.resizes;
    library_.Resize(chip->chip.handle, chip->chip.window);
}

void Desktop::RefreshTimer(DesktopChip* chip) {
    const int span = library_.GetTimerSpan(chip->chip.handle);
    if (span > 0) SetTimer(chip->chip.window, kChipTimer, static_cast<UINT>(span) * kTimerUnitMs, nullptr);
    else KillTimer(chip->chip.window, kChipTimer);
}

LRESULT Desktop::Handle(DesktopChip* chip, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: OnPaint(chip); return 0;
    case WM_ERASEBKGND: return 1;  // DrawChip covers the whole client area
    case WM_LBUTTONDOWN:
        library_.MouseClik();
        ReleaseCapture();
        SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);  // drag the chip
        return 0;
    case WM_EXITSIZEMOVE: Save(); return 0;
    // Without a window manager a minimised chip is a bare bar that the
    // system's hit test misses, so its clicks would be dropped. As its caption
    // the bar takes the mouse as a taskbar button does: the system restores the
    // chip on a double-click, and the right button opens the chip's menu (the
    // system's own right-button handling would hit-test again and find nothing).
    case WM_NCHITTEST: return chip->minimised ? HTCAPTION : DefWindowProcA(window, message, wParam, lParam);
    case WM_NCRBUTTONDOWN: return chip->minimised ? 0 : DefWindowProcA(window, message, wParam, lParam);
    case WM_NCPAINT:
        if (!chip->minimised) return DefWindowProcA(window, message, wParam, lParam);
        PaintBar(chip);
        return 0;
    case WM_NCRBUTTONUP:
        if (!chip->minimised) return DefWindowProcA(window, message, wParam, lParam);
        OnContextMenu(chip, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_CONTEXTMENU:
        OnContextMenu(chip, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_COMMAND: OnCommand(chip, LOWORD(wParam)); return 0;
    case WM_TIMER:
        if (wParam == kChipTimer) OnTimer(chip);
        return 0;
    case WM_SIZE: OnSize(chip, wParam); return 0;
    case WM_WINDOWPOSCHANGED:
        // A chip brought up must not cover the bars of the minimised ones;
        // they are put back once the chip is in its place on the display.
        if (!chip->minimised && !(reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOZORDER))
            PostMessageA(window, kRaiseBars, 0, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_ACTIVATE:
        // Activated, a chip is raised on the display, over the bars too.
        if (!chip->minimised && LOWORD(wParam) != WA_INACTIVE) PostMessageA(window, kRaiseBars, 0, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    case kRaiseBars: RaiseBars(); return 0;
    case WM_CLOSE: RequestQuit(); return 0;
    default: {
        LRESULT answer = 0;
        if (AnswerQuery(chip->counts, message, &answer)) return answer;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    }
}

void Desktop::OnPaint(DesktopChip* chip) {
    const WindowPaint paint(chip->chip.window);
    library_.DrawChip(chip->chip.handle, chip->chip.window, paint.dc(), chip->chip.text.c_str());
    ++chip->counts.paints;
}

// The bar of a minimised chip shows the chip's colours and the first line of
// its text, as a taskbar button shows a window's title.
void Desktop::PaintBar(DesktopChip* chip) {
    HWND window = chip->chip.window;
    const WholeWindowDc windowDc(window);
    HDC dc = windowDc.get();
    if (!dc) return;
    RECT r{};
    GetWindowRect(window, &r);
    OffsetRect(&r, -r.left, -r.top);
    const GdiObject<HBRUSH> brush(CreateSolidBrush(chip->chip.backColour));
    const GdiObject<HFONT> font(CreateFontIndirectA(&chip->chip.font));
    const SelectedObject brushSelected(dc, brush.get()), fontSelected(dc, font.get());
    PatBlt(dc, 0, 0, r.right, r.bottom, PATCOPY);
    SetTextColor(dc, chip->chip.textColour);
    SetBkMode(dc, TRANSPARENT);
    const std::wstring line = Cp932ToWide(chip->chip.text.substr(0, chip->chip.text.find_first_of("\r\n")));
    InflateRect(&r, -4, 0);
    DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void Desktop::OnContextMenu(DesktopChip* chip, int x, int y) {
    if (x == -1 && y == -1) {  // from the keyboard
        RECT r{};
        GetWindowRect(chip->chip.window, &r);
        x = r.left;
        y = r.top;
    }
    const OwnedMenu popupMenu(CreatePopupMenu());
    HMENU popup = popupMenu.get();
    if (!popup) return;
    if (HMENU library = library_.GetDrawExMenu(chip->chip.handle)) {
        AppendLibraryMenu(popup, library);
        AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    }
    // While saves fail, every menu says so, greyed, above the host's items.
    if (!problem().empty()) AppendMenuA(popup, MF_STRING | MF_GRAYED, 0, kNotSaving);
    for (const HostMenuRow& row : kHostMenu) AppendMenuA(popup, MF_STRING, row.id, row.text);
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    if (chip->minimised) AppendMenuA(popup, MF_STRING, kCommandRestore, "Restore");
    else AppendMenuA(popup, MF_STRING, kCommandMinimise, "Minimise");
    if (AnyMinimised()) AppendMenuA(popup, MF_STRING, kCommandRestoreAll, "Restore all chips");
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    for (const HostMenuRow& row : kHostMenuEnd) AppendMenuA(popup, MF_STRING, row.id, row.text);
    SetForegroundWindow(chip->chip.window);
    UINT command = 0;
    {
        ModalScope modal(this, chip);
        command = static_cast<UINT>(
            TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, chip->chip.window, nullptr));
    }
    if (quitPending_) Quit();
    else if (command) OnCommand(chip, command);
}

void Desktop::OnCommand(DesktopChip* chip, UINT command) {
    if (modal_ > 0 || quitting_) return;  // one command at a time
    HWND window = chip->chip.window;
    if (command >= kFirstMenuCommand && command <= kLastMenuCommand) {
        const int changed = library_.DoDrawExMenu(chip->chip.handle, window, command);
        if (changed == 2) FitToDefault(chip);
        InvalidateRect(window, nullptr, FALSE);
        Save();
        return;
    }
    switch (command) {
    case kCommandNewChip: {
        StoredChip fresh = NewStoredChip();
        const POINT at = NewChipPosition(window);
        fresh.hasPosition = true;
        fresh.x = at.x;
        fresh.y = at.y;
        std::string why;
        if (Open(fresh, false, &why)) Save();
        else Say("cannot create a window for the new chip: " + why);
        break;
    }
    case kCommandDelete: {
        int answer = IDCANCEL;
        {
            ModalScope modal(this, chip);
            answer = MessageBoxA(window, kDeleteQuestion, "chiphost", MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
        }
        if (answer == IDOK && !quitPending_) Delete(chip);
        break;
    }
    case kCommandQuit: Quit(); break;
    case kCommandMinimise: ShowWindow(window, SW_MINIMIZE); break;
    case kCommandRestore: ShowWindow(window, SW_RESTORE); break;
    case kCommandRestoreAll:
        for (auto& other : chips_)
            if (other->minimised) ShowWindow(other->chip.window, SW_RESTORE);
        break;
    default: {
        ModalScope modal(this, chip);
        if (command == kCommandEditText) EditText(chip);
        else if (command == kCommandEditSettings) EditSettings(chip);
        else if (command == kCommandAbout) library_.DrawExAbout(window);
        else if (command == kCommandConfigure) library_.DrawExConfigure(window);
        break;
    }
    }
    if (quitPending_) Quit();
}

void Desktop::OnTimer(DesktopChip* chip) {
    ++chip->counts.ticks;
    if (library_.DoTimer(chip->chip.handle) == 1) InvalidateRect(chip->chip.window, nullptr, FALSE);
}

void Desktop::OnSize(DesktopChip* chip, WPARAM kind) {
    HWND window = chip->chip.window;
    if (kind == SIZE_MINIMIZED) {
        if (!chip->minimised) ++chip->counts.zoomsOut;
        chip->minimised = true;
        library_.Zoom(chip->chip.handle, 0, 0);
        RaiseBars();
        RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);  // the bar's label
        return;
    }
    if (chip->minimised) {
        chip->minimised = false;
        ++chip->counts.zoomsIn;
        library_.Zoom(chip->chip.handle, 0, 1);
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // The frame was painted as the bar while the chip was still minimised.
        RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    }
    ResizeChip(chip);
    InvalidateRect(chip->chip.window, nullptr, FALSE);
}

void Desktop::EditText(DesktopChip* chip) {
    std::string text = chip->chip.text;
    if (!EditChipText(chip->chip.window, &text) || quitPending_) return;
    chip->chip.text = text;
    UpdateChip(library_, &chip->chip);
    FitToDefault(chip);
    RefreshTimer(chip);
    InvalidateRect(chip->chip.window, nullptr, FALSE);
    Save();
}

void Desktop::EditSettings(DesktopChip* chip) {
    // The dialog starts from the chip's settings as the library has them now.
    FetchSaveData(library_, &chip->chip);
    EditRequest request{};
    request.settingsSize = kSettingsSizeCurrent;
    request.settingsBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kSettingsSizeCurrent);
    if (const LockedGlobal<uint8_t> block(request.settingsBlock); block)
        std::memcpy(block.get(), chip->chip.saved.data() + 4, kSettingsSizeCurrent);
    const INT_PTR result = library_.EditHelper(chip->chip.window, &request);
    // The block the request holds now, ours or one the library put in its
    // place, is ours to free.
    const GlobalMemory settings(request.settingsBlock);
    if (result == 1 && settings.get() && !quitPending_) {
        // The chip gets the confirmed block behind its size tag.
        const SIZE_T size = std::min<SIZE_T>(settings.size(), request.settingsSize);
        if (const LockedGlobal<const uint8_t> block(settings.get()); block)
            SetSavedBytes(&chip->chip, request.settingsSize, block.get(), size);
        if (UpdateChip(library_, &chip->chip) == 1) FitToDefault(chip);
        ResizeChip(chip);
        RefreshTimer(chip);
        ReportPicture(chip);
        InvalidateRect(chip->chip.window, nullptr, FALSE);
        Save();
    }
}

void Desktop::Delete(DesktopChip* chip) {
    KillTimer(chip->chip.window, kChipTimer);
    EndChip(library_, &chip->chip);
    for (auto it = chips_.begin(); it != chips_.end(); ++it)
        if (it->get() == chip) {
            chips_.erase(it);
            break;
        }
    Save();
    if (ShownCount() == 0) Quit();
}


namespace {
// Everything before a chip is shown: the store's path, its lock (held by
// *lock for the whole run), the display, a left-over save and the store
// itself. kDone when the run can go on.
RunResult PrepareStore(const std::string& storePath, const std::string& target, const RunOptions& options,
                       StoreLock* lock, ChipStore* store, std::string* error) {
    *error = StorePathProblem(storePath, target);
    if (!error->empty()) return RunResult::kBadStore;
    // One run mode per store, for the whole run: the last writer would win.
    std::string why;
    switch (lock->Take(target, &why)) {
    case StoreLock::kTaken: break;
    case StoreLock::kInUse:
        *error = "the store " + storePath + " is in use by another chiphost run mode (it holds " + target +
                 ".lock); it was left untouched";
        return RunResult::kInUse;
    case StoreLock::kUnavailable:
        Say("cannot lock the store " + storePath + " (" + target + ".lock: " + why +
            "); a second run mode on it would not be refused");
        break;
    }
    // Without a display no chip can be shown: write nothing at all.
    why = DisplayProblem();
    if (!why.empty()) {
        *error = "no display: cannot create a window: " + why + ". The store " + storePath +
                 " was left untouched. (Under Wine, DISPLAY must name a running X server.)";
        return RunResult::kNoDisplay;
    }
    if (!SettleLeftOverSave(storePath, target, options.recover, error)) return RunResult::kBadStore;
    if (!LoadStoreForRun(storePath, options.recover, store, error)) return RunResult::kBadStore;
    if (store->chips.empty()) store->chips.push_back(NewStoredChip());
    return RunResult::kDone;
}

// Run mode only shows windows and waits: says where, how it ends, and
// whether changes are saved.
void AnnounceRun(const std::string& storePath, size_t shown, size_t stored, const std::string& problem) {
    char display[64] = "";
    const DWORD named = GetEnvironmentVariableA("DISPLAY", display, sizeof display);
    const size_t unshown = stored - shown;
    const std::string kept = unshown == 0 ? std::string()
                                          : " (" + std::to_string(unshown) + " more kept in the store unshown)";
    const std::string saving = problem.empty() ? "Every change is saved at once."
                                               : "Changes are NOT being saved: " + problem + ".";
    std::printf("chiphost: %u chip%s%s from %s%s%s; right-click a chip for its menu, whose Quit ends run mode. %s\n",
                static_cast<unsigned>(shown), shown == 1 ? "" : "s", kept.c_str(), storePath.c_str(),
                named && named < sizeof display ? " on the X display " : "",
                named && named < sizeof display ? display : "", saving.c_str());
    std::fflush(stdout);
}

void RunMessageLoop(const RunOptions& options) {
    // A timer procedure, so that the timer also fires inside menus and dialogs.
    if (options.exitAfterMs > 0) SetTimer(nullptr, 0, static_cast<UINT>(options.exitAfterMs), ExitTimerProc);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
}  // namespace

RunResult RunDesktop(const DrawExLibrary& library, const std::string& storePath, const RunOptions& options,
                     std::string* error) {
    // Saves go beside the file a link points to, so the link stays a link.
    const std::string target = RealFilePath(storePath);
    StoreLock lock;
    ChipStore store;
    const RunResult prepared = PrepareStore(storePath, target, options, &lock, &store, error);
    if (prepared != RunResult::kDone) return prepared;

    Desktop desktop(library, storePath);
    g_desktop = &desktop;
    // A read-only store is shown but never written: its mode is the user's.
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(target).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        desktop.RefuseChanges("the store " + storePath + " is read-only");
        Say(desktop.problem() + ": its chips are shown, but no change is saved and the file is left as it is");
    }
    std::string why;
    for (size_t i = 0; i < store.chips.size(); ++i)
        if (!desktop.Open(store.chips[i], true, &why))
            Say("chip " + std::to_string(i + 1) + " (store line " + std::to_string(store.chips[i].line) +
                "): cannot create its window: " + why + "; it stays in the store as it was read");
    const size_t shown = desktop.ShownCount();
    if (shown == 0) {
        desktop.Abandon();
        g_desktop = nullptr;
        *error = "no chip window could be created; the store " + storePath + " was left untouched";
        return RunResult::kFailed;
    }
    desktop.Save();
    desktop.MarkStart();
    AnnounceRun(storePath, shown, store.chips.size(), desktop.problem());
    RunMessageLoop(options);
    g_desktop = nullptr;
    *error = desktop.EndProblem();
    return error->empty() ? RunResult::kDone : RunResult::kFailed;
}

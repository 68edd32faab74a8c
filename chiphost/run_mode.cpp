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
#include "safe_file.h"
#include "system_error.h"
#include "text_codec.h"
#include "text_dialog.h"

namespace {
constexpr UINT_PTR kChipTimer = 1;
// GetTimerSpan's unit: ticks come span x 500 ms apart, so a seconds display
// never lags by more than half a second.
constexpr UINT kTimerUnitMs = 500;

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

struct DesktopChip {
    HostedChip chip;
    int line = 0;              // of its [chip] section in the store; 0 for a new chip
    bool minimised = false;
    int ticks = 0;
    int paints = 0;
    int resizes = 0;
    int zoomsOut = 0, zoomsIn = 0;
};

class Desktop {
public:
    Desktop(const DrawExLibrary& library, const std::string& storePath) : library_(library), storePath_(storePath) {}
    bool Open(const StoredChip& stored);
    void Save();
    // Quits now, or once the menu or dialog that is open has been cancelled:
    // their callers still use the chip afterwards.
    void RequestQuit();
    bool empty() const { return chips_.empty(); }
    LRESULT Handle(DesktopChip* chip, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Quit();
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
    StoredChip Snapshot(DesktopChip* chip);

    const DrawExLibrary& library_;
    std::string storePath_;
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
void AppendLibraryMenu(HMENU popup, HMENU library) {
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
    DestroyMenu(library);
}
}  // namespace

bool Desktop::Open(const StoredChip& stored) {
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
    if (!window) return false;
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

bool Desktop::AnyMinimised() const {
    for (const auto& chip : chips_)
        if (chip->minimised) return true;
    return false;
}

StoredChip Desktop::Snapshot(DesktopChip* chip) {
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

void Desktop::Save() {
    ChipStore store;
    for (auto& chip : chips_) store.chips.push_back(Snapshot(chip.get()));
    std::string error;
    if (!SaveChipStore(storePath_, store, &error)) std::fprintf(stderr, "chiphost: %s\n", error.c_str());
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
    for (auto& chip : chips_) {
        HWND window = chip->chip.window;
        KillTimer(window, kChipTimer);
        EndChip(library_, &chip->chip);
        DestroyWindow(window);
    }
    chips_.clear();
    PostQuitMessage(0);
}

void Desktop::FitToDefault(DesktopChip* chip) {
    // The library sizes for a thin border; ours also has a sizing frame.
    const SIZE outer = DefaultOuterSize(library_, &chip->chip, kRunChipStyle);
    SetWindowPos(chip->chip.window, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    KeepInsideWorkArea(chip->chip.window);
    ResizeChip(chip);
}

void Desktop::ResizeChip(DesktopChip* chip) {
    ++chip->resizes;
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
    case WM_CLOSE: RequestQuit(); return 0;
    case kQueryTimerTicks: return chip->ticks;
    case kQueryPaints: return chip->paints;
    case kQueryResizes: return chip->resizes;
    case kQueryZoomsOut: return chip->zoomsOut;
    case kQueryZoomsIn: return chip->zoomsIn;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

void Desktop::OnPaint(DesktopChip* chip) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(chip->chip.window, &ps);
    library_.DrawChip(chip->chip.handle, chip->chip.window, dc, chip->chip.text.c_str());
    ++chip->paints;
    EndPaint(chip->chip.window, &ps);
}

// The bar of a minimised chip shows the chip's colours and the first line of
// its text, as a taskbar button shows a window's title.
void Desktop::PaintBar(DesktopChip* chip) {
    HWND window = chip->chip.window;
    HDC dc = GetWindowDC(window);
    if (!dc) return;
    RECT r{};
    GetWindowRect(window, &r);
    OffsetRect(&r, -r.left, -r.top);
    {
        ScopedSelect brush(dc, CreateSolidBrush(chip->chip.backColour), true);
        ScopedSelect font(dc, CreateFontIndirectA(&chip->chip.font), true);
        PatBlt(dc, 0, 0, r.right, r.bottom, PATCOPY);
        SetTextColor(dc, chip->chip.textColour);
        SetBkMode(dc, TRANSPARENT);
        const std::wstring line = Cp932ToWide(chip->chip.text.substr(0, chip->chip.text.find_first_of("\r\n")));
        InflateRect(&r, -4, 0);
        DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &r,
                  DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    ReleaseDC(window, dc);
}

void Desktop::OnContextMenu(DesktopChip* chip, int x, int y) {
    if (x == -1 && y == -1) {  // from the keyboard
        RECT r{};
        GetWindowRect(chip->chip.window, &r);
        x = r.left;
        y = r.top;
    }
    HMENU popup = CreatePopupMenu();
    if (!popup) return;
    if (HMENU library = library_.GetDrawExMenu(chip->chip.handle)) {
        AppendLibraryMenu(popup, library);
        AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    }
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
    DestroyMenu(popup);
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
        RECT r{};
        GetWindowRect(window, &r);
        fresh.hasPosition = true;
        fresh.x = r.left + 30;
        fresh.y = r.top + 30;
        Open(fresh);
        Save();
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
    ++chip->ticks;
    if (library_.DoTimer(chip->chip.handle) == 1) InvalidateRect(chip->chip.window, nullptr, FALSE);
}

void Desktop::OnSize(DesktopChip* chip, WPARAM kind) {
    if (kind == SIZE_MINIMIZED) {
        if (!chip->minimised) ++chip->zoomsOut;
        chip->minimised = true;
        library_.Zoom(chip->chip.handle, 0, 0);
        RedrawWindow(chip->chip.window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);  // the bar's label
        return;
    }
    if (chip->minimised) {
        chip->minimised = false;
        ++chip->zoomsIn;
        library_.Zoom(chip->chip.handle, 0, 1);
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
    HWND window = chip->chip.window;
    KillTimer(window, kChipTimer);
    EndChip(library_, &chip->chip);
    DestroyWindow(window);
    for (auto it = chips_.begin(); it != chips_.end(); ++it)
        if (it->get() == chip) {
            chips_.erase(it);
            break;
        }
    Save();
    if (chips_.empty()) Quit();
}

RunResult RunDesktop(const DrawExLibrary& library, const std::string& storePath, const RunOptions& options,
                     std::string* error) {
    ChipStore store;
    switch (LoadChipStore(storePath, options.recover, &store, error)) {
    case StoreLoad::kLoaded: break;
    case StoreLoad::kMissing: break;
    case StoreLoad::kUnreadable: return RunResult::kBadStore;
    case StoreLoad::kNewer: return RunResult::kBadStore;
    case StoreLoad::kDamaged: {
        if (!options.recover) {
            *error += "the store is damaged and was left untouched; start with --recover to back it up and go on "
                      "with what it still holds";
            return RunResult::kBadStore;
        }
        const std::string backup = BackUpFile(storePath);
        if (backup.empty()) {
            *error += "cannot back up the damaged store " + storePath + "; it was left untouched";
            return RunResult::kBadStore;
        }
        std::fprintf(stderr, "chiphost: %schiphost: damaged store backed up to %s\n", error->c_str(), backup.c_str());
        break;
    }
    }
    if (store.chips.empty()) store.chips.push_back(NewStoredChip());

    Desktop desktop(library, storePath);
    g_desktop = &desktop;
    for (const StoredChip& stored : store.chips)
        if (!desktop.Open(stored)) {
            desktop.RequestQuit();
            g_desktop = nullptr;
            *error = "cannot create a chip window: " + LastErrorText() + " (is there a display?)";
            return RunResult::kFailed;
        }
    desktop.Save();
    // Run mode only shows windows and waits: say where, and how it ends.
    char display[64] = "";
    const DWORD named = GetEnvironmentVariableA("DISPLAY", display, sizeof display);
    std::printf("chiphost: %u chip%s from %s%s%s; right-click a chip for its menu, whose Quit ends run mode. "
                "Every change is saved at once.\n",
                static_cast<unsigned>(store.chips.size()), store.chips.size() == 1 ? "" : "s",
                Cp932ToUtf8(storePath).c_str(), named && named < sizeof display ? " on the X display " : "",
                named && named < sizeof display ? display : "");
    std::fflush(stdout);

    // A timer procedure, so that the timer also fires inside menus and dialogs.
    if (options.exitAfterMs > 0) SetTimer(nullptr, 0, static_cast<UINT>(options.exitAfterMs), ExitTimerProc);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    g_desktop = nullptr;
    return RunResult::kDone;
}

#include "dialog_driver.h"
#include <gtest/gtest.h>
#include <vector>
#include "test_support.h"
#include "win/dib_layout.h"

namespace {
DialogScript* running = nullptr;

bool IsDialogClass(HWND window) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof(name));
    return lstrcmpA(name, "#32770") == 0;
}

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
    if (IsDialogClass(window) && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}
}  // namespace

DialogScript& DialogScript::Then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

void DialogScript::Run(const std::function<void()>& body, DWORD timeoutMs) {
    next_ = 0;
    busy_ = false;
    started_ = GetTickCount();
    timeout_ = timeoutMs;
    running = this;
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, Tick);
    body();
    KillTimer(nullptr, timer);
    running = nullptr;
    EXPECT_EQ(next_, steps_.size()) << "dialog script stopped at step " << next_;
}

VOID CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogScript* script = running;
    if (!script || script->busy_) return;
    script->busy_ = true;
    if (GetTickCount() - script->started_ > script->timeout_) {
        // Give up: cancel whatever is up, innermost first, until the body returns.
        if (HWND dialog = InnermostDialog()) PostCommand(dialog, IDCANCEL);
    } else if (script->next_ < script->steps_.size() && script->steps_[script->next_]()) {
        ++script->next_;
    }
    script->busy_ = false;
}

HWND InnermostDialog() {
    std::vector<HWND> dialogs;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialogs, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dialog : dialogs)
        if (IsWindowEnabled(dialog)) return dialog;
    return nullptr;
}

bool HasCaption(HWND window, const char* caption) {
    return window && IsDialogClass(window) && WindowText(window) == caption;
}

std::string WindowText(HWND window) {
    char text[2048] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[512] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::string ComboSelection(HWND combo) {
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index < 0) return "(none)";
    char text[512] = "";
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::string> ChildTexts(HWND parent, int id) {
    std::vector<std::string> texts;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == id) texts.push_back(WindowText(child));
    return texts;
}

void PostCommand(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string ScreenshotDirectory() {
    const std::string dir = ProgramDirectory() + "screenshots\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

bool SaveWindowPicture(HWND window, const std::string& path) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // Let the controls paint and the display catch up with a window that has
    // just opened.
    for (int i = 0; i < 15; ++i) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_TIMER) continue;  // no script steps from in here
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        GdiFlush();
        Sleep(20);
    }
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;

    const BITMAPINFO info = Dib32Info(width, height);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    // What the display shows is what a person would see; fall back to asking
    // the window to print itself.
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) ||
                        PrintWindow(window, memory, 0);
    GdiFlush();
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    bool saved = false;
    if (copied && bits) {
        const DWORD stride = static_cast<DWORD>(DibRowBytes(width, 32));
        BITMAPFILEHEADER header{};
        header.bfType = 0x4D42;
        header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        header.bfSize = header.bfOffBits + stride * height;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            saved = WriteFile(file, &header, sizeof(header), &written, nullptr) &&
                    WriteFile(file, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
                    WriteFile(file, bits, stride * height, &written, nullptr);
            CloseHandle(file);
        }
    }
    DeleteObject(bitmap);
    return saved;
}

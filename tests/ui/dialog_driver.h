// Drives the library's modal dialogs from inside their own message loops: a
// thread timer runs a script of steps, each retried on every tick until it
// reports done. Steps only post commands, so none of them blocks in a nested
// modal loop.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class DialogScript {
public:
    using Step = std::function<bool()>;
    DialogScript& Then(Step step);
    // Runs `body`, which opens a modal dialog, with the script ticking. Fails
    // the test when steps are left over; a stuck dialog is cancelled after
    // `timeoutMs` so the test program never hangs.
    void Run(const std::function<void()>& body, DWORD timeoutMs = 20000);

private:
    static VOID CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    std::vector<Step> steps_;
    size_t next_ = 0;
    DWORD started_ = 0;
    DWORD timeout_ = 0;
    bool busy_ = false;
};

// The innermost modal window of this thread: the visible, enabled top-level
// dialog-class window. Null while none is up.
HWND InnermostDialog();
// Whether `window` is a dialog-class window with that caption (code page 932).
bool HasCaption(HWND window, const char* caption);

std::string WindowText(HWND window);
std::vector<std::string> ComboItems(HWND combo);
// The selected item's text, or "(none)".
std::string ComboSelection(HWND combo);
// The texts of a window's children with the given id, in z-order (template order).
std::vector<std::string> ChildTexts(HWND parent, int id);

// Posts a button click as the dialog manager would (control id, code 0).
void PostCommand(HWND dialog, int id);

// Saves what the window shows to a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::string& path);
// Folder for the screenshots, next to the test program.
std::string ScreenshotDirectory();

// Scope guards for the user-interface objects a host holds within one call:
// windows, menus, a paint and a whole window's DC. Each gives its object back
// on every path out of its scope.
#pragma once
#include <windows.h>

// A window this scope made, destroyed at scope end.
class OwnedWindow {
public:
    explicit OwnedWindow(HWND window) : window_(window) {}
    ~OwnedWindow() { if (window_) DestroyWindow(window_); }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;
    HWND get() const { return window_; }
    explicit operator bool() const { return window_ != nullptr; }
    // Destroys what it held and takes another window (or none).
    void Reset(HWND window) {
        if (window_) DestroyWindow(window_);
        window_ = window;
    }

private:
    HWND window_;
};

// A menu this scope made or was handed, destroyed at scope end.
class OwnedMenu {
public:
    explicit OwnedMenu(HMENU menu) : menu_(menu) {}
    ~OwnedMenu() { if (menu_) DestroyMenu(menu_); }
    OwnedMenu(const OwnedMenu&) = delete;
    OwnedMenu& operator=(const OwnedMenu&) = delete;
    HMENU get() const { return menu_; }
    explicit operator bool() const { return menu_ != nullptr; }

private:
    HMENU menu_;
};

// BeginPaint at construction, EndPaint at scope end.
class WindowPaint {
public:
    explicit WindowPaint(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~WindowPaint() { EndPaint(window_, &paint_); }
    WindowPaint(const WindowPaint&) = delete;
    WindowPaint& operator=(const WindowPaint&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// The DC of a whole window, frame included (GetWindowDC), released at scope end.
class WholeWindowDc {
public:
    explicit WholeWindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
    ~WholeWindowDc() { if (dc_) ReleaseDC(window_, dc_); }
    WholeWindowDc(const WholeWindowDc&) = delete;
    WholeWindowDc& operator=(const WholeWindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

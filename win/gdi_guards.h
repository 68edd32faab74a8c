// Scope guards for graphics objects, so that no path of a paint leaks one or
// leaves an object selected.
#pragma once
#include <windows.h>

// Owns a created GDI object and deletes it when the scope ends, or when its
// owner, a record in a table, goes. Movable, for such tables.
template <typename T>
class GdiObject {
public:
    explicit GdiObject(T object = nullptr) : object_(object) {}
    ~GdiObject() { if (object_) DeleteObject(object_); }
    GdiObject(GdiObject&& other) noexcept : object_(other.Release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            if (object_) DeleteObject(object_);
            object_ = other.Release();
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    T get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Hands the object on; the new owner deletes it.
    T Release() {
        T released = object_;
        object_ = nullptr;
        return released;
    }
private:
    T object_;
};

// Selects an object into a DC and selects the displaced one back at scope end.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() { if (previous_) SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A memory DC, deleted at scope end.
class MemoryDc {
public:
    explicit MemoryDc(HDC reference) : dc_(CreateCompatibleDC(reference)) {}
    ~MemoryDc() { if (dc_) DeleteDC(dc_); }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }
private:
    HDC dc_;
};

// A window's DC from GetDC, released at scope end.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() { if (dc_) ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }
private:
    HWND window_;
    HDC dc_;
};

// SaveDC at construction, RestoreDC at scope end.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : dc_(dc), saved_(dc ? SaveDC(dc) : 0) {}
    ~SavedDcState() { if (saved_) RestoreDC(dc_, saved_); }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;
private:
    HDC dc_;
    int saved_;
};

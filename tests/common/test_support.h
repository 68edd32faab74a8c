// Shared test helpers: the library loaded by path as the host loads it, host
// records, chip windows, DIB sections and GDI slot counting.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "win/host_records.h"
#include "chip/saved_settings.h"

// Directory of the running test program (where Brimsel.dxl is built), with a
// trailing backslash.
std::string ProgramDirectory();

// The library's exports, looked up by name exactly as the host does.
struct DrawExLibrary : DrawExExports {
    HMODULE module = nullptr;
};

// Loads Brimsel.dxl from the program directory once per process; the test
// fails if it or any export is missing.
const DrawExLibrary& Library();

// A ChipInfo with its own text and saved-data storage.
struct HostChip {
    ChipInfo info{};
    std::string text;
    std::vector<uint8_t> saved;   // 4-byte size tag, then settings

    explicit HostChip(const std::string& chipText = "", uint32_t sizeTag = 0);
    void SetText(const std::string& chipText);
    // Replaces the saved data with a 408- or 272-byte settings record.
    void SetSettings(const ChipSettings& settings, uint32_t sizeTag = kSettingsSizeCurrent);
    ChipSettings Settings() const;
};

// A plain LOGFONTA of a given height and face.
LOGFONTA MakeFont(int height, const char* face = "MS Gothic");

// A top-level pop-up window of the given client size, destroyed with the object.
class TestWindow {
public:
    TestWindow(int clientWidth, int clientHeight);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND get() const { return window_; }
    void SetClientSize(int clientWidth, int clientHeight);
private:
    HWND window_;
};

// A 32-bit top-down DIB section selected into a memory DC, for pixel checks.
class PixelCanvas {
public:
    PixelCanvas(int width, int height, COLORREF fill = RGB(1, 2, 3));
    ~PixelCanvas();
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;
    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const;   // as RGB()
    int width() const { return width_; }
    int height() const { return height_; }
private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    uint32_t* bits_;
};

// Writes a 24-bit bottom-up BMP file whose pixel colours come from pixel(x, y).
// Writes `size` bytes as the whole file at `path` (code page 932, or UTF-16),
// replacing it; a file that cannot be written fails the test.
void WriteFileBytes(const std::string& path, const void* bytes, size_t size);
void WriteFileBytes(const std::wstring& path, const void* bytes, size_t size);
inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    WriteFileBytes(path, bytes.data(), bytes.size());
}

void WriteBmpFile(const std::string& path, int width, int height, COLORREF (*pixel)(int x, int y, void* context),
                  void* context = nullptr);
// A BMP of one solid colour.
void WriteSolidBmp(const std::string& path, int width, int height, COLORREF colour);

// A writable temporary directory for this test program, with a trailing backslash.
std::string TempDirectory();

// How many more GDI objects can be created right now (Wine reports no counts).
int CountFreeGdiSlots();

// Helpers for tests that load pictures: the test image plug-ins, their picture
// format, a plug-in folder named in the registry or on PATH, and the pixels of
// a loaded bitmap.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "../support/test_plugins/test_picture_format.h"
#include "scoped_state.h"

// Where the build put test plug-in `name` (bin/plugins/<name>.spi).
std::string TestPluginPath(const std::string& name);

// A new empty folder below TempDirectory(), unique per call; no trailing backslash.
std::string NewFolder(const std::string& hint);

// Copies test plug-in `name` into `folder` as `fileName` (default <name>.spi)
// and returns the copy's path.
std::string InstallPlugin(const std::string& folder, const std::string& name, const std::string& fileName = "");

// One picture in the test format.
struct TestPicture {
    char magic[5] = "BRM1";
    int width = 8;
    int height = 6;
    uint8_t headerKind = 0;   // 0: 40 bytes, 1: 108, 2: 124
    uint8_t bitCount = 24;
    uint8_t flags = 0;        // test_picture::Flags
    uint8_t spoil = 0;        // test_picture::Spoil
    COLORREF topLeft = RGB(255, 0, 0);
    COLORREF topRight = RGB(0, 255, 0);
    COLORREF bottom = RGB(0, 0, 255);
    size_t prefix = 0;        // bytes of filler before the header
};
void WriteTestPicture(const std::string& path, const TestPicture& picture);

// Sets HKCU "Software\Takechin\Susie\Plug-in" value "Path" for the life of the
// object (null: no such value) and puts back what was there before.
class ScopedSusieFolder {
public:
    explicit ScopedSusieFolder(const char* folder)
        : state_(ScopedState::RegistryText(kSusieFolderKey, "Path", folder)) {}
private:
    ScopedState state_;
};

// Sets this process's PATH for the life of the object.
class ScopedPathVariable {
public:
    explicit ScopedPathVariable(const std::string& value) : state_(ScopedState::Environment("PATH", value.c_str())) {}
private:
    ScopedState state_;
};

// Holds a reference of its own to a plug-in module so that the module, and
// the record of what it was asked, outlive any list that loads it.
class PluginProbe {
public:
    explicit PluginProbe(const std::string& modulePath);
    ~PluginProbe();
    PluginProbe(const PluginProbe&) = delete;
    PluginProbe& operator=(const PluginProbe&) = delete;
    HMODULE module() const { return module_; }
    test_picture::Probe* operator->() const { return probe_; }
    // Drops the reference early; afterwards the module must be gone.
    void Release();
private:
    HMODULE module_;
    test_picture::Probe* probe_;
    test_picture::Probe dummy_{};
};

// Whether a module with this full path is loaded in the process.
bool IsModuleLoaded(const std::string& modulePath);

// The pixels of a bitmap, read back as 32-bit top-down rows.
struct BitmapPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    COLORREF At(int x, int y) const;   // as RGB()
};
BitmapPixels ReadBitmap(HBITMAP bitmap);

// Bytes in use on the process heap (busy blocks), for leak checks.
size_t ProcessHeapInUse();

// Whether the file can be opened for writing with no sharing: proves that no
// handle to it is left open.
bool CanOpenExclusively(const std::string& path);

// A sound 4 x 3 bitmap file, 24 bits a pixel, every byte of its pixels 0x80.
std::vector<uint8_t> SoundBitmap();

// What the benchmark needs of a host, of its own: the library's exports (its
// code is linked in, the DLL is not loaded), chips' records, windows, picture
// files written at run time, folders and the Susie plug-in folder setting.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "win/host_records.h"

// The nineteen exports of the linked library, as a host's table holds them.
const DrawExExports& Library();

// The folder of the benchmark program, with its trailing backslash.
std::string ProgramDirectory();
// A folder of this run's own under the system's temporary folder, with its
// trailing backslash; a new empty folder in it (without one).
std::string TempDirectory();
std::string NewFolder(const std::string& hint);
// Removes TempDirectory() and all the run wrote there.
void RemoveTempDirectory();

// A ChipInfo with its own text and saved-data storage.
struct HostChip {
    ChipInfo info{};
    std::string text;
    std::vector<uint8_t> saved;   // 4-byte size tag, then settings

    explicit HostChip(const std::string& chipText);
    // Replaces the saved data with a current settings block.
    void SetSettings(const ChipSettings& settings);
};

ChipSettings PictureSettings(const std::string& path, uint32_t placement, int32_t sizingMode = 10009);

// A shown pop-up window of the given client size that lives for the run.
HWND MakeWindow(int width, int height);

// A 24-bit bitmap file in TempDirectory(): red along x, green along y, the
// given blue.
std::string GradientPicture(int width, int height, int blue);

// The Susie plug-in folder in the registry, set for the life of the object
// and put back as it was (or removed) after.
class SusieFolder {
public:
    explicit SusieFolder(const std::string& folder);
    ~SusieFolder();
    SusieFolder(const SusieFolder&) = delete;
    SusieFolder& operator=(const SusieFolder&) = delete;
    // Names another folder, kept until the object goes.
    void Set(const std::string& folder);
private:
    bool had_ = false;
    std::vector<BYTE> old_;
    DWORD oldType_ = REG_SZ;
};

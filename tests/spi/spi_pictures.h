// The plug-in's test pictures (made by data/make_pictures.py, copied to
// bin\spi-data) and the broken pictures the tests derive from them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "win/susie_plugin.h"

using Bytes = std::vector<unsigned char>;

// Every good picture is 32x16 and decodes to the colours at kProbes (over
// white where it has transparency).
struct GoodPicture {
    const char* file;
    int tolerance;   // per channel; lossy formats only
    bool alpha;      // handed over as 32 bits with alpha
};
extern const GoodPicture kGoodPictures[8];
struct Probe {
    int x, y;   // from the top left
    COLORREF colour;
};
extern const Probe kProbes[5];
// The PNG behind a 128-byte header.
constexpr char kHeader128File[] = "header128.dat";

std::string PicturePath(const char* file);
Bytes ReadBytes(const std::string& path);
// Writes bytes to a file of that name in the test's temporary folder; its path.
std::string WriteTemp(const std::string& name, const Bytes& bytes);
bool Near(COLORREF a, COLORREF b, int tolerance);
Bytes Text(const std::string& s);

// What GetPicture returned, copied out of its blocks, which are then freed.
struct Decoded {
    int result = -99;
    BITMAPV5HEADER header{};   // the first bV5Size bytes of the header block
    size_t headerBlock = 0;    // LocalSize of the header block
    Bytes rows;
    // The pixel from the top left as 0xAARRGGBB (alpha 255 for 24 bits).
    uint32_t Raw(int x, int y) const;
    // The pixel as RGB(), drawn over white.
    COLORREF At(int x, int y) const;
};
Decoded TakeBlocks(int result, HANDLE info, HANDLE bits);

// Truncated, damaged and over-budget pictures with the result GetPicture owes.
struct BrokenPicture {
    std::string name;   // its extension matters for TGA only
    Bytes bytes;
    int result;
};
std::vector<BrokenPicture> BrokenPictures();

// The plug-in's exports, bound by name from the module at a path; the module
// stays loaded until Free().
struct SpiExports {
    HMODULE module = nullptr;
    GetPluginInfoFunction GetPluginInfo = nullptr;
    IsSupportedFunction IsSupported = nullptr;
    // Untyped record: the tests read its packed bytes as a host would.
    int(WINAPI* GetPictureInfo)(LPCSTR, LONG, unsigned, void*) = nullptr;
    GetPictureFunction GetPicture = nullptr;
    GetPictureReducedFunction GetPictureReduced = nullptr;
    explicit SpiExports(const std::string& path);
    void Free();
};
// bin\spi\ifbrimsel.spi, loaded once.
const SpiExports& Spi();

Decoded DecodeFile(const std::string& path, LONG offset = 0);
// GetPictureReduced of the file; the whole size as seen goes to *whole.
Decoded DecodeReduced(const std::string& path, LONG coverWidth, LONG coverHeight, SIZE* whole = nullptr);
Decoded DecodeMemory(const unsigned char* data, size_t size, FARPROC progress = nullptr, LONG lData = 0,
                     const SpiExports& spi = Spi());

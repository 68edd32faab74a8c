// The plug-in's test pictures (made by data/make_pictures.py, copied to
// bin\spi-data) and the broken pictures the tests derive from them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Every good picture is 32x16 and decodes to the colours at kProbes.
struct GoodPicture {
    const char* file;
    int tolerance;   // per channel; lossy formats only
};
extern const GoodPicture kGoodPictures[6];
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

// Truncated, damaged and over-budget pictures with the result GetPicture owes.
struct BrokenPicture {
    std::string name;   // its extension matters for TGA only
    Bytes bytes;
    int result;
};
std::vector<BrokenPicture> BrokenPictures();

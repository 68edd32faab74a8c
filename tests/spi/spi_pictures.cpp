#include "spi_pictures.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include "test_support.h"

const GoodPicture kGoodPictures[6] = {
    {"quadrants.png", 0}, {"quadrants.jpg", 12}, {"quadrants.gif", 0},
    {"quadrants.tga", 0}, {"quadrants.psd", 2},  {"quadrants.ppm", 0},
};
// Red, green and blue quadrants; the fourth is transparent over white, then
// black at alpha 128 over white.
const Probe kProbes[5] = {
    {4, 2, RGB(255, 0, 0)}, {27, 5, RGB(0, 255, 0)}, {3, 13, RGB(0, 0, 255)},
    {19, 10, RGB(255, 255, 255)}, {29, 14, RGB(127, 127, 127)},
};

std::string PicturePath(const char* file) { return ProgramDirectory() + "spi-data\\" + file; }

Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot read " << path;
        return bytes;
    }
    bytes.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

std::string WriteTemp(const std::string& name, const Bytes& bytes) {
    const std::string path = TempDirectory() + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

namespace {
void Put32be(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}
Bytes PngOfSize(uint32_t width, uint32_t height) {
    Bytes png = ReadBytes(PicturePath("quadrants.png"));
    Put32be(png, 16, width);   // IHDR follows the 8-byte signature and chunk length and type
    Put32be(png, 20, height);
    return png;
}
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Prefix(const char* file, size_t keep) {
    Bytes b = ReadBytes(PicturePath(file));
    b.resize(keep < b.size() ? keep : b.size());
    return b;
}
}  // namespace

std::vector<BrokenPicture> BrokenPictures() {
    Bytes badDepth = ReadBytes(PicturePath("quadrants.png"));
    badDepth[24] = 7;   // IHDR bit depth
    Bytes gif = ReadBytes(PicturePath("quadrants.gif"));
    gif[6] = gif[7] = gif[8] = gif[9] = 0xff;   // screen 65535 x 65535
    return {
        {"half.png", Prefix("quadrants.png", 60), 3},
        {"half.jpg", Prefix("quadrants.jpg", 200), 3},
        {"half.psd", Prefix("quadrants.psd", 2000), 3},
        {"no-end.gif", Prefix("quadrants.gif", 120), 3},
        {"half.tga", Prefix("quadrants.tga", 100), 3},
        {"bad-depth.png", badDepth, 3},
        {"huge.png", PngOfSize(20000, 20000), 4},
        {"wide.png", PngOfSize(16385, 16), 4},
        {"huge.gif", gif, 4},
        {"huge.ppm", Text("P6\n9000 9000\n255\n"), 4},
        {"at-budget.pgm", Text("P5\n16384 4096\n255\n\x01\x02"), 3},   // within budget, data missing
        {"text.png", Text("just some words, no picture at all"), 2},
    };
}

#include "chip_pictures.h"
#include <cstring>
#include "test_support.h"

COLORREF GradientAt(int x, int y, int blue) { return RGB(x % 256, y % 256, blue); }

std::string GradientPicture(int width, int height, int blue) {
    const std::string path = TempDirectory() + "gradient-" + std::to_string(width) + "x" + std::to_string(height) +
                             "-" + std::to_string(blue) + ".bmp";
    WriteBmpFile(path, width, height, [](int x, int y, void* b) { return GradientAt(x, y, *static_cast<int*>(b)); },
                 &blue);
    return path;
}

COLORREF NoiseAt(int x, int y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h & 0xFFFFFF;
}

std::string NoisePicture(int width, int height, uint32_t seed) {
    const std::string path = TempDirectory() + "noise-" + std::to_string(width) + "x" + std::to_string(height) + "-" +
                             std::to_string(seed) + ".bmp";
    WriteBmpFile(path, width, height, [](int x, int y, void* s) { return NoiseAt(x, y, *static_cast<uint32_t*>(s)); },
                 &seed);
    return path;
}

std::string SolidPicture(int width, int height, COLORREF colour) {
    char name[64];
    wsprintfA(name, "solid-%dx%d-%06lx.bmp", width, height, static_cast<unsigned long>(colour));
    const std::string path = TempDirectory() + name;
    WriteSolidBmp(path, width, height, colour);
    return path;
}

ChipSettings PictureSettings(const std::string& path, uint32_t placement, int32_t sizingMode, int32_t textAlign) {
    ChipSettings s{};
    s.placement = placement;
    s.textAlign = textAlign;
    s.sizingMode = sizingMode;
    lstrcpynA(s.picturePath, path.c_str(), sizeof(s.picturePath));
    return s;
}

// Pictures and settings blocks for tests that paint and size chips.
#pragma once
#include <windows.h>
#include <string>
#include "chip/saved_settings.h"

// A picture whose pixel (x, y) is RGB(x % 256, y % 256, blue): any pixel shows
// where in the picture it came from.
std::string GradientPicture(int width, int height, int blue);
COLORREF GradientAt(int x, int y, int blue);

// A picture of unrelated pixel colours, fixed by the seed: averages that take
// a wrong pixel or weight show.
std::string NoisePicture(int width, int height, uint32_t seed);
COLORREF NoiseAt(int x, int y, uint32_t seed);

// A picture of one colour.
std::string SolidPicture(int width, int height, COLORREF colour);

// A 408-byte settings block naming a picture.
ChipSettings PictureSettings(const std::string& path, uint32_t placement, int32_t sizingMode = 10009,
                             int32_t textAlign = 0);

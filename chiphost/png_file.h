// PNG output through stb_image_write.
#pragma once
#include <cstdint>
#include <string>

// Writes 0x00RRGGBB pixels (top row first) as an RGB PNG at path, through a
// new file that then replaces path. False with *error on failure.
bool WritePngFile(const std::string& path, const uint32_t* pixels, int width, int height, std::string* error);

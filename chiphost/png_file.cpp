#include "png_file.h"
#include <windows.h>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "safe_file.h"

namespace {
void Append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}
}  // namespace

bool WritePngFile(const std::string& path, const uint32_t* pixels, int width, int height, std::string* error) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgb[i * 3 + 0] = static_cast<uint8_t>(pixels[i] >> 16);
        rgb[i * 3 + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        rgb[i * 3 + 2] = static_cast<uint8_t>(pixels[i]);
    }
    std::vector<uint8_t> png;
    if (!stbi_write_png_to_func(Append, &png, width, height, 3, rgb.data(), width * 3)) {
        *error = "cannot encode the PNG for " + path;
        return false;
    }
    return ReplaceFileContents(path, png.data(), png.size(), error);
}

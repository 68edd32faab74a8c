// The stb_image decoder, restricted to the formats the plug-in recognises.
// Every byte reaches it through PictureSource's callbacks, never from a file
// of its own, so it cannot read past a picture's end.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_ONLY_TGA
#define STBI_ONLY_PSD
#define STBI_ONLY_PNM
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include "stb_image_impl.h"

int ReadPictureHeader(PictureFormat format, const stbi_io_callbacks* io, void* user, int* width, int* height,
                      int* channels) {
    stbi__context s;
    stbi__start_callbacks(&s, const_cast<stbi_io_callbacks*>(io), user);
    switch (format) {
    case PictureFormat::kPng: return stbi__png_info(&s, width, height, channels);
    case PictureFormat::kJpeg: return stbi__jpeg_info(&s, width, height, channels);
    case PictureFormat::kGif: return stbi__gif_info(&s, width, height, channels);
    case PictureFormat::kTga: return stbi__tga_info(&s, width, height, channels);
    case PictureFormat::kPsd: return stbi__psd_info(&s, width, height, channels);
    case PictureFormat::kPnm: return stbi__pnm_info(&s, width, height, channels);
    case PictureFormat::kUnknown: break;
    }
    return stbi__err("unknown image type", "Image not of any known type");
}

void ClearDecoderFailure() { stbi__g_failure_reason = nullptr; }

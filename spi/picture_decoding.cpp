#include "picture_decoding.h"
#include <cstring>
#include "stb_image_impl.h"

namespace {
int ReadCallback(void* user, char* data, int size) { return static_cast<PictureSource*>(user)->Read(data, size); }
void SkipCallback(void* user, int n) { static_cast<PictureSource*>(user)->Skip(n); }
int EofCallback(void* user) { return static_cast<PictureSource*>(user)->AtEnd() ? 1 : 0; }
const stbi_io_callbacks kCallbacks = {ReadCallback, SkipCallback, EofCallback};

bool WithinBudget(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kMaxPicturePixels;
}

// The result for a decoder failure: the file could not be read, memory ran
// out or the decoder found the picture too large for itself (its own limits
// lie below our budget for some formats), or the data is broken.
int FailureResult(const PictureSource& source) {
    if (source.readFailed()) return kSpiFileReadError;
    const char* reason = stbi_failure_reason();
    if (reason && (std::strcmp(reason, "outofmem") == 0 || std::strcmp(reason, "too large") == 0))
        return kSpiOutOfMemory;
    return kSpiBrokenData;
}

// A decoded picture, freed with the guard.
struct DecodedPixels {
    stbi_uc* pixels = nullptr;
    ~DecodedPixels() { stbi_image_free(pixels); }
};

// A movable local block, freed unless handed on.
struct LocalBlock {
    HLOCAL handle = nullptr;
    void* locked = nullptr;
    ~LocalBlock() {
        if (locked) LocalUnlock(handle);
        if (handle) LocalFree(handle);
    }
    int Allocate(size_t bytes) {
        handle = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, bytes);
        if (!handle) return kSpiOutOfMemory;
        locked = LocalLock(handle);
        return locked ? kSpiSuccess : kSpiMemoryError;
    }
    HLOCAL Release() {
        LocalUnlock(handle);
        locked = nullptr;
        HLOCAL h = handle;
        handle = nullptr;
        return h;
    }
};

inline unsigned char OverWhite(unsigned colour, unsigned alpha) {
    return static_cast<unsigned char>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// One top-down source row of RGB or RGBA into one BGR row.
void ConvertRow(const stbi_uc* from, int width, int channels, unsigned char* to) {
    for (int x = 0; x < width; ++x, from += channels, to += 3) {
        if (channels == 4) {
            to[0] = OverWhite(from[2], from[3]);
            to[1] = OverWhite(from[1], from[3]);
            to[2] = OverWhite(from[0], from[3]);
        } else {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
}

bool Cancelled(SpiProgressCallback progress, int done, int total, LONG lData) {
    return progress && progress(done, total, lData) != 0;
}
}  // namespace

int MeasurePicture(PictureSource& source, PictureFormat format, PictureSize* size) {
    source.Rewind();
    ClearDecoderFailure();
    int width = 0, height = 0, channels = 0;
    const int known = ReadPictureHeader(format, &kCallbacks, &source, &width, &height, &channels);
    if (!known) return FailureResult(source);
    if (source.readFailed()) return kSpiFileReadError;
    if (source.overran()) return kSpiBrokenData;
    size->width = width;
    size->height = height;
    size->channels = channels;
    return WithinBudget(width, height) ? kSpiSuccess : kSpiOutOfMemory;
}

int DecodePicture(PictureSource& source, PictureFormat format, SpiProgressCallback progress, LONG lData, HLOCAL* info,
                  HLOCAL* bits) {
    *info = nullptr;
    *bits = nullptr;
    PictureSize size;
    int result = MeasurePicture(source, format, &size);
    if (result != kSpiSuccess) return result;
    if (Cancelled(progress, 0, size.height, lData)) return kSpiCancelled;

    // Alpha only where the file has it, so opaque pictures need 3 bytes a pixel.
    const int channels = size.channels == 2 || size.channels == 4 ? 4 : 3;
    source.Rewind();
    ClearDecoderFailure();
    DecodedPixels decoded;
    int width = 0, height = 0, fileChannels = 0;
    decoded.pixels = stbi_load_from_callbacks(&kCallbacks, &source, &width, &height, &fileChannels, channels);
    if (!decoded.pixels) return FailureResult(source);
    if (source.readFailed()) return kSpiFileReadError;
    // Running out of data means the picture was cut short, even if the
    // decoder made up the rest.
    if (source.overran()) return kSpiBrokenData;
    if (width != size.width || height != size.height) return kSpiBrokenData;

    LocalBlock header, rows;
    if ((result = header.Allocate(sizeof(BITMAPINFO))) != kSpiSuccess) return result;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    if ((result = rows.Allocate(stride * height)) != kSpiSuccess) return result;

    auto* bih = static_cast<BITMAPINFOHEADER*>(header.locked);
    bih->biSize = sizeof(BITMAPINFOHEADER);
    bih->biWidth = width;
    bih->biHeight = height;   // positive: bottom-up
    bih->biPlanes = 1;
    bih->biBitCount = 24;
    bih->biCompression = BI_RGB;
    bih->biSizeImage = static_cast<DWORD>(stride * height);

    // Progress in rows, reported every 64 rows and at the end.
    auto* out = static_cast<unsigned char*>(rows.locked);
    const size_t sourceStride = static_cast<size_t>(width) * channels;
    for (int y = 0; y < height; ++y) {
        if (y > 0 && y % 64 == 0 && Cancelled(progress, y, height, lData)) return kSpiCancelled;
        ConvertRow(decoded.pixels + sourceStride * y, width, channels, out + stride * (height - 1 - y));
    }
    if (Cancelled(progress, height, height, lData)) return kSpiCancelled;

    *info = header.Release();
    *bits = rows.Release();
    return kSpiSuccess;
}

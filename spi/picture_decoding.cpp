#include "picture_decoding.h"
#include <wincodec.h>
#include "win/susie_plugin.h"
#include "own_readers.h"
#include "row_reducer.h"
#include "wic_decoding.h"

namespace {
// Readers that deliver the whole picture: reduced afterwards.
int ReducedAfterwards(int result, const CoverSize& cover, DecodedPicture* picture) {
    if (result != kSpiSuccess) return result;
    picture->wholeWidth = picture->width;
    picture->wholeHeight = picture->height;
    return ReduceWhole(picture, ReductionShift(picture->width, picture->height, picture->orientation, cover));
}
}  // namespace

int ReadPicture(const PictureSource& source, const Recognised& format, const CoverSize& cover,
                DecodedPicture* picture) {
    const unsigned char* data = source.data();
    const size_t size = source.size();
    switch (format.format) {
    case PictureFormat::kGif: return ReadGif(data, size, cover, picture);
    case PictureFormat::kTga: return ReducedAfterwards(ReadTga(data, size, picture), cover, picture);
    case PictureFormat::kPsd: return ReducedAfterwards(ReadPsd(data, size, picture), cover, picture);
    case PictureFormat::kPnm: return ReducedAfterwards(ReadPnm(data, size, picture), cover, picture);
    case PictureFormat::kSystem:
        if (IsEqualGUID(*format.container, GUID_ContainerFormatJpeg)) return ReadJpeg(data, size, cover, picture);
        return DecodeWithSystem(*format.container, data, size, cover, picture);
    case PictureFormat::kUnknown: break;
    }
    return kSpiUnknownFormat;
}

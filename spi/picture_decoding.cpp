#include "picture_decoding.h"
#include "picture/susie_interface.h"
#include "own_readers.h"
#include "wic_decoding.h"

int ReadPicture(const PictureSource& source, const Recognised& format, DecodedPicture* picture) {
    switch (format.format) {
    case PictureFormat::kGif: return ReadGif(source.data(), source.size(), picture);
    case PictureFormat::kTga: return ReadTga(source.data(), source.size(), picture);
    case PictureFormat::kPsd: return ReadPsd(source.data(), source.size(), picture);
    case PictureFormat::kPnm: return ReadPnm(source.data(), source.size(), picture);
    case PictureFormat::kSystem:
        return DecodeWithSystem(*format.container, source.data(), source.size(), picture);
    case PictureFormat::kUnknown: break;
    }
    return kSpiUnknownFormat;
}

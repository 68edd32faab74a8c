// Readers of our own: for the formats the system has no decoder for (TGA,
// PSD, PNM), for GIF, whose system decoder keeps memory of the host's after a
// damaged file, and for JPEG, which libjpeg-turbo reads at the size drawn.
// They take the picture's bytes whole and trust none of them: every size is
// checked against what is there before it is used, and no pixel memory is
// taken before the header is found sound and within the budget. Each returns
// an SpiResult: kSpiBrokenData for damage or truncation, kSpiOutOfMemory
// beyond the budget (JPEG: when even the largest reduction would be).
#pragma once
#include <cstddef>
#include "decoded_picture.h"

int ReadGif(const unsigned char* data, size_t size, const CoverSize& cover, DecodedPicture* picture);
int ReadTga(const unsigned char* data, size_t size, DecodedPicture* picture);
int ReadPsd(const unsigned char* data, size_t size, DecodedPicture* picture);
int ReadPnm(const unsigned char* data, size_t size, DecodedPicture* picture);
// JPEG, through libjpeg-turbo, read at the reduction the cover size asks for
// (ReductionShift), the DCT doing 1/2 to 1/8 and a box filter the rest.
int ReadJpeg(const unsigned char* data, size_t size, const CoverSize& cover, DecodedPicture* picture);

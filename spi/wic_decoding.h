// Decoding through the system's imaging component: the first frame, as BGRA
// with straight alpha, with its EXIF orientation.
#pragma once
#include <windows.h>
#include <cstddef>
#include "decoded_picture.h"

// An SpiResult; kSpiBrokenData for anything the decoder refuses,
// kSpiUnknownFormat when the system cannot make a decoder for the container.
// A picture reduced for the cover size (ReductionShift) is copied from the
// decoder in strips of rows, box-averaged as they come.
int DecodeWithSystem(const GUID& container, const unsigned char* data, size_t size, const CoverSize& cover,
                     DecodedPicture* picture);

// A recognised picture read into pixels by the reader of its format.
#pragma once
#include "decoded_picture.h"
#include "format_detection.h"
#include "picture_source.h"

// An SpiResult; on success *picture holds the pixels and orientation, reduced
// as ReductionShift says for the cover size (a zero cover: only as far as the
// pixel budget needs).
int ReadPicture(const PictureSource& source, const Recognised& format, const CoverSize& cover,
                DecodedPicture* picture);

// A recognised picture read into pixels by the reader of its format.
#pragma once
#include "decoded_picture.h"
#include "format_detection.h"
#include "picture_source.h"

// An SpiResult; on success *picture holds the pixels and orientation.
int ReadPicture(const PictureSource& source, const Recognised& format, DecodedPicture* picture);

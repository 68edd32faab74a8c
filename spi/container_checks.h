// Checks of a picture's structure that the system's decoders leave out or
// answer differently from system to system: a damaged or cut file must give
// kSpiBrokenData everywhere, and the budget must hold for what the file
// declares, not only for what the decoder hands back.
#pragma once
#include <cstddef>

// PNG: every chunk whole and its checksum right, up to IEND.
bool PngChunksSound(const unsigned char* data, size_t size);
// JPEG: the segments up to the first scan are whole and the scan data is
// followed by an end-of-image marker.
bool JpegSegmentsSound(const unsigned char* data, size_t size);

// The EXIF orientation (1..8) stored in a JPEG's APP1 segment or at the head
// of a TIFF file; 1 when there is none or it makes no sense.
int ExifOrientation(const unsigned char* data, size_t size);

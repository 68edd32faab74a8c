// Checks of a picture's structure that the system's decoders leave out or
// answer differently from system to system: a damaged or cut file must give
// kSpiBrokenData everywhere, and the budget must hold for what the file
// declares, not only for what the decoder hands back.
#pragma once
#include <cstddef>

// PNG: every chunk whole and its checksum right, up to IEND.
bool PngChunksSound(const unsigned char* data, size_t size);
// JPEG: the segments up to the first scan are whole and the scan data is
// followed by an end-of-image marker. *width and *height receive the frame's
// size (0 when no frame header was seen), even when the answer is false.
bool JpegSegmentsSound(const unsigned char* data, size_t size, unsigned* width, unsigned* height);
// TIFF: every directory entry's values, and every strip and tile, lie within
// the file (the system's reader is not safe against the opposite everywhere).
bool TiffStructureSound(const unsigned char* data, size_t size);
// ICO: the first picture lies within the file, and a bitmap there agrees with
// its directory entry and holds all its rows (a PNG there is checked as one).
bool IcoFirstPictureSound(const unsigned char* data, size_t size);

// The EXIF orientation (1..8) stored in a JPEG's APP1 segment or at the head
// of a TIFF file; 1 when there is none or it makes no sense.
int ExifOrientation(const unsigned char* data, size_t size);

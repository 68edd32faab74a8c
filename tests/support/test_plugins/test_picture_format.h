// The picture format our test plug-ins read, and the record through which a
// test sees what a plug-in was asked. Shared by the plug-ins and the tests.
//
// A picture is a 21-byte header, at the start of the file or after a prefix of
// any length (the plug-in reads where it is told to):
//   0  magic, 4 bytes ("BRM1", or "BRA1" / "BRB1" for the extra formats)
//   4  width, 16 bits      6  height, 16 bits
//   8  header kind: 0 BITMAPINFOHEADER, 1 BITMAPV4HEADER, 2 BITMAPV5HEADER
//   9  bits per pixel: 24 (or 0), 8 (256-entry palette), 1 (2-entry palette),
//      32 (a fourth byte per pixel: alpha with kAlpha, else AlphaAt as filler)
//  10  behaviour flags, below
//  11  how the returned header or bits are spoilt, below
//  12  colours R, G, B of the top-left quarter, the top-right quarter and the
//      bottom half. A 1-bit picture shows its bottom half in the top-left colour.
#pragma once
#include <cstdint>

namespace test_picture {
constexpr int kHeaderSize = 21;

enum Flags : uint8_t {
    kTopDown = 1,          // rows top first, negative height
    kFixedHandles = 2,     // LMEM_FIXED blocks instead of movable ones
    kFail = 4,             // GetPicture reports an error
    kNullInfo = 8,         // success, but no information handle
    kNullBits = 16,        // success, but no bits handle
    kFaultPicture = 32,    // GetPicture writes to an unmapped address
    kFaultSupported = 64,  // IsSupported does
    kAlpha = 128,          // 32 bits: BI_BITFIELDS with alpha mask 0xFF000000,
                           // transparent pixels white; else BI_RGB
};

// The fourth byte of pixel (x, y) of a 32-bit picture: transparent and opaque
// columns, and every degree between.
inline uint8_t AlphaAt(int x, int y) {
    if (x % 4 == 0) return 0;
    if (x % 4 == 1) return 255;
    return static_cast<uint8_t>(x * 53 + y * 97);
}

enum Spoil : uint8_t {
    kSpoilNone = 0,
    kSpoilHeaderSize = 1,     // biSize far beyond the information block
    kSpoilShortBits = 2,      // bits block half as long as the rows need
    kSpoilBitCount = 3,       // 7 bits per pixel
    kSpoilColoursUsed = 4,    // biClrUsed 0x10000000 with the table the depth needs
    kSpoilHugeWidth = 5,      // biWidth 0x40000000
    kSpoilCompression = 6,    // BI_JPEG
    kSpoilNegativeWidth = 7,
    kSpoilZeroHeaderSize = 8,
    kSpoilUnpaddedBits = 9,   // bits block as long as the rows without their padding to 4 bytes
    kSpoilZeroAlpha = 10,     // 32 bits: every fourth byte 0, the colours kept
};

// What a plug-in was asked, kept in the plug-in module. A test holds its own
// reference to the module so the record outlives the list's load and release.
struct Probe {
    int32_t infoCalls;
    int32_t highestInfoNumber;
    int32_t supportedCalls;
    int32_t supportedPositions[8];   // file position at each IsSupported call, first eight
    int32_t pictureCalls;
    int32_t pictureOffset;
    uint32_t pictureFlag;
    int32_t pictureHadProgress;
    int32_t pictureData;
    void* lastInfoHandle;            // the handles GetPicture handed out last
    void* lastBitsHandle;
    // The reduced read (variants with GetPictureReduced): calls and the last
    // cover size asked for.
    int32_t reducedCalls;
    int32_t coverWidth, coverHeight;
};
}  // namespace test_picture

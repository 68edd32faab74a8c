// What the plug-in makes of particular pictures: every PNM kind and maximum
// value, the eight EXIF orientations and the four TGA origins, and the calling
// thread's COM state.
#include <gtest/gtest.h>
#include <objbase.h>
#include <cstring>
#include <thread>
#include "spi_pictures.h"
#include "test_support.h"

namespace {
Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
}  // namespace

// Pictures two pixels wide and one high: the grey levels (or colours) of both.
TEST(SpiOwnReaders, EveryPnmKindAndMaximumValueAndAGreyPsd) {
    const struct {
        const char* name;
        Bytes bytes;
        COLORREF left, right;
    } rows[] = {
        {"P1", Text("P1\n2 1\n1 0\n"), RGB(0, 0, 0), RGB(255, 255, 255)},
        {"P1 packed", Text("P1 2 1 01"), RGB(255, 255, 255), RGB(0, 0, 0)},
        {"P4", Concat(Text("P4\n2 1\n"), Bytes{0x80}), RGB(0, 0, 0), RGB(255, 255, 255)},
        {"P2 max 15", Text("P2\n# a comment\n2 1 # more\n15\n7 15\n"), RGB(119, 119, 119), RGB(255, 255, 255)},
        {"P2 max 1", Text("P2 2 1 1 0 1"), RGB(0, 0, 0), RGB(255, 255, 255)},
        {"P3", Text("P3\n2 1\n1\n1 0 1  0 1 0\n"), RGB(255, 0, 255), RGB(0, 255, 0)},
        {"P5 max 15", Concat(Text("P5\n2 1\n15\n"), Bytes{7, 15}), RGB(119, 119, 119), RGB(255, 255, 255)},
        {"P5 max 1000", Concat(Text("P5\n2 1\n1000\n"), Bytes{0x01, 0xF4, 0x03, 0xE8}), RGB(128, 128, 128),
         RGB(255, 255, 255)},
        {"PSD grey", Concat(Bytes{'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 8, 0, 1},
                            Concat(Bytes(14, 0), Bytes{0x40, 0xC0})),   // 1 channel; empty sections; raw
         RGB(64, 64, 64), RGB(192, 192, 192)},
        {"P6 max 65535", Concat(Text("P6\n2 1\n65535\n"), Bytes{0xFF, 0xFF, 0x80, 0x00, 0, 0, 0, 0, 0, 1, 0xFF, 0xFF}),
         RGB(255, 128, 0), RGB(0, 0, 255)},
        {"P6 max 255", Concat(Text("P6 2 1 255\n"), Bytes{10, 20, 30, 40, 50, 60}), RGB(10, 20, 30), RGB(40, 50, 60)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Decoded d = DecodeMemory(row.bytes.data(), row.bytes.size());
        ASSERT_EQ(d.result, 0);
        EXPECT_EQ(d.header.bV5Width, 2);
        EXPECT_EQ(d.header.bV5Height, 1);
        EXPECT_EQ(d.header.bV5BitCount, 24);
        EXPECT_EQ(d.At(0, 0), row.left);
        EXPECT_EQ(d.At(1, 0), row.right);
    }
}

// Grey with alpha, stored matted against white: the matte comes off.
TEST(SpiPsd, GreyWithAlphaLosesItsWhiteMatte) {
    const Bytes psd = Concat(Bytes{'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 2, 0, 8, 0, 1},
                             Concat(Bytes(14, 0), Bytes{0x80, 0x40, 0x80, 0xFF}));   // grey row, alpha row
    const Decoded d = DecodeMemory(psd.data(), psd.size());
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.Raw(0, 0), 0x80020202u);   // 2 * 128/255 + 255 * 127/255 = 128
    EXPECT_EQ(d.Raw(1, 0), 0xFF404040u);
}

// A 16-bit grey map of 2000 x 1500 (which once read past the decoder's buffer).
TEST(SpiPnm, LargeSixteenBitGreyMap) {
    const int w = 2000, h = 1500;
    Bytes pgm = Text("P5\n2000 1500\n65535\n");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned v = static_cast<unsigned>(x * 32 + y);
            pgm.push_back(static_cast<unsigned char>(v >> 8));
            pgm.push_back(static_cast<unsigned char>(v));
        }
    const Decoded d = DecodeFile(WriteTemp("large16.pgm", pgm));
    ASSERT_EQ(d.result, 0);
    ASSERT_EQ(d.header.bV5Width, w);
    ASSERT_EQ(d.header.bV5Height, h);
    for (const POINT p : {POINT{0, 0}, POINT{1999, 0}, POINT{0, 1499}, POINT{1999, 1499}, POINT{1000, 750}}) {
        const unsigned level = (static_cast<unsigned>(p.x * 32 + p.y) * 255 + 32767) / 65535;
        EXPECT_EQ(d.At(p.x, p.y), RGB(level, level, level)) << p.x << "," << p.y;
    }
}

// An interlaced 3 x 10 picture at (1, 1) on a 5 x 12 screen, with two colours:
// red, and green made transparent. Index 2 lies past the table. Ten rows, so
// that the order of the passes and the step of the first show.
TEST(SpiGif, InterlacedPicturePlacedOnItsScreen) {
    const int rows[10][3] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {0, 2, 1}, {1, 0, 1},
                             {1, 1, 1}, {0, 1, 1}, {1, 0, 1}, {0, 0, 2}, {2, 1, 0}};
    // Colours as 3-bit codes, with a clear code (4) before every two, so that
    // no code grows; then the end code (5).
    std::vector<int> codes;
    for (int y : {0, 8, 4, 2, 6, 1, 3, 5, 7, 9})   // the interlaced order of ten rows
        for (int x = 0; x < 3; ++x) {
            if (codes.size() % 3 == 0) codes.push_back(4);
            codes.push_back(rows[y][x]);
        }
    codes.push_back(5);
    Bytes data;
    unsigned bits = 0, count = 0;
    for (int code : codes)
        for (bits |= static_cast<unsigned>(code) << count, count += 3; count >= 8; bits >>= 8, count -= 8)
            data.push_back(static_cast<unsigned char>(bits));
    data.push_back(static_cast<unsigned char>(bits));
    Bytes gif = Concat(Text("GIF89a"), {5, 0, 12, 0, 0x80, 0, 0, 255, 0, 0, 0, 255, 0,   // screen, table
                                        0x21, 0xF9, 4, 1, 0, 0, 1, 0,                  // transparent: 1
                                        0x2C, 1, 0, 1, 0, 3, 0, 10, 0, 0x40, 2,         // interlaced
                                        static_cast<unsigned char>(data.size())});
    gif = Concat(Concat(gif, data), {0, 0x3B});
    const Decoded d = DecodeMemory(gif.data(), gif.size());
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.header.bV5Width, 5);
    EXPECT_EQ(d.header.bV5Height, 12);
    const COLORREF red = RGB(255, 0, 0), clear = RGB(255, 255, 255), black = RGB(0, 0, 0);
    const struct { int x, y; COLORREF colour; } probes[] = {
        {0, 0, clear}, {1, 1, red}, {3, 1, red}, {2, 2, clear}, {2, 3, black}, {1, 4, red}, {2, 4, black},
        {3, 4, clear}, {4, 4, clear}, {1, 5, clear}, {2, 5, red}, {2, 6, clear}, {1, 7, red}, {2, 7, clear},
        {2, 8, red}, {1, 9, red}, {3, 9, black}, {1, 10, black}, {3, 10, red}, {2, 11, clear}};
    for (const auto& p : probes) EXPECT_EQ(d.At(p.x, p.y), p.colour) << p.x << "," << p.y;
    gif[8] = 4;   // a screen 4 rows high grows to hold the picture's 1 + 10
    EXPECT_EQ(DecodeMemory(gif.data(), gif.size()).header.bV5Height, 11);
}

namespace {
// quadrants.jpg with an EXIF block naming the orientation.
Bytes JpegWithOrientation(int orientation) {
    const Bytes jpeg = ReadBytes(PicturePath("quadrants.jpg"));
    const Bytes app1 = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0,   // segment, 34 bytes
                        'M', 'M', 0, 42, 0, 0, 0, 8,                    // big-endian TIFF header
                        0, 1,                                           // one entry
                        0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, static_cast<unsigned char>(orientation), 0, 0,
                        0, 0, 0, 0};                                    // no next IFD
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), app1.begin(), app1.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// quadrants.tif with its orientation tag set.
Bytes TiffWithOrientation(int orientation) {
    Bytes tif = ReadBytes(PicturePath("quadrants.tif"));
    const unsigned char entry[] = {0x12, 0x01, 3, 0, 1, 0, 0, 0};   // tag 274, SHORT, count 1
    for (size_t i = 8; i + 10 <= tif.size(); ++i)
        if (std::memcmp(&tif[i], entry, sizeof(entry)) == 0) {
            tif[i + 8] = static_cast<unsigned char>(orientation);
            return tif;
        }
    ADD_FAILURE() << "quadrants.tif has no orientation tag";
    return tif;
}

// quadrants.tga, stored bottom row first and left to right, with its header
// naming another origin: seen as orientation 2, 3 or 4 (1 is as stored).
Bytes TgaWithOrientation(int orientation) {
    Bytes tga = ReadBytes(PicturePath("quadrants.tga"));
    const unsigned char origins[] = {0, 0, 0x10, 0x30, 0x20};
    tga[17] |= origins[orientation];
    return tga;
}

// Where the stored pixel (x, y) of a w x h picture is seen, by the meaning
// of each orientation.
POINT Viewed(int orientation, int w, int h, int x, int y) {
    switch (orientation) {
    case 2: return {w - 1 - x, y};
    case 3: return {w - 1 - x, h - 1 - y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 6: return {h - 1 - y, x};
    case 7: return {h - 1 - y, w - 1 - x};
    case 8: return {y, w - 1 - x};
    default: return {x, y};
    }
}
}  // namespace

TEST(SpiOrientation, AllEightFromFileAndMemory) {
    const struct {
        const char* name;
        Bytes (*make)(int);
        int tolerance;
        int last;   // the last orientation it can give
    } formats[] = {{"jpg", JpegWithOrientation, 12, 8}, {"tif", TiffWithOrientation, 0, 8},
                   {"tga", TgaWithOrientation, 0, 4}};
    for (const auto& format : formats) {
        for (int orientation = 1; orientation <= format.last; ++orientation) {
            SCOPED_TRACE(std::string(format.name) + " orientation " + std::to_string(orientation));
            const Bytes bytes = format.make(orientation);
            const std::string path = WriteTemp(std::string("turned.") + format.name, bytes);
            for (const Decoded& d : {DecodeFile(path), DecodeMemory(bytes.data(), bytes.size())}) {
                ASSERT_EQ(d.result, 0);
                const bool turned = orientation >= 5;
                EXPECT_EQ(d.header.bV5Width, turned ? 16 : 32);
                EXPECT_EQ(d.header.bV5Height, turned ? 32 : 16);
                for (const Probe& p : kProbes) {
                    const POINT v = Viewed(orientation, 32, 16, p.x, p.y);
                    EXPECT_TRUE(Near(d.At(v.x, v.y), p.colour, format.tolerance)) << p.x << "," << p.y;
                }
            }
            unsigned char record[26];
            ASSERT_EQ(Spi().GetPictureInfo(path.c_str(), 0, 0, record), 0);
            EXPECT_EQ(record[8] | record[9] << 8, orientation >= 5 ? 16 : 32);   // width
        }
    }
}

namespace {
// The calling thread's COM state as a probe sees it: 0 none, 1 single-threaded
// apartment, 2 multi-threaded; the probe itself leaves no trace.
int ComState() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) CoUninitialize();
    return hr == S_OK ? 0 : hr == S_FALSE ? 1 : hr == RPC_E_CHANGED_MODE ? 2 : -1;
}
}  // namespace

// Whatever the thread's COM state (none, either apartment), the plug-in works,
// from its first question on, and leaves the state as it was.
TEST(SpiCom, WorksInEveryApartmentAndLeavesItAsItWas) {
    const std::string copy = TempDirectory() + "ifbrimsel-com.spi";
    ASSERT_TRUE(CopyFileA((ProgramDirectory() + "spi\\ifbrimsel.spi").c_str(), copy.c_str(), FALSE));
    const Bytes png = ReadBytes(PicturePath("quadrants.png"));
    const struct { int mode; int state; } rows[] = {
        {-1, 0}, {COINIT_APARTMENTTHREADED, 1}, {COINIT_MULTITHREADED, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.state);
        std::thread([&] {
            const HRESULT init = row.mode < 0 ? E_FAIL : CoInitializeEx(nullptr, static_cast<DWORD>(row.mode));
            ASSERT_EQ(ComState(), row.state);
            SpiExports spi(copy);   // a fresh load: its formats are found on this thread
            char pattern[1024];
            EXPECT_GT(spi.GetPluginInfo(2, pattern, sizeof(pattern)), 0);
            EXPECT_STREQ(pattern, "*.png");
            EXPECT_EQ(DecodeMemory(png.data(), png.size(), nullptr, 0, spi).result, 0);
            spi.Free();
            EXPECT_EQ(ComState(), row.state);
            if (SUCCEEDED(init)) CoUninitialize();
            EXPECT_EQ(ComState(), 0) << "COM was initialised once more than it was released";
        }).join();
    }
}

#include "spi_pictures.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include "test_support.h"

const GoodPicture kGoodPictures[8] = {
    {"quadrants.png", 0, true}, {"quadrants.jpg", 12, false}, {"quadrants.gif", 0, true},
    {"quadrants.tga", 0, true}, {"quadrants.psd", 2, true},   {"quadrants.ppm", 0, false},
    {"quadrants.tif", 0, true}, {"quadrants.ico", 0, true},
};
// Red, green and blue quadrants; the fourth is transparent over white, then
// black at alpha 128 over white.
const Probe kProbes[5] = {
    {4, 2, RGB(255, 0, 0)}, {27, 5, RGB(0, 255, 0)}, {3, 13, RGB(0, 0, 255)},
    {19, 10, RGB(255, 255, 255)}, {29, 14, RGB(127, 127, 127)},
};

std::string PicturePath(const char* file) { return ProgramDirectory() + "spi-data\\" + file; }

Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot read " << path;
        return bytes;
    }
    bytes.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

std::string WriteTemp(const std::string& name, const Bytes& bytes) {
    const std::string path = TempDirectory() + name;
    WriteFileBytes(path, bytes.data(), bytes.size());
    return path;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

uint32_t Decoded::Raw(int x, int y) const {
    const int bytes = header.bV5BitCount / 8;
    const size_t stride = (static_cast<size_t>(header.bV5Width) * bytes + 3) & ~static_cast<size_t>(3);
    const unsigned char* p = &rows[stride * (header.bV5Height - 1 - y) + static_cast<size_t>(bytes) * x];
    return (bytes == 4 ? static_cast<uint32_t>(p[3]) << 24 : 0xFF000000u) | p[2] << 16 | p[1] << 8 | p[0];
}

COLORREF Decoded::At(int x, int y) const {
    const uint32_t p = Raw(x, y);
    const unsigned a = p >> 24;
    auto over = [a](unsigned c) { return static_cast<BYTE>((c * a + 255 * (255 - a) + 127) / 255); };
    return RGB(over(p >> 16 & 0xFF), over(p >> 8 & 0xFF), over(p & 0xFF));
}

Decoded TakeBlocks(int result, HANDLE info, HANDLE bits) {
    Decoded d;
    d.result = result;
    if (result != 0) {
        EXPECT_TRUE(info == nullptr && bits == nullptr);
        return d;
    }
    const auto* header = static_cast<const unsigned char*>(LocalLock(info));
    const auto* rows = static_cast<const unsigned char*>(LocalLock(bits));
    EXPECT_TRUE(header && rows && header != info && rows != bits) << "blocks must be movable";
    d.headerBlock = LocalSize(info);
    const DWORD size = *reinterpret_cast<const DWORD*>(header);
    EXPECT_TRUE(size == sizeof(BITMAPINFOHEADER) || size == sizeof(BITMAPV5HEADER)) << size;
    std::memcpy(&d.header, header, size <= d.headerBlock && size <= sizeof(d.header) ? size : 0);
    d.rows.assign(rows, rows + LocalSize(bits));
    LocalUnlock(info);
    LocalUnlock(bits);
    EXPECT_EQ(LocalFree(info), nullptr);
    EXPECT_EQ(LocalFree(bits), nullptr);
    const size_t stride = (static_cast<size_t>(d.header.bV5Width) * (d.header.bV5BitCount / 8) + 3) & ~static_cast<size_t>(3);
    EXPECT_GE(d.rows.size(), stride * d.header.bV5Height);
    if (d.rows.size() < stride * d.header.bV5Height) d.result = -98;
    return d;
}

SpiExports::SpiExports(const std::string& path) : module(LoadLibraryA(path.c_str())) {
    if (!module) {
        ADD_FAILURE() << "cannot load " << path;
        return;
    }
    auto bind = [this](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(
            reinterpret_cast<void*>(GetProcAddress(module, name)));
        if (!slot) ADD_FAILURE() << "export missing: " << name;
    };
    bind(GetPluginInfo, "GetPluginInfo");
    bind(IsSupported, "IsSupported");
    bind(GetPictureInfo, "GetPictureInfo");
    bind(GetPicture, "GetPicture");
    bind(GetPictureReduced, kGetPictureReducedName);
}

void SpiExports::Free() {
    if (module) FreeLibrary(module);
    module = nullptr;
}

const SpiExports& Spi() {
    static SpiExports spi(ProgramDirectory() + "spi\\ifbrimsel.spi");
    return spi;
}

Decoded DecodeFile(const std::string& path, LONG offset) {
    HANDLE info = nullptr, bits = nullptr;
    const int r = Spi().GetPicture(path.c_str(), offset, 0, &info, &bits, nullptr, 0);
    return TakeBlocks(r, info, bits);
}

Decoded DecodeReduced(const std::string& path, LONG coverWidth, LONG coverHeight, SIZE* whole) {
    HANDLE info = nullptr, bits = nullptr;
    LONG width = -1, height = -1;
    const int r = Spi().GetPictureReduced(path.c_str(), 0, 0, &info, &bits, coverWidth, coverHeight, &width, &height);
    if (whole) *whole = SIZE{width, height};
    return TakeBlocks(r, info, bits);
}

Decoded DecodeMemory(const unsigned char* data, size_t size, FARPROC progress, LONG lData, const SpiExports& spi) {
    HANDLE info = nullptr, bits = nullptr;
    const int r = spi.GetPicture(reinterpret_cast<LPCSTR>(data), static_cast<LONG>(size), 1, &info, &bits, progress,
                                 lData);
    return TakeBlocks(r, info, bits);
}

namespace {
void Put32be(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}
Bytes PngOfSize(uint32_t width, uint32_t height) {
    Bytes png = ReadBytes(PicturePath("quadrants.png"));
    Put32be(png, 16, width);   // IHDR follows the 8-byte signature and chunk length and type
    Put32be(png, 20, height);
    return png;
}
Bytes Prefix(const char* file, size_t keep) {
    Bytes b = ReadBytes(PicturePath(file));
    b.resize(keep < b.size() ? keep : b.size());
    return b;
}
}  // namespace

std::vector<BrokenPicture> BrokenPictures() {
    Bytes badDepth = ReadBytes(PicturePath("quadrants.png"));
    badDepth[24] = 7;   // IHDR bit depth
    Bytes badCrc = ReadBytes(PicturePath("quadrants.png"));
    badCrc[32] ^= 1;   // the IHDR chunk's checksum
    // Every component uses quantization table 3, which the file never defines.
    Bytes noTable = ReadBytes(PicturePath("quadrants.jpg"));
    for (size_t i = 2; i + 10 < noTable.size(); ++i)
        if (noTable[i] == 0xFF && noTable[i + 1] == 0xC0) {
            for (unsigned c = 0; c < noTable[i + 9]; ++c) noTable[i + 12 + 3 * c] = 3;
            break;
        }
    // A frame header naming 65500 x 65500, the file cut short after it.
    Bytes hugeJpeg = Prefix("quadrants.jpg", 200);
    for (size_t i = 2; i + 8 < hugeJpeg.size(); ++i)
        if (hugeJpeg[i] == 0xFF && hugeJpeg[i + 1] == 0xC0) {
            hugeJpeg[i + 5] = hugeJpeg[i + 7] = 0xFF;
            hugeJpeg[i + 6] = hugeJpeg[i + 8] = 0xDC;
            break;
        }
    // A small frame header first: the largest one counts.
    Bytes smallFirst = hugeJpeg;
    smallFirst.insert(smallFirst.begin() + 2, {0xFF, 0xC0, 0, 11, 8, 0, 16, 0, 32, 1, 1, 0x11, 0});
    Bytes gif = ReadBytes(PicturePath("quadrants.gif"));
    gif[6] = gif[7] = gif[8] = gif[9] = 0xff;   // screen 65535 x 65535
    // The strip offsets entry copied over the entry after it: the tag twice.
    Bytes repeated = ReadBytes(PicturePath("quadrants.tif"));
    for (size_t e = (repeated[4] | repeated[5] << 8) + 2; e + 24 <= repeated.size(); e += 12)
        if ((repeated[e] | repeated[e + 1] << 8) == 273) {
            std::memcpy(&repeated[e + 12], &repeated[e], 12);
            break;
        }
    return {
        {"half.png", Prefix("quadrants.png", 60), 3},
        {"half.jpg", Prefix("quadrants.jpg", 200), 3},
        {"half.psd", Prefix("quadrants.psd", 2000), 3},
        {"no-end.gif", Prefix("quadrants.gif", 120), 3},
        {"half.tga", Prefix("quadrants.tga", 100), 3},
        {"bad-depth.png", badDepth, 3},
        {"huge.png", PngOfSize(20000, 20000), 4},
        {"wide.png", PngOfSize(16385, 16), 4},
        {"huge.gif", gif, 4},
        {"huge.jpg", hugeJpeg, 4},
        {"huge-second.jpg", smallFirst, 4},
        // 1 x 1; after the clear code comes 6, no colour: clear, 6, end.
        {"colourless-start.gif", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 9, 9, 9, 0x2C,
                                       0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x74, 0x01, 0, 0x3B}, 3},
        {"huge.ppm", Text("P6\n9000 9000\n255\n"), 4},
        {"at-budget.pgm", Text("P5\n16384 4096\n255\n\x01\x02"), 3},   // within budget, data missing
        {"text.png", Text("just some words, no picture at all"), 2},
        {"bad-crc.png", badCrc, 3},
        {"no-table.jpg", noTable, 3},
        {"half.tif", Prefix("quadrants.tif", 200), 3},
        {"repeated-strip.tif", repeated, 3},
        {"half.ico", Prefix("quadrants.ico", 1000), 3},
        {"over-maximum.pgm", Text("P2\n2 1\n15\n3 16\n"), 3},
        {"maximum-0.pgm", Text("P5\n1 1\n0\n\x05"), 3},
        {"maximum-65536.pgm", Text("P5\n1 1\n65536\n\x05\x05"), 3},
        {"few-samples.ppm", Text("P3\n2 2\n255\n1 2 3 4 5 6\n"), 3},
        {"huge.pbm", Text("P4\n70000 2\n"), 4},
        {"huge.tga", Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 24, 0}, 4},
    };
}

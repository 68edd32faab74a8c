// ifbrimsel.spi called through its exports, as any host calls it.
#include <gtest/gtest.h>
#include "guarded_bytes.h"
#include <cstring>
#include "spi_pictures.h"
#include "test_support.h"

namespace {
struct SpiExports {
    HMODULE module = LoadLibraryA((ProgramDirectory() + "spi\\ifbrimsel.spi").c_str());
    int(WINAPI* GetPluginInfo)(int, LPSTR, int) = nullptr;
    int(WINAPI* IsSupported)(LPCSTR, DWORD) = nullptr;
    int(WINAPI* GetPictureInfo)(LPCSTR, LONG, unsigned, void*) = nullptr;
    int(WINAPI* GetPicture)(LPCSTR, LONG, unsigned, HANDLE*, HANDLE*, FARPROC, LONG) = nullptr;
    template <typename T>
    void Bind(T& slot, const char* name) {
        slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        if (!slot) ADD_FAILURE() << "export missing: " << name;
    }
    SpiExports() {
        if (!module) { ADD_FAILURE() << "ifbrimsel.spi cannot be loaded"; return; }
        Bind(GetPluginInfo, "GetPluginInfo");
        Bind(IsSupported, "IsSupported");
        Bind(GetPictureInfo, "GetPictureInfo");
        Bind(GetPicture, "GetPicture");
    }
};
const SpiExports& Spi() {
    static SpiExports spi;
    return spi;
}

// What GetPicture returned, copied out of its blocks, which are then freed.
struct Decoded {
    int result = -99;
    BITMAPINFOHEADER header{};
    Bytes rows;
    COLORREF At(int x, int y) const {   // from the top left
        const size_t stride = (header.biWidth * 3 + 3) & ~3;
        const unsigned char* p = &rows[stride * (header.biHeight - 1 - y) + 3 * x];
        return RGB(p[2], p[1], p[0]);
    }
};
Decoded TakeBlocks(int result, HANDLE info, HANDLE bits) {
    Decoded d;
    d.result = result;
    if (result != 0) {
        EXPECT_TRUE(info == nullptr && bits == nullptr);
        return d;
    }
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LocalLock(info));
    const auto* rows = static_cast<const unsigned char*>(LocalLock(bits));
    EXPECT_TRUE(header && rows && header != info && rows != bits) << "blocks must be movable";
    d.header = *header;
    d.rows.assign(rows, rows + LocalSize(bits));
    LocalUnlock(info);
    LocalUnlock(bits);
    EXPECT_EQ(LocalFree(info), nullptr);
    EXPECT_EQ(LocalFree(bits), nullptr);
    return d;
}
Decoded DecodeFile(const std::string& path, LONG offset = 0) {
    HANDLE info = nullptr, bits = nullptr;
    const int r = Spi().GetPicture(path.c_str(), offset, 0, &info, &bits, nullptr, 0);
    return TakeBlocks(r, info, bits);
}
Decoded DecodeMemory(const unsigned char* data, size_t size, FARPROC progress = nullptr, LONG lData = 0) {
    HANDLE info = nullptr, bits = nullptr;
    const int r = Spi().GetPicture(reinterpret_cast<LPCSTR>(data), static_cast<LONG>(size), 1, &info, &bits,
                                   progress, lData);
    return TakeBlocks(r, info, bits);
}

void ExpectQuadrants(const Decoded& d, int tolerance) {
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.header.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(d.header.biWidth, 32);
    EXPECT_EQ(d.header.biHeight, 16);   // positive: bottom-up
    EXPECT_EQ(d.header.biBitCount, 24);
    EXPECT_EQ(d.header.biCompression, static_cast<DWORD>(BI_RGB));
    ASSERT_GE(d.rows.size(), 96u * 16);
    for (const Probe& p : kProbes)
        EXPECT_TRUE(Near(d.At(p.x, p.y), p.colour, tolerance)) << p.x << "," << p.y << ": " << std::hex << d.At(p.x, p.y);
}

}  // namespace

TEST(SpiInfo, TextsByNumberAndClamping) {
    const struct { int number; const char* text; } rows[] = {
        {0, "00IN"}, {2, "*.png"}, {3, "PNG picture"}, {4, "*.jpg;*.jpeg;*.jpe;*.jfif"}, {5, "JPEG picture"},
        {6, "*.gif"}, {7, "GIF picture (first frame)"}, {8, "*.tga"}, {9, "TGA picture"}, {10, "*.psd"},
        {11, "PSD picture (merged image)"}, {12, "*.pnm;*.ppm;*.pgm"}, {13, "PNM picture (binary PGM/PPM)"},
        {14, ""}, {-1, ""},
    };
    for (const auto& row : rows) {
        char buf[1024] = "unchanged";
        EXPECT_EQ(Spi().GetPluginInfo(row.number, buf, sizeof(buf)), static_cast<int>(std::strlen(row.text)));
        if (*row.text) {
            EXPECT_STREQ(buf, row.text) << row.number;
        }
    }
    char name[1024];
    EXPECT_GT(Spi().GetPluginInfo(1, name, sizeof(name)), 0);
    EXPECT_EQ(std::strncmp(name, "Brimsel", 7), 0);
    char small[8] = "xxxxxxx";
    EXPECT_EQ(Spi().GetPluginInfo(0, small, 3), 2);
    EXPECT_STREQ(small, "00");
    EXPECT_EQ(small[3], 'x');
    EXPECT_EQ(Spi().GetPluginInfo(0, small, 0), 0);
    EXPECT_EQ(small[0], '0');
}

TEST(SpiIsSupported, ByContentAndTgaByNameThroughHandleOrHead) {
    const Bytes tga = ReadBytes(PicturePath("quadrants.tga"));
    Bytes greyPsd = ReadBytes(PicturePath("quadrants.psd"));
    greyPsd[25] = 1;   // colour mode: grey, which the decoder cannot read
    const struct { std::string path; LONG position; bool supported; } rows[] = {
        {PicturePath("quadrants.png"), 0, true}, {PicturePath("quadrants.jpg"), 0, true},
        {PicturePath("quadrants.gif"), 0, true}, {PicturePath("quadrants.tga"), 0, true},
        {PicturePath("quadrants.psd"), 0, true}, {PicturePath("quadrants.ppm"), 0, true},
        {WriteTemp("QUADRANTS.TGA", tga), 0, true}, {WriteTemp("quadrants.bin", tga), 0, false},
        {PicturePath(kHeader128File), 0, false}, {PicturePath(kHeader128File), 128, true},
        {WriteTemp("words.txt", Bytes(3000, 'a')), 0, false}, {WriteTemp("grey.psd", greyPsd), 0, false},
    };
    for (const auto& row : rows) {
        HANDLE file = CreateFileA(row.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << row.path;
        SetFilePointer(file, row.position, nullptr, FILE_BEGIN);
        EXPECT_EQ(Spi().IsSupported(row.path.c_str(), reinterpret_cast<DWORD>(file)) != 0, row.supported) << row.path;
        EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), static_cast<DWORD>(row.position));
        CloseHandle(file);
        Bytes head = ReadBytes(row.path);
        head.erase(head.begin(), head.begin() + row.position);
        head.resize(2048);
        EXPECT_EQ(Spi().IsSupported(row.path.c_str(), reinterpret_cast<DWORD>(head.data())) != 0, row.supported);
    }
}

TEST(SpiGetPictureInfo, SizeAndDepthInThePackedRecord) {
    for (const GoodPicture& picture : kGoodPictures) {
        unsigned char record[32];
        std::memset(record, 0xcc, sizeof(record));
        ASSERT_EQ(Spi().GetPictureInfo(PicturePath(picture.file).c_str(), 0, 0, record), 0) << picture.file;
        const int32_t expected[4] = {0, 0, 32, 16};   // left, top, width, height
        EXPECT_EQ(std::memcmp(record, expected, 16), 0);
        EXPECT_EQ(record[20] | record[21] << 8, 24);          // colorDepth
        EXPECT_EQ(std::memcmp(record + 22, "\0\0\0\0", 4), 0);   // hInfo
        EXPECT_EQ(record[26], 0xcc) << "26 bytes, no more";
    }
    for (const BrokenPicture& broken : BrokenPictures()) {
        char record[26];
        const int result = Spi().GetPictureInfo(reinterpret_cast<LPCSTR>(broken.bytes.data()),
                                                static_cast<LONG>(broken.bytes.size()), 1, record);
        // Cut pixel data shows only when decoding.
        if (result != 0) {
            EXPECT_EQ(result, broken.result) << broken.name;
        }
    }
}

TEST(SpiGetPicture, EveryFormatFromFileAndMemory) {
    for (const GoodPicture& picture : kGoodPictures) {
        SCOPED_TRACE(picture.file);
        ExpectQuadrants(DecodeFile(PicturePath(picture.file)), picture.tolerance);
        const Bytes bytes = ReadBytes(PicturePath(picture.file));
        ExpectQuadrants(DecodeMemory(bytes.data(), bytes.size()), picture.tolerance);
    }
    ExpectQuadrants(DecodeFile(PicturePath(kHeader128File), 128), 0);
    const Bytes header128 = ReadBytes(PicturePath(kHeader128File));
    ExpectQuadrants(DecodeMemory(header128.data() + 128, header128.size() - 128), 0);
    EXPECT_EQ(DecodeFile(PicturePath(kHeader128File), 0).result, 2);
}

namespace {
struct ProgressLog {
    int calls = 0, lastNum = -1, lastDenom = -1, cancelAt = -1;
};
int WINAPI RecordProgress(int num, int denom, LONG data) {
    auto* log = reinterpret_cast<ProgressLog*>(data);
    ++log->calls;
    log->lastNum = num;
    log->lastDenom = denom;
    return log->calls == log->cancelAt;
}
}  // namespace

TEST(SpiGetPicture, ProgressReachesTheEndAndCancels) {
    const Bytes png = ReadBytes(PicturePath("quadrants.png"));
    const auto progress = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordProgress));
    for (int cancelAt : {-1, 1, 2}) {
        ProgressLog log;
        log.cancelAt = cancelAt;
        const Decoded d = DecodeMemory(png.data(), png.size(), progress, reinterpret_cast<LONG>(&log));
        EXPECT_EQ(d.result, cancelAt < 0 ? 0 : 1);
        EXPECT_EQ(log.calls, cancelAt < 0 ? 2 : cancelAt);
        if (cancelAt < 0) {
            EXPECT_TRUE(log.lastNum == 16 && log.lastDenom == 16);
        }
    }
}

TEST(SpiGetPicture, BrokenPicturesAndBadArgumentsGiveErrorCodes) {
    for (const BrokenPicture& broken : BrokenPictures()) {
        EXPECT_EQ(DecodeFile(WriteTemp(broken.name, broken.bytes)).result, broken.result) << broken.name;
        const GuardedBytes guarded(broken.bytes);
        EXPECT_EQ(DecodeMemory(guarded.data(), broken.bytes.size()).result, broken.result) << broken.name;
    }
    EXPECT_EQ(DecodeFile(TempDirectory() + "missing.png").result, 6);
    EXPECT_EQ(DecodeFile(PicturePath("quadrants.png"), 4096).result, 2);   // offset past the end
    HANDLE info = nullptr, bits = nullptr;
    EXPECT_EQ(Spi().GetPicture(PicturePath("quadrants.png").c_str(), 0, 2, &info, &bits, nullptr, 0), -1);
    EXPECT_EQ(Spi().GetPicture(PicturePath("quadrants.png").c_str(), 0, 0, nullptr, &bits, nullptr, 0), 8);
}

// Every cut of every picture fails (GIF may lose its trailer byte, which the
// first frame does not need) without reading past the cut; every single
// damaged byte ends in a result, never a fault.
TEST(SpiGetPicture, EveryCutAndEveryDamagedByteIsSurvived) {
    for (const GoodPicture& picture : kGoodPictures) {
        const Bytes bytes = ReadBytes(PicturePath(picture.file));
        const size_t needed = std::strcmp(picture.file, "quadrants.gif") == 0 ? bytes.size() - 1 : bytes.size();
        for (size_t cut = 0; cut < needed; ++cut) {
            const GuardedBytes guarded(Bytes(bytes.begin(), bytes.begin() + cut));
            EXPECT_NE(DecodeMemory(guarded.data(), cut).result, 0) << picture.file << " cut at " << cut;
        }
        for (size_t at = 0; at < bytes.size(); ++at) {
            Bytes damaged = bytes;
            damaged[at] ^= 0x5a;
            const GuardedBytes guarded(damaged);
            const Decoded d = DecodeMemory(guarded.data(), damaged.size());
            if (d.result == 0) {
                EXPECT_LE(static_cast<int64_t>(d.header.biWidth) * d.header.biHeight, 64 << 20);
            }
        }
    }
}

TEST(SpiModule, ImportsOnlySystemLibraries) {
    const auto* base = reinterpret_cast<const unsigned char*>(Spi().module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + rva); d->Name; ++d) {
        const char* name = reinterpret_cast<const char*>(base + d->Name);
        EXPECT_TRUE(lstrcmpiA(name, "kernel32.dll") == 0 || lstrcmpiA(name, "msvcrt.dll") == 0) << name;
    }
}

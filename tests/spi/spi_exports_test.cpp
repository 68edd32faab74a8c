// ifbrimsel.spi called through its exports, as any host calls it.
#include <gtest/gtest.h>
#include "guarded_bytes.h"
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include "scoped_state.h"
#include "spi_pictures.h"
#include "test_support.h"

namespace {
void ExpectQuadrants(const Decoded& d, int tolerance, bool alpha) {
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.header.bV5Width, 32);
    EXPECT_EQ(d.header.bV5Height, 16);   // positive: bottom-up
    EXPECT_EQ(d.header.bV5Planes, 1);
    if (alpha) {
        EXPECT_EQ(d.header.bV5Size, sizeof(BITMAPV5HEADER));
        EXPECT_EQ(d.headerBlock, sizeof(BITMAPV5HEADER));
        EXPECT_EQ(d.header.bV5BitCount, 32);
        EXPECT_EQ(d.header.bV5Compression, static_cast<DWORD>(BI_BITFIELDS));
        EXPECT_EQ(d.header.bV5RedMask, 0x00FF0000u);
        EXPECT_EQ(d.header.bV5GreenMask, 0x0000FF00u);
        EXPECT_EQ(d.header.bV5BlueMask, 0x000000FFu);
        EXPECT_EQ(d.header.bV5AlphaMask, 0xFF000000u);
        // Straight alpha; fully transparent pixels are white in their colour bytes.
        EXPECT_EQ(d.Raw(19, 10), 0x00FFFFFFu);
        EXPECT_EQ(d.Raw(4, 2) >> 24, 255u);
    } else {
        EXPECT_EQ(d.header.bV5Size, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(d.header.bV5BitCount, 24);
        EXPECT_EQ(d.header.bV5Compression, static_cast<DWORD>(BI_RGB));
    }
    EXPECT_EQ(d.header.bV5SizeImage, alpha ? 32u * 4 * 16 : 96u * 16);
    for (const Probe& p : kProbes)
        EXPECT_TRUE(Near(d.At(p.x, p.y), p.colour, tolerance)) << p.x << "," << p.y << ": " << std::hex << d.At(p.x, p.y);
}

// The plug-in's format rows as pattern and description.
std::vector<std::pair<std::string, std::string>> FormatRows(const SpiExports& spi = Spi()) {
    std::vector<std::pair<std::string, std::string>> rows;
    char pattern[1024], description[1024];
    for (int n = 2; spi.GetPluginInfo(n, pattern, sizeof(pattern)) > 0; n += 2) {
        EXPECT_GT(spi.GetPluginInfo(n + 1, description, sizeof(description)), 0) << n + 1;
        rows.emplace_back(pattern, description);
    }
    return rows;
}

// quadrants.psd (8 bits, 32 pixels a row) with its merged image PackBits
// packed: each row a no-op packet, then runs, but bytes 12 to 29, across the
// quadrants' edges, as one literal packet.
Bytes PackedPsd() {
    const Bytes raw = ReadBytes(PicturePath("quadrants.psd"));
    size_t at = 26;
    for (int section = 0; section < 3; ++section)
        at += 4 + (raw[at] << 24 | raw[at + 1] << 16 | raw[at + 2] << 8 | raw[at + 3]);
    Bytes packed(raw.begin(), raw.begin() + at), counts, rows;
    packed.insert(packed.end(), {0, 1});   // compression 1: PackBits
    for (size_t from = at + 2; from + 32 <= raw.size(); from += 32) {
        const unsigned char* row = &raw[from];
        const size_t start = rows.size();
        rows.push_back(0x80);
        for (size_t x = 0, run = 0; x < 32; x += run) {
            if (x == 12) {
                run = 18;
                rows.push_back(static_cast<unsigned char>(run - 1));
                rows.insert(rows.end(), row + x, row + x + run);
                continue;
            }
            for (run = 1; x + run < 32 && x + run != 12 && row[x + run] == row[x];) ++run;
            rows.insert(rows.end(), {static_cast<unsigned char>(1 - run), row[x]});
        }
        const size_t count = rows.size() - start;
        counts.insert(counts.end(), {static_cast<unsigned char>(count >> 8), static_cast<unsigned char>(count)});
    }
    packed.insert(packed.end(), counts.begin(), counts.end());
    packed.insert(packed.end(), rows.begin(), rows.end());
    return packed;
}
}  // namespace

// The system's decoders first (under Wine: PNG, JPEG, GIF, TIFF, ICO and
// some more), our own readers last; no bitmaps (the host reads those), TGA
// only from our own reader.
TEST(SpiInfo, FormatRowsAndClamping) {
    const auto rows = FormatRows();
    const std::pair<std::string, std::string> first[] = {
        {"*.png", "PNG picture"}, {"*.jpg;*.jpeg;*.jpe;*.jfif", "JPEG picture"}, {"*.gif", "GIF picture (first frame)"},
        {"*.tif;*.tiff", "TIFF picture (first page)"}, {"*.ico", "Icon (first picture)"}};
    const std::pair<std::string, std::string> last[] = {
        {"*.tga", "TGA picture"}, {"*.psd", "PSD picture (merged image)"},
        {"*.pnm;*.pbm;*.pgm;*.ppm", "PNM picture (PBM/PGM/PPM)"}};
    ASSERT_GE(rows.size(), 8u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(rows[i], first[i]) << i;
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(rows[rows.size() - 3 + i], last[i]) << i;
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].first.find("bmp"), std::string::npos) << rows[i].first;
        if (i + 3 != rows.size()) {
            EXPECT_EQ(rows[i].first.find("tga"), std::string::npos) << rows[i].first;
        }
        EXPECT_EQ(rows[i].first.compare(0, 2, "*."), 0) << rows[i].first;
    }
    char buf[1024] = "unchanged";
    EXPECT_EQ(Spi().GetPluginInfo(0, buf, sizeof(buf)), 4);
    EXPECT_STREQ(buf, "00IN");
    EXPECT_EQ(Spi().GetPluginInfo(2 + 2 * static_cast<int>(rows.size()), buf, sizeof(buf)), 0);
    EXPECT_EQ(Spi().GetPluginInfo(-1, buf, sizeof(buf)), 0);
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

// A format is claimed exactly when the system has its decoder: Wine has none
// for WebP or HEIF, and one for DDS, which only the system's list knows.
TEST(SpiInfo, FormatsWithoutADecoderAreNotClaimed) {
    const auto rows = FormatRows();
    auto listed = [&](const char* extension) {
        for (const auto& row : rows)
            if (row.first.find(extension) != std::string::npos) return true;
        return false;
    };
    Bytes webp = Text("RIFF\x24\x01\x01\x01WEBPVP8 ");
    Bytes heif = Text("\x01\x01\x01\x18" "ftypheic\x01\x01\x01\x01mif1heic");
    heif[0] = heif[1] = heif[2] = 0;
    const struct { const char* extension; Bytes head; } formats[] = {
        {"webp", webp}, {"heic", heif}, {"dds", Text("DDS \x7c")}};
    for (const auto& format : formats) {
        Bytes head = format.head;
        head.resize(2048);
        const bool supported = Spi().IsSupported("picture.bin", reinterpret_cast<DWORD>(head.data())) != 0;
        EXPECT_EQ(supported, listed(format.extension)) << format.extension;
        if (!supported) {
            EXPECT_EQ(DecodeMemory(format.head.data(), format.head.size()).result, 2) << format.extension;
        }
    }
}

// Decoders registered first, with the patterns a system may give: one we do
// not know, whose row is listed, where a signature of the longest length
// counts and an empty one or a ninth does not; and one for HEIF, with no
// patterns, which our own signatures find.
TEST(SpiInfo, RegisteredDecodersRowsAndSignatures) {
    const std::string ids[] = {"{00000000-0000-0000-0000-0000000000B5}", "{00000000-0000-0000-0000-0000000000B6}"};
    const char* containers[] = {"{00000000-0000-0000-0000-0000000000C5}", "{E1E62521-6787-405B-A339-500715B5763F}"};
    const char* extensions[] = {".brm", ".heic,.heif"};
    std::vector<ScopedState> registered;
    auto set = [](const std::string& at, const char* name, DWORD type, const std::string& bytes) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, at.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr), 0);
        RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
        RegCloseKey(k);
    };
    for (int d = 0; d < 2; ++d) {
        const std::string listed = "CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance\\" + ids[d];
        registered.push_back(ScopedState::ClassesKey("CLSID\\" + ids[d]));
        registered.push_back(ScopedState::ClassesKey(listed));
        set(listed, "CLSID", REG_SZ, ids[d] + '\0');
        set("CLSID\\" + ids[d], "ContainerFormat", REG_SZ, std::string(containers[d]) + '\0');
        set("CLSID\\" + ids[d], "FileExtensions", REG_SZ, std::string(extensions[d]) + '\0');
    }
    for (int p = 0; p <= 9; ++p) {   // 0 empty, 1 of 32 bytes, then eight of four
        const std::string bytes = p == 1 ? std::string(32, 'B') : "BRM" + std::to_string(p);
        const DWORD length = p == 0 ? 0 : bytes.size();
        const std::string at = "CLSID\\" + ids[0] + "\\Patterns\\" + std::to_string(p);
        set(at, "Position", REG_BINARY, std::string(8, '\0'));
        set(at, "Length", REG_DWORD, std::string(reinterpret_cast<const char*>(&length), 4));
        set(at, "Pattern", REG_BINARY, bytes);
    }
    const std::string copy = TempDirectory() + "ifbrimsel-decoders.spi";
    ASSERT_TRUE(CopyFileA((ProgramDirectory() + "spi\\ifbrimsel.spi").c_str(), copy.c_str(), FALSE));
    SpiExports spi(copy);   // a fresh load, which finds them
    const auto rows = FormatRows(spi);
    using Row = std::pair<std::string, std::string>;
    for (const Row& row : {Row("*.heic;*.heif", "HEIF picture"), Row("*.brm", "*.brm")})
        EXPECT_NE(std::find(rows.begin(), rows.end(), row), rows.end()) << row.first;
    const struct { std::string head; bool supported; } heads[] = {
        {std::string(32, 'B'), true}, {"BRM8", true}, {"BRM9", false}, {"words", false},
        {std::string("\0\0\0\x18" "ftypmif1\x01\0\0\0", 16), true}};
    for (const auto& row : heads) {
        Bytes head(2048, 'a');
        std::copy(row.head.begin(), row.head.end(), head.begin());
        EXPECT_EQ(spi.IsSupported("picture.bin", reinterpret_cast<DWORD>(head.data())) != 0, row.supported) << row.head;
    }
    spi.Free();
}

TEST(SpiIsSupported, ByContentAndTgaByNameThroughHandleOrHead) {
    const Bytes tga = ReadBytes(PicturePath("quadrants.tga"));
    Bytes cmykPsd = ReadBytes(PicturePath("quadrants.psd"));
    cmykPsd[25] = 4;   // colour mode: CMYK, which the decoder cannot read
    const struct { std::string path; LONG position; bool supported; } rows[] = {
        {PicturePath("quadrants.png"), 0, true}, {PicturePath("quadrants.jpg"), 0, true},
        {PicturePath("quadrants.gif"), 0, true}, {PicturePath("quadrants.tga"), 0, true},
        {PicturePath("quadrants.psd"), 0, true}, {PicturePath("quadrants.ppm"), 0, true},
        {PicturePath("quadrants.tif"), 0, true}, {PicturePath("quadrants.ico"), 0, true},
        {WriteTemp("text.pbm", Text("P1\n1 1\n1\n")), 0, true}, {WriteTemp("plain.pgm", Text("P2 1 1 3 3\n")), 0, true},
        {WriteTemp("plain.pam", Text("P7\nWIDTH 1\n")), 0, false},
        {WriteTemp("QUADRANTS.TGA", tga), 0, true}, {WriteTemp("quadrants.bin", tga), 0, false},
        {PicturePath(kHeader128File), 0, false}, {PicturePath(kHeader128File), 128, true},
        {WriteTemp("old.gif", Text("GIF87a\x01")), 0, true}, {WriteTemp("picture.dds", Text("DDS \x7c")), 0, true},
        {WriteTemp("words.txt", Bytes(3000, 'a')), 0, false}, {WriteTemp("cmyk.psd", cmykPsd), 0, false},
        {WriteTemp("mm.tif", Text({"MM*\0\0\0\0\x08", 8})), 0, false},   // TIFF's two heads crossed
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
        EXPECT_EQ(record[20] | record[21] << 8, picture.alpha ? 32 : 24);   // colorDepth
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
        ExpectQuadrants(DecodeFile(PicturePath(picture.file)), picture.tolerance, picture.alpha);
        const Bytes bytes = ReadBytes(PicturePath(picture.file));
        ExpectQuadrants(DecodeMemory(bytes.data(), bytes.size()), picture.tolerance, picture.alpha);
    }
    ExpectQuadrants(DecodeFile(PicturePath(kHeader128File), 128), 0, true);
    const Bytes header128 = ReadBytes(PicturePath(kHeader128File));
    ExpectQuadrants(DecodeMemory(header128.data() + 128, header128.size() - 128), 0, true);
    const Bytes packed = PackedPsd();
    ExpectQuadrants(DecodeMemory(packed.data(), packed.size()), 2, true);
    // Black at alpha 128 keeps its colour bytes (straight alpha).
    const Bytes png = ReadBytes(PicturePath("quadrants.png"));
    EXPECT_EQ(DecodeMemory(png.data(), png.size()).Raw(29, 14), 0x80000000u);
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
                EXPECT_LE(static_cast<int64_t>(d.header.bV5Width) * d.header.bV5Height, 64 << 20);
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
        EXPECT_TRUE(lstrcmpiA(name, "kernel32.dll") == 0 || lstrcmpiA(name, "msvcrt.dll") == 0 ||
                    lstrcmpiA(name, "ole32.dll") == 0 || lstrcmpiA(name, "advapi32.dll") == 0)
            << name;
    }
}

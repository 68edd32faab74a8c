// Render mode end to end: scenes written here, chiphost.exe run as a child,
// the PNG it wrote read back and checked by pixels.
#include <gtest/gtest.h>
#include <cstdio>
#include <memory>
#include "chiphost_process.h"
#include "picture_support.h"
#include "test_support.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace {
constexpr COLORREF kRed = RGB(220, 0, 0);
constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kWarning = RGB(127, 0, 0);

// A 20 x 10 picture: red left half, green right half.
std::string HalvesPicture() {
    const std::string path = TempDirectory() + "halves.bmp";
    WriteBmpFile(path, 20, 10, [](int x, int, void*) { return x < 10 ? kRed : kGreen; });
    return path;
}

struct Sheet {
    int width = 0, height = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> rgb{nullptr, stbi_image_free};
    bool Load(const std::string& path) {
        int channels = 0;
        rgb.reset(stbi_load(path.c_str(), &width, &height, &channels, 3));
        return rgb != nullptr;
    }
    COLORREF At(int x, int y) const {
        const unsigned char* p = rgb.get() + (static_cast<size_t>(y) * width + x) * 3;
        return RGB(p[0], p[1], p[2]);
    }
};

struct ChipSpot {
    int x = 0, y = 0, width = 0, height = 0;
};

// Where chiphost reported each chip on the sheet.
std::vector<ChipSpot> ChipSpots(const std::string& output) {
    std::vector<ChipSpot> spots;
    size_t pos = 0;
    while ((pos = output.find("chip ", pos)) != std::string::npos) {
        ChipSpot s;
        unsigned n = 0;
        int line = 0;
        if (std::sscanf(output.c_str() + pos, "chip %u (line %d) at %d,%d size %dx%d", &n, &line, &s.x, &s.y,
                        &s.width, &s.height) == 6)
            spots.push_back(s);
        pos += 5;
    }
    return spots;
}

std::string ChipSection(const std::string& placement, const std::string& picture) {
    return "[chip]\ncaption = " + placement + "\ntext =\nsize = 60x40\nback_colour = #ffffff\npicture = " + picture +
           "\nplacement = " + placement + "\n";
}

class RenderModeTest : public ::testing::Test {
protected:
    // Renders scene text; the sheet and the chip spots are kept.
    void Render(const std::string& scene) {
        const std::string scenePath = TempDirectory() + "scene.ini";
        png_ = TempDirectory() + "sheet.png";
        DeleteFileA(png_.c_str());
        WriteTextFile(scenePath, scene);
        ChiphostRun run = RunChiphost("render \"" + scenePath + "\" \"" + png_ + "\"");
        ASSERT_FALSE(run.timedOut);
        ASSERT_EQ(run.exitCode, 0u) << run.output;
        spots_ = ChipSpots(run.output);
        ASSERT_TRUE(sheet_.Load(png_)) << png_;
    }
    COLORREF ChipPixel(size_t chip, int x, int y) const {
        return sheet_.At(spots_[chip].x + x, spots_[chip].y + y);
    }
    std::string png_;
    std::vector<ChipSpot> spots_;
    Sheet sheet_;
};

TEST_F(RenderModeTest, EveryPlacementLandsWhereItBelongs) {
    const std::string picture = HalvesPicture();
    std::string scene = "[sheet]\nwidth = 400\n";
    for (const char* p : {"top-left", "top-right", "bottom-left", "bottom-right", "tile", "stretch", "fit"})
        scene += ChipSection(p, picture);
    scene += ChipSection("top-left", TempDirectory() + "no-such-picture.bmp");
    ASSERT_NO_FATAL_FAILURE(Render(scene));
    ASSERT_EQ(spots_.size(), 8u);
    for (const ChipSpot& s : spots_) {
        EXPECT_EQ(s.width, 60);
        EXPECT_EQ(s.height, 40);
    }
    struct Probe {
        int x, y;
        COLORREF expected;
    };
    const std::vector<std::vector<Probe>> probes = {
        {{2, 2, kRed}, {17, 7, kGreen}, {30, 20, kWhite}, {59, 39, kWhite}},       // top left
        {{42, 2, kRed}, {57, 7, kGreen}, {2, 2, kWhite}, {30, 30, kWhite}},        // top right
        {{2, 37, kRed}, {17, 32, kGreen}, {2, 2, kWhite}, {59, 2, kWhite}},        // bottom left
        {{42, 37, kRed}, {57, 32, kGreen}, {2, 2, kWhite}, {30, 20, kWhite}},      // bottom right
        {{2, 2, kRed}, {22, 12, kRed}, {15, 35, kGreen}, {55, 35, kGreen}},        // tile
        {{5, 20, kRed}, {55, 38, kGreen}, {25, 1, kRed}, {35, 1, kGreen}},         // stretch
        {{5, 5, kRed}, {55, 25, kGreen}, {30, 35, kWhite}, {2, 38, kWhite}},       // fit: 60 x 30
    };
    for (size_t chip = 0; chip < probes.size(); ++chip)
        for (const Probe& p : probes[chip])
            EXPECT_EQ(ChipPixel(chip, p.x, p.y), p.expected) << "chip " << chip << " at " << p.x << "," << p.y;

    // The missing picture: the red warning pattern with its dark text, nothing else.
    int warning = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const COLORREF c = ChipPixel(7, x, y);
            warning += c == kWarning;
            EXPECT_NE(c, kWhite) << x << "," << y;
        }
    EXPECT_GT(warning, 60 * 40 / 3);
}

TEST_F(RenderModeTest, MenuCommandsDefaultSizesAndCaptions) {
    const std::string picture = HalvesPicture();
    ASSERT_NO_FATAL_FAILURE(Render(
        // Second layout, then its second item: stretched to the chip.
        "[chip]\ncaption = stretched by the menu\ntext =\nsize = 60x40\npicture = " + picture +
        "\nplacement = top-left\nmenu = 10004, 10001\n"
        // By-picture sizing: the picture's size is the whole window, border included.
        "[chip]\ncaption = sized by the picture\ntext =\nsize = default\nsizing = picture\npicture = " + picture +
        "\n"
        // By-text sizing of a plain chip grows with its text.
        "[chip]\ncaption = one line\ntext = Wide\nsize = default\nfont = IPAGothic, 14\n"
        // ...also over a stretched picture, which follows the window to its new size.
        "[chip]\ncaption = three lines\ntext = Wide\\nWide\\nWide\nsize = default\nfont = IPAGothic, 14\n"
        "sizing = text\nplacement = stretch\npicture = " + picture + "\n"));
    ASSERT_EQ(spots_.size(), 4u);
    EXPECT_EQ(ChipPixel(0, 5, 35), kRed);
    EXPECT_EQ(ChipPixel(0, 55, 35), kGreen);

    EXPECT_EQ(spots_[1].width, 20 - 2 * GetSystemMetrics(SM_CXBORDER));
    EXPECT_EQ(spots_[1].height, 10 - 2 * GetSystemMetrics(SM_CYBORDER));

    EXPECT_EQ(spots_[2].width, spots_[3].width);
    EXPECT_GT(spots_[3].height, spots_[2].height * 2);
    const ChipSpot& stretched = spots_[3];
    EXPECT_EQ(ChipPixel(3, stretched.width - 2, stretched.height - 2), kGreen);
    EXPECT_EQ(ChipPixel(3, 1, stretched.height - 2), kRed);

    // Each caption puts dark pixels on the sheet under its chip.
    const COLORREF background = sheet_.At(1, 1);
    for (size_t chip = 0; chip < spots_.size(); ++chip) {
        int inked = 0;
        const ChipSpot& s = spots_[chip];
        for (int y = s.y + s.height + 4; y < s.y + s.height + 24 && y < sheet_.height; ++y)
            for (int x = s.x - 40; x < s.x + s.width + 40; ++x)
                if (x >= 0 && x < sheet_.width) inked += sheet_.At(x, y) != background;
        EXPECT_GT(inked, 10) << "caption of chip " << chip;
    }
}

// A Western field font borrows the Japanese glyphs it lacks from the font
// linked to it: the date's last glyph, 日, inks the columns IPAPGothic inks.
TEST_F(RenderModeTest, WesternFieldFontsBorrowJapaneseGlyphs) {
    const std::string chip = "[chip]\ntext = <date>\nsize = 220x40\ndate_format = 2\ndate_font = ";
    ASSERT_NO_FATAL_FAILURE(Render(chip + "DejaVu Sans, 20, charset=0\n" + chip + "IPAPGothic, 20\n"));
    std::vector<int> glyph[2];  // inked pixels of each column, from the right up to the first gap
    for (size_t c = 0; c < 2 && c < spots_.size(); ++c)
        for (int x = spots_[c].width - 1; x >= 0; --x) {
            int ink = 0;
            for (int y = 0; y < spots_[c].height; ++y) ink += ChipPixel(c, x, y) != kWhite;
            if (ink) glyph[c].push_back(ink);
            else if (!glyph[c].empty()) break;
        }
    EXPECT_GT(glyph[1].size(), 8u);
    EXPECT_EQ(glyph[0], glyph[1]);
}

struct BadScene {
    const char* what;
    const char* text;
    const char* expected;   // part of the message
};

const BadScene kBadScenes[] = {
    {"unknown key", "[chip]\ntext = a\ncolour = #000000\n", "scene.ini:3: unknown key \"colour\""},
    {"bad colour", "[chip]\ntext = a\nback_colour = red\n", "scene.ini:3: back_colour: \"red\" is not a colour"},
    {"placement out of range", "[chip]\ntext = a\nplacement = 7\n", "scene.ini:3: placement:"},
    {"format out of range", "[chip]\ntext = a\n\ntime_format = 8\n", "scene.ini:4: time_format:"},
    {"not code page 932", "[chip]\ntext = \xF0\x9F\x98\x80\n", "scene.ini:2: text: text is not UTF-8"},
    {"no text", "[sheet]\n[chip]\ncaption = x\n", "scene.ini:2: [chip] needs a text"},
    {"line without a value", "[chip]\ntext = a\njust words\n", "scene.ini:3: expected \"key = value\""},
    {"key before a section", "text = a\n[chip]\ntext = b\n", "scene.ini:1: \"text\" comes before any [section]"},
    {"unknown section", "[chips]\ntext = a\n", "scene.ini:1: unknown section [chips]"},
    {"bad size", "[chip]\ntext = a\nsize = 10 by 10\n", "scene.ini:3: size:"},
    {"bad menu command", "[chip]\ntext = a\nmenu = 10004, 42\n", "scene.ini:3: menu: \"42\""},
    {"bad escape", "[chip]\ntext = a\\qb\n", "scene.ini:2: text: unknown escape"},
    {"no chips", "[sheet]\nwidth = 500\n", "the scene has no [chip] section"},
};

TEST(RenderModeErrors, BadScenesAreNamedByFileAndLine) {
    const std::string scenePath = TempDirectory() + "scene.ini";
    const std::string png = TempDirectory() + "never.png";
    for (const BadScene& bad : kBadScenes) {
        WriteTextFile(scenePath, bad.text);
        ChiphostRun run = RunChiphost("render \"" + scenePath + "\" \"" + png + "\"");
        EXPECT_EQ(run.exitCode, 2u) << bad.what << "\n" << run.output;
        EXPECT_NE(run.output.find(bad.expected), std::string::npos) << bad.what << "\n" << run.output;
        EXPECT_FALSE(FileExists(png)) << bad.what;
    }
}

TEST(RenderModeErrors, EveryProblemOfAFileIsListedOnceInLineOrder) {
    const std::string scenePath = TempDirectory() + "scene.ini";
    // The doubled key is found while the file is split, before any value is read.
    WriteTextFile(scenePath, "[chip]\ntext = a\nback_colour = red\n[chip]\ntext = b\nalign = up\ntext = c\n");
    ChiphostRun run = RunChiphost("render \"" + scenePath + "\" \"" + TempDirectory() + "never.png\"");
    EXPECT_EQ(run.exitCode, 2u);
    size_t last = 0;
    for (const char* line : {"scene.ini:3:", "scene.ini:6:", "scene.ini:7:"}) {
        const size_t at = run.output.find(line);
        ASSERT_NE(at, std::string::npos) << line << "\n" << run.output;
        EXPECT_GT(at, last) << line << "\n" << run.output;
        EXPECT_EQ(run.output.find(line, at + 1), std::string::npos) << "once: " << line << "\n" << run.output;
        last = at;
    }
}

// A picture that cannot be shown is named with its chip and the reason, as far
// as the host can tell; the sheet is written all the same, and --strict says so
// in the exit code.
TEST(RenderModeErrors, PicturesThatCannotBeShownAreNamedWithTheReason) {
    ScopedSusieFolder noFolder(nullptr);   // chiphost's own plug-in folder, whatever a killed run left
    const std::string folder = TempDirectory();
    WriteTextFile(folder + "words.png", "these are words, not a picture\n");
    WriteTextFile(folder + "words.bmp", "these are words, not a bitmap\n");
    // A PNG cut off after its header chunk: a plug-in claims it, then cannot read it.
    WriteTextFile(folder + "cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x10\0\0\0\x10\x08\x02\0\0\0", 29));
    // A 16 x 16 bitmap cut off after its headers: judged as the library judges it.
    std::string cutBitmap(54, '\0');
    cutBitmap[0] = 'B', cutBitmap[1] = 'M', cutBitmap[10] = 54, cutBitmap[14] = 40;
    cutBitmap[18] = 16, cutBitmap[22] = 16, cutBitmap[26] = 1, cutBitmap[28] = 24;
    WriteTextFile(folder + "cut.bmp", cutBitmap);
    const struct {
        const char* picture;
        const char* reason;
    } pictures[] = {
        {"typo-pictrue.png", "the file does not exist"},
        {"words.png", "no plug-in claims it"},
        {"cut.png", "the plug-in ifbrimsel.spi claims it but refused to read it (result"},
        {"words.bmp", "its bitmap headers do not fit the file"},
        {"cut.bmp", "its bitmap headers do not fit the file"},
    };
    std::string scene = "[chip]\ntext = fine\n";
    for (const auto& p : pictures) scene += std::string("[chip]\ntext = x\npicture = ") + p.picture + "\n";
    const std::string scenePath = folder + "unshown.ini", png = folder + "unshown.png";
    WriteTextFile(scenePath, scene);
    for (const bool strict : {false, true}) {
        DeleteFileA(png.c_str());
        ChiphostRun run = RunChiphost(std::string(strict ? "--strict " : "") + "render \"" + scenePath + "\" \"" + png + "\"");
        EXPECT_EQ(run.exitCode, strict ? 5u : 0u) << run.output;
        EXPECT_TRUE(FileExists(png));
        for (size_t i = 0; i < std::size(pictures); ++i) {
            const std::string chip = "chip " + std::to_string(i + 2) + " (line " + std::to_string(3 + 3 * i) + "): the picture ";
            const size_t at = run.output.find(chip);
            ASSERT_NE(at, std::string::npos) << chip << "\n" << run.output;
            const std::string line = run.output.substr(at, run.output.find('\n', at) - at);
            EXPECT_NE(line.find(folder + pictures[i].picture), std::string::npos) << line;
            EXPECT_NE(line.find(pictures[i].reason), std::string::npos) << line;
        }
        EXPECT_EQ(run.output.find("chip 1 (line 1): the picture"), std::string::npos) << run.output;
    }
    // One such picture is enough for --strict, also on a chip of one pixel; none is not.
    for (const char* unshown : {"[chip]\ntext = x\npicture = words.png\n",
                                "[chip]\ntext =\nsize = 1x1\npicture = words.png\n", ""}) {
        WriteTextFile(scenePath, std::string("[chip]\ntext = fine\n") + unshown);
        const ChiphostRun run = RunChiphost("--strict render \"" + scenePath + "\" \"" + png + "\"");
        EXPECT_EQ(run.exitCode, *unshown ? 5u : 0u) << unshown << run.output;
    }
}

// Plug-ins that fail or fault when the host asks them itself cost only the
// answer, not the host.
TEST(RenderModeErrors, MisbehavingPluginsAreNamedAndSurvived) {
    ScopedSusieFolder noFolder(nullptr);   // else it, not --plugins, names the folder
    const std::string folder = NewFolder("host-plugins");
    InstallPlugin(folder, "basic");
    const struct {
        const char* picture;
        uint8_t flags;
        const char* reason;
    } pictures[] = {
        {"fails.brm", test_picture::kFail, "claims it but refused to read it (result 3: broken data)"},
        {"faults-asked.brm", test_picture::kFaultSupported, "faulted while asked about it"},
        {"faults-read.brm", test_picture::kFaultPicture, "claims it but faulted while reading it"},
        {"reads.brm", 0, nullptr},
    };
    std::string scene;
    for (const auto& p : pictures) {
        TestPicture picture;
        picture.flags = p.flags;
        WriteTestPicture(folder + p.picture, picture);
        scene += "[chip]\ntext = x\npicture = " + folder + p.picture + "\n";
    }
    WriteTextFile(folder + "scene.ini", scene);
    ChiphostRun run = RunChiphost("--plugins \"" + folder + "\" render \"" + folder + "scene.ini\" \"" + folder +
                                  "sheet.png\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(run.output.find("chip 4 (line 10): the picture"), std::string::npos) << run.output;
    for (size_t i = 0; i < 3; ++i) {
        const size_t at = run.output.find("chip " + std::to_string(i + 1) + " (line " + std::to_string(1 + 3 * i) +
                                          "): the picture");
        ASSERT_NE(at, std::string::npos) << run.output;
        const std::string line = run.output.substr(at, run.output.find('\n', at) - at);
        EXPECT_NE(line.find(std::string("basic.spi ") + pictures[i].reason), std::string::npos) << line;
    }
    // A plug-in of another kind (version 00AM) is no reader, whatever it claims.
    const std::string other = NewFolder("archive-plugins");
    InstallPlugin(other, "archive_version");
    WriteTestPicture(other + "\\good.brm", TestPicture());
    WriteTextFile(other + "\\scene.ini", "[chip]\ntext = x\npicture = good.brm\n");
    run = RunChiphost("--plugins \"" + other + "\" render \"" + other + "\\scene.ini\" \"" + other + "\\sheet.png\"");
    EXPECT_NE(run.output.find("no plug-in claims it"), std::string::npos) << run.output;
}

TEST(RenderModeErrors, MissingFilesLibrariesAndExports) {
    const std::string scenePath = TempDirectory() + "good.ini";
    WriteTextFile(scenePath, "[chip]\ntext = a\n");
    const std::string png = "\"" + TempDirectory() + "out.png\"";
    struct Case {
        const char* what;
        std::string args;
        DWORD exitCode;
        std::string expected;
    } cases[] = {
        {"no scene file", "render \"" + TempDirectory() + "absent.ini\" " + png, 2, "absent.ini: cannot open the file: "},
        {"no library", "--library \"" + TempDirectory() + "absent.dxl\" render \"" + scenePath + "\" " + png, 3,
         "cannot load the library"},
        {"not our library", "--library kernel32.dll render \"" + scenePath + "\" " + png, 3,
         "lacks the export(s) DrawExSpecification"},
        {"bad command line", "render \"" + scenePath + "\"", 1, "usage: chiphost"},
        {"help", "--help", 0, "usage: chiphost"},
        {"render option in run mode", "--strict run \"" + TempDirectory() + "never.ini\"", 1, "for render mode only"},
        {"help before other words", "render --help", 0, "exit codes: 0 done"},
        {"missing output folder", "render \"" + scenePath + "\" \"" + TempDirectory() + "no\\such\\dir\\out.png\"", 4,
         "the folder " + TempDirectory() + "no\\such\\dir\\ does not exist"},
    };
    for (const Case& c : cases) {
        ChiphostRun run = RunChiphost(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << "\n" << run.output;
        EXPECT_NE(run.output.find(c.expected), std::string::npos) << c.what << "\n" << run.output;
        // Nothing rendered before a failure, and system errors in words.
        EXPECT_EQ(run.output.find("chip 1"), std::string::npos) << c.what << "\n" << run.output;
        const size_t code = run.output.find("(error ");
        if (code != std::string::npos) {
            const size_t colon = run.output.rfind(": ", code);
            EXPECT_TRUE(colon != std::string::npos && code - colon > 4) << c.what << "\n" << run.output;
        }
    }
}
}  // namespace

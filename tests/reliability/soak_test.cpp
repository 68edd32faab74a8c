// Many cycles of everything the host does to chips with pictures and fields:
// no GDI object and no heap memory may be lost.
#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <vector>
#include "chip_scene.h"
#include "heap_usage.h"

namespace {
struct SoakChip {
    std::unique_ptr<ChipScene> scene;
    ChipSettings settings;
};

void Cycle(SoakChip& c, int i, PixelCanvas& canvas) {
    const DrawExLibrary& lib = Library();
    ChipScene& s = *c.scene;
    if (i % 10 == 0) {
        s.host().SetSettings(c.settings);
        lib.Update(s.chip(), s.window(), &s.host().info);
    }
    lib.DrawChip(s.chip(), s.window(), canvas.dc(), s.host().text.c_str());
    int32_t size[2];
    lib.CalcDefaultRect(s.chip(), s.window(), size, s.host().text.c_str());
    const uint32_t command = 10000 + static_cast<uint32_t>(i % 10);
    lib.DoDrawExMenu(s.chip(), s.window(), command);
    if (i % 7 == 0) {
        HMENU menu = lib.GetDrawExMenu(s.chip());
        DestroyMenu(menu);
    }
    lib.Resize(s.chip(), s.window());
    if (i % 13 == 0) lib.Zoom(s.chip(), 0, 0);
    lib.DoTimer(s.chip());
    lib.GetTimerSpan(s.chip());
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 16);
    lib.GetSaveData(s.chip(), 0, &block);
    GlobalFree(block);
}
}  // namespace

TEST(Soak, TwentyThousandCyclesLoseNothing) {
    const std::string gradient = GradientPicture(48, 32, 11);
    const std::string tiny = SolidPicture(3, 2, RGB(9, 200, 9));
    // Larger than the chips: stretched and fitted, it is kept scaled down.
    const std::string large = GradientPicture(300, 90, 12);
    const char* texts[] = {"<time> tick", "<date>\r\n<TIME> both\r\n\r\nend", "plain words only", "a<date>b"};
    auto makeChips = [&] {
        std::vector<SoakChip> chips;
        for (uint32_t placement = 0; placement <= 6; ++placement) {
            ChipSettings settings = PictureSettings(placement >= 5 ? large : placement % 2 ? gradient : tiny, placement,
                                                    placement % 3 ? 10009 : 10008, static_cast<int32_t>(placement % 3));
            settings.dateFont = MakeFont(-14 - static_cast<int>(placement), "Arial");
            settings.timeFormat = static_cast<int32_t>(placement);
            settings.dateFormat = static_cast<int32_t>(7 - placement);
            SoakChip c{std::make_unique<ChipScene>(90 + static_cast<int>(placement) * 7, 60, texts[placement % 4],
                                                   &settings),
                       settings};
            chips.push_back(std::move(c));
        }
        ChipSettings missing = PictureSettings(TempDirectory() + "soak-missing.bmp", 0);
        chips.push_back({std::make_unique<ChipScene>(80, 50, "warn <time>", &missing), missing});
        return chips;
    };
    PixelCanvas canvas(200, 100);
    {   // The first windows, fonts and paints leave objects of the system's own behind.
        std::vector<SoakChip> first = makeChips();
        for (int i = 0; i < 200; ++i) Cycle(first[i % first.size()], i, canvas);
    }
    const int gdiAtStart = CountFreeGdiSlots();
    std::vector<SoakChip> chips = makeChips();

    for (int i = 0; i < 200; ++i) Cycle(chips[i % chips.size()], i, canvas);  // warm up caches
    const int gdiBefore = CountFreeGdiSlots();
    const uint64_t heapBefore = HeapBytesInUse();
    const int cycles = 20000;
    for (int i = 0; i < cycles; ++i) Cycle(chips[i % chips.size()], i, canvas);
    const int gdiAfter = CountFreeGdiSlots();
    const uint64_t heapAfter = HeapBytesInUse();
    std::printf("soak: %d cycles, free GDI slots %d -> %d, heap bytes %llu -> %llu\n", cycles, gdiBefore, gdiAfter,
                static_cast<unsigned long long>(heapBefore), static_cast<unsigned long long>(heapAfter));
    EXPECT_GT(gdiBefore, 1000);
    EXPECT_GE(gdiAfter, gdiBefore - 2);
    EXPECT_LT(heapAfter, heapBefore + 64 * 1024) << "heap grew";
    // Pictures, shared and kept scaled, go with their chips: every chip ends
    // with the large picture stretched and painted, so each holds all it can.
    for (SoakChip& c : chips) {
        ChipScene& s = *c.scene;
        s.host().SetSettings(PictureSettings(large, 5));
        Library().Update(s.chip(), s.window(), &s.host().info);
        Library().DrawChip(s.chip(), s.window(), canvas.dc(), s.host().text.c_str());
    }
    chips.clear();
    const int gdiAtEnd = CountFreeGdiSlots();
    std::printf("soak: free GDI slots before the chips %d, after them %d\n", gdiAtStart, gdiAtEnd);
    EXPECT_GE(gdiAtEnd, gdiAtStart - 2) << "a chip left a graphics object behind";
}

// Generated inputs through the exports, with fixed seeds: odd texts, random
// stored blocks behind both size tags, client areas from 0 to 4,000 pixels and
// texts that do not match the last Update.
#include <gtest/gtest.h>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include "chip_scene.h"
#include "picture_support.h"

namespace {
const char* const kPieces[] = {
    "<date>", "<time>", "<DATE>", "<Time>", "<tImE>", "<dat", "<tim", "<", ">", "date>", "\r\n", "\n", "\r",
    "\x93\xfa\x95\x74",  // double-byte text
    "\x95\x5c", "ab", " ", "\t", "xyz ", "<<", "<date><time>", "\x83\x5c<", "&",
};

std::string RandomText(std::mt19937& rng) {
    std::string text;
    const int pieces = static_cast<int>(rng() % 12);
    for (int i = 0; i < pieces; ++i) {
        if (rng() % 5 == 0) {
            text += static_cast<char>(1 + rng() % 255);  // any non-zero byte
        } else {
            text += kPieces[rng() % (sizeof(kPieces) / sizeof(kPieces[0]))];
        }
    }
    return text;
}

// Random bytes behind a size tag; sometimes with a real picture path.
std::vector<uint8_t> RandomSaved(std::mt19937& rng, const std::string& picture) {
    std::vector<uint8_t> saved(sizeof(SavedChipData));
    for (auto& b : saved) b = static_cast<uint8_t>(rng());
    const uint32_t tags[] = {408, 272, 408, 0, 416};
    const uint32_t tag = tags[rng() % 5];
    std::memcpy(saved.data(), &tag, 4);
    auto* s = reinterpret_cast<ChipSettings*>(saved.data() + 4);
    switch (rng() % 4) {
    case 0: s->picturePath[0] = '\0'; break;
    case 1: lstrcpynA(s->picturePath, picture.c_str(), kPathSize); break;
    case 2: break;  // random bytes, maybe without a terminator
    default: s->picturePath[rng() % kPathSize] = '\0'; break;
    }
    if (rng() % 2) s->placement = rng() % 8 + (rng() % 2 ? 10000 : 0);
    if (rng() % 2) s->sizingMode = rng() % 2 ? 10008 + static_cast<int32_t>(rng() % 2) : 0;
    if (rng() % 3 == 0) s->dateFont.lfFaceName[0] = '\0';
    if (rng() % 3 == 0) {
        s->dateFont.lfHeight = -static_cast<LONG>(rng() % 60);
        s->dateFont.lfFaceName[LF_FACESIZE - 1] = '\0';
        s->timeFont = s->dateFont;
    }
    return saved;
}

// The first "<date>"/"<time>" in any case, as the host would expect them.
int32_t FirstToken(const std::string& text, const char* token, int32_t other) {
    for (size_t i = 0; i + 6 <= text.size();) {
        if (static_cast<int32_t>(i) != other && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, token, -1,
                                                               text.c_str() + i, 6) == CSTR_EQUAL)
            return static_cast<int32_t>(i);
        ++i;
    }
    return -1;
}

void ResizeClient(HWND window, int w, int h) {
    RECT r{0, 0, w, h};
    AdjustWindowRectEx(&r, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<uint8_t> Save(HLOCAL chip) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4);
    Library().GetSaveData(chip, 0, &block);
    std::vector<uint8_t> bytes(GlobalSize(block));
    std::memcpy(bytes.data(), GlobalLock(block), bytes.size());
    GlobalUnlock(block);
    GlobalFree(block);
    return bytes;
}

// The settings part that must survive a save and an Update: alignment,
// sizing, path with its terminator, colours, fonts, formats. A placement of
// 10000 or more is read as a menu command, less 10000, at every Update, so
// only placements below that are stable.
std::string Stored(const std::vector<uint8_t>& bytes) {
    if (bytes.size() != 416) return "size " + std::to_string(bytes.size());
    uint32_t placement;
    std::memcpy(&placement, bytes.data() + 4, 4);
    std::string key(reinterpret_cast<const char*>(bytes.data()), 4);
    key += placement < 10000 ? std::to_string(placement) : "command";
    key.append(reinterpret_cast<const char*>(bytes.data() + 8), 8);
    key += reinterpret_cast<const char*>(bytes.data() + 16);
    key.append(reinterpret_cast<const char*>(bytes.data() + 276), 412 - 276);
    return key;
}
}  // namespace

TEST(Randomized, ExportsHoldTheirInvariants) {
    const DrawExLibrary& lib = Library();
    // An empty plug-in folder keeps each load to one small directory search.
    ScopedSusieFolder plugins(NewFolder("random-plugins").c_str());
    const std::string picture = GradientPicture(23, 17, 3);
    TestWindow window(50, 40);
    PixelCanvas canvas(64, 64);
    std::mt19937 rng(20261207);
    const int cases = 100000;
    int painted = 0;
    for (int n = 0; n < cases; ++n) {
        const std::string text = RandomText(rng);
        HostChip host(text, 0);
        host.saved = RandomSaved(rng, picture);
        host.info.savedData = host.saved.data();
        host.info.textFont = MakeFont(-static_cast<int>(rng() % 40), "Arial");
        HLOCAL chip = nullptr;
        lib.InitializeChip(&chip, window.get(), &host.info);
        ASSERT_NE(chip, nullptr);

        const ChipState s = Peek(chip);
        const int32_t date = FirstToken(text, "<date>", -1);
        ASSERT_EQ(s.dateOffset, date) << n;
        ASSERT_EQ(s.timeOffset, FirstToken(text, "<time>", date)) << n;
        ASSERT_EQ(s.hasTimeField, s.timeOffset != -1 ? 1 : 0);
        ASSERT_EQ(lib.GetTimerSpan(chip), s.timeOffset != -1 ? 1 : -1);
        ASSERT_EQ(s.lastTimeValue, -1);
        ASSERT_LT(std::strlen(s.picturePath), static_cast<size_t>(kPathSize));

        // Saving and reading back is stable after the first round.
        const std::vector<uint8_t> first = Save(chip);
        ASSERT_EQ(first.size(), 416u);
        if (n % 8 == 0) {
            HostChip again(text, 0);
            again.saved = first;
            again.info.savedData = again.saved.data();
            again.info.textFont = host.info.textFont;
            lib.Update(chip, window.get(), &again.info);
            const std::vector<uint8_t> second = Save(chip);
            lib.Update(chip, window.get(), &again.info);
            ASSERT_EQ(Stored(Save(chip)), Stored(second)) << n;
        }

        HMENU menu = lib.GetDrawExMenu(chip);
        ASSERT_NE(menu, nullptr);
        DestroyMenu(menu);
        lib.DoDrawExMenu(chip, window.get(), 10000 + rng() % 12);
        lib.DoTimer(chip);

        // Painting and sizing on a sample of cases, some with a stale text.
        if (n % 25 == 0) {
            const int big = n % 1000 == 0;
            const int w = big ? static_cast<int>(rng() % 4001) : static_cast<int>(rng() % 200);
            const int h = big ? static_cast<int>(rng() % 4001) : static_cast<int>(rng() % 200);
            ResizeClient(window.get(), w, h);
            lib.Resize(chip, window.get());
            const std::string painted_text = rng() % 3 == 0 ? RandomText(rng) : text;
            ASSERT_EQ(lib.DrawChip(chip, window.get(), canvas.dc(), painted_text.c_str()), 1);
            int32_t size[2] = {0, 0};
            ASSERT_EQ(lib.CalcDefaultRect(chip, window.get(), size, painted_text.c_str()), 0);
            ++painted;
        }
        lib.UnInitializeChip(chip);
    }
    std::printf("randomized: %d cases, %d painted\n", cases, painted);
}

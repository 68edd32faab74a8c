#include "ui/chip_menu.h"
#include "chip/text_alignment.h"
#include "ui/setting_texts.h"

namespace {
struct MenuRow { uint32_t command; const char* text; };

// Command 0 stands for a separator.
const MenuRow kCommonRows[] = {
    {kCmdSwitchLayout, "メニュー切り替え"}, {0, nullptr},
    {kCmdAlignLeft, kAlignTexts[0]}, {kCmdAlignCentre, kAlignTexts[1]}, {kCmdAlignRight, kAlignTexts[2]}, {0, nullptr},
    {kCmdSizeByPicture, kSizingTexts[0]}, {kCmdSizeByText, kSizingTexts[1]},
};
constexpr uint32_t kPlacementCount = sizeof(kPlacementTexts) / sizeof(kPlacementTexts[0]);
// Greyed while the chip has no picture.
const uint32_t kPictureCommands[] = {
    kCmdPlacement0, kCmdPlacement1, kCmdPlacement2, kCmdPlacement3, kCmdSwitchLayout, kCmdSizeByPicture,
};

template <size_t N>
void AppendRows(HMENU menu, const MenuRow (&rows)[N]) {
    for (const MenuRow& row : rows) {
        if (row.command)
            AppendMenuA(menu, MF_STRING, row.command, row.text);
        else
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    }
}
}  // namespace

HMENU BuildChipMenu(const ChipState* chip) {
    HMENU menu = CreateMenu();
    if (!menu) return nullptr;
    // The corners, or from tile on in the fit layout.
    const uint32_t first = chip->fitMenu == 0 ? 0 : kFitLayoutFirstPlacement;
    const uint32_t end = chip->fitMenu == 0 ? kFitLayoutFirstPlacement : kPlacementCount;
    for (uint32_t placement = first; placement < end; ++placement)
        AppendMenuA(menu, MF_STRING, PlacementCommand(placement, chip->fitMenu), kPlacementTexts[placement]);
    AppendRows(menu, kCommonRows);

    if (!chip->picture) {
        for (uint32_t command : kPictureCommands) EnableMenuItem(menu, command, MF_BYCOMMAND | MF_GRAYED);
        return menu;
    }
    // A placement outside the shown layout gets no check mark.
    const uint32_t placement = static_cast<uint32_t>(chip->placement);
    if (LayoutOf(placement) == chip->fitMenu)
        CheckMenuItem(menu, PlacementCommand(placement, chip->fitMenu), MF_BYCOMMAND | MF_CHECKED);
    CheckMenuItem(menu, kCmdAlignLeft + AlignmentRow(chip->textAlign), MF_BYCOMMAND | MF_CHECKED);
    CheckMenuItem(menu, static_cast<uint32_t>(chip->sizingMode), MF_BYCOMMAND | MF_CHECKED);
    return menu;
}

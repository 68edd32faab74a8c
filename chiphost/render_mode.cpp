#include "render_mode.h"
#include <algorithm>
#include <cstdio>
#include <vector>
#include "dib_canvas.h"
#include "hosted_chip.h"
#include "picture_check.h"
#include "png_file.h"
#include "system_error.h"
#include "text_codec.h"
#include "win/gdi_guards.h"
#include "win/window_guards.h"

namespace {
constexpr int kMargin = 16;
constexpr int kGap = 20;
constexpr int kCaptionGap = 6;
constexpr int kMinCellWidth = 150;
constexpr COLORREF kFrameColour = RGB(120, 120, 120);

struct ChipPicture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

const char* RenderWindowClass() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "BrimselChipHostRender";
        RegisterClassA(&wc);
        return "BrimselChipHostRender";
    }();
    return name;
}

// Drives one chip through the exports, from InitializeChip to UnInitializeChip,
// and keeps what DrawChip painted into a canvas of the window's client size.
bool DrawSceneChip(const DrawExLibrary& library, const SceneChip& scene, ChipPicture* picture, std::string* error) {
    const SIZE first = scene.defaultSize ? OuterSizeForClient(kDefaultDrawWidth, kDefaultDrawHeight)
                                        : OuterSizeForClient(scene.clientWidth, scene.clientHeight);
    // Hidden, but otherwise the window a chip lives in.
    const OwnedWindow owned(CreateWindowExA(kChipExStyle, RenderWindowClass(), "", kChipStyle & ~WS_VISIBLE, 0, 0,
                                            first.cx, first.cy, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    HWND window = owned.get();
    if (!window) {
        *error = "cannot create a chip window: " + LastErrorText() + " (is there a display?)";
        return false;
    }
    HostedChip chip;
    chip.text = scene.text;
    chip.textColour = scene.textColour;
    chip.backColour = scene.backColour;
    chip.font = scene.font;
    if (scene.hasSettings) SetSavedSettings(&chip, scene.settings);
    StartChip(library, &chip, window);
    for (uint32_t command : scene.menu) library.DoDrawExMenu(chip.handle, window, command);
    if (scene.defaultSize) {
        const SIZE outer = DefaultOuterSize(library, &chip);
        SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        library.Resize(chip.handle, window);
    }
    RECT client{};
    GetClientRect(window, &client);
    picture->width = std::max<int>(client.right, 1);
    picture->height = std::max<int>(client.bottom, 1);
    bool ok = false;
    {
        DibCanvas canvas(picture->width, picture->height);
        if (canvas.ok()) {
            library.DrawChip(chip.handle, window, canvas.dc(), chip.text.c_str());
            GdiFlush();
            picture->pixels.assign(canvas.bits(), canvas.bits() + picture->width * picture->height);
            ok = true;
        } else {
            *error = "cannot create a " + std::to_string(picture->width) + "x" + std::to_string(picture->height) +
                     " canvas";
        }
    }
    EndChip(library, &chip);
    return ok;
}

struct Cell {
    int x = 0, y = 0;            // the chip's top-left on the sheet
    int cellWidth = 0;
    int captionHeight = 0;
};

int MeasureText(HDC dc, const LOGFONTA& font, const std::string& text, int width, UINT format) {
    if (text.empty()) return 0;
    const GdiObject<HFONT> created(CreateFontIndirectA(&font));
    const SelectedObject selected(dc, created.get());
    RECT r{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
    return r.bottom;
}

void DrawTextIn(HDC dc, const LOGFONTA& font, COLORREF colour, const std::string& text, RECT r, UINT format) {
    const GdiObject<HFONT> created(CreateFontIndirectA(&font));
    const SelectedObject selected(dc, created.get());
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

void FillRectangle(uint32_t* bits, int stride, int x, int y, int w, int h, COLORREF colour) {
    const uint32_t v = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) bits[j * stride + i] = v;
}

LOGFONTA TitleFont(const SceneSheet& sheet) {
    LOGFONTA font = sheet.captionFont;
    font.lfHeight = font.lfHeight * 3 / 2;
    font.lfWeight = FW_BOLD;
    return font;
}

constexpr UINT kCaptionFormat = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;

// Places the title and the chips' cells, row by row within the sheet's width;
// the sheet's height, its width to *sheetWidth.
int LayOutSheet(const Scene& scene, const std::vector<ChipPicture>& pictures, std::vector<Cell>* cells,
                int* sheetWidth, int* titleHeight) {
    int y = kMargin;
    DibCanvas measure(1, 1);
    *titleHeight = MeasureText(measure.dc(), TitleFont(scene.sheet), scene.sheet.title,
                               scene.sheet.width - 2 * kMargin, DT_NOPREFIX | DT_WORDBREAK);
    if (*titleHeight) y += *titleHeight + kGap / 2;
    int x = kMargin, rowHeight = 0;
    for (size_t i = 0; i < pictures.size(); ++i) {
        Cell& c = (*cells)[i];
        c.cellWidth = std::max(pictures[i].width + 2, kMinCellWidth);
        c.captionHeight = MeasureText(measure.dc(), scene.sheet.captionFont, scene.chips[i].caption,
                                      c.cellWidth, kCaptionFormat);
        if (x > kMargin && x + c.cellWidth > scene.sheet.width - kMargin) {
            x = kMargin;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        c.x = x + (c.cellWidth - pictures[i].width) / 2;
        c.y = y + 1;
        rowHeight = std::max(rowHeight, pictures[i].height + 2 + kCaptionGap + c.captionHeight);
        x += c.cellWidth + kGap;
        *sheetWidth = std::max(*sheetWidth, x - kGap + kMargin);
    }
    y += rowHeight + kMargin;
    *sheetWidth = std::max(*sheetWidth, 2 * kMargin + 1);
    return y;
}
}  // namespace

std::string OutputFolderProblem(const std::string& outPath) {
    const std::string folder = PathFolder(outPath);
    if (folder.empty()) return std::string();
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "cannot write " + outPath + ": the folder " + folder + " does not exist";
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "cannot write " + outPath + ": " + folder + " is not a folder";
    return std::string();
}

bool RenderScene(const DrawExLibrary& library, const Scene& scene, const std::string& outPath, int* unshown,
                 std::string* error) {
    *unshown = 0;
    std::vector<ChipPicture> pictures(scene.chips.size());
    for (size_t i = 0; i < scene.chips.size(); ++i) {
        if (!DrawSceneChip(library, scene.chips[i], &pictures[i], error)) return false;
        const std::string path = scene.chips[i].hasSettings ? scene.chips[i].settings.picturePath : "";
        // A chip that shows its picture is not decoded again for a reason.
        const ChipPicture& painted = pictures[i];
        if (path.empty() || !ShowsWarningPattern(painted.pixels.data(), painted.pixels.size())) continue;
        const std::string problem = WarningReason(path);
        if (problem.empty()) continue;
        ++*unshown;
        std::fprintf(stderr, "chiphost: chip %u (line %d): the picture %s cannot be shown: %s\n",
                     static_cast<unsigned>(i + 1), scene.chips[i].line, Cp932ToUtf8(path).c_str(), problem.c_str());
    }

    std::vector<Cell> cells(pictures.size());
    int sheetWidth = 0, titleHeight = 0;
    const int y = LayOutSheet(scene, pictures, &cells, &sheetWidth, &titleHeight);

    DibCanvas sheet(sheetWidth, y);
    if (!sheet.ok()) {
        *error = "cannot create a " + std::to_string(sheetWidth) + "x" + std::to_string(y) + " sheet";
        return false;
    }
    uint32_t* bits = sheet.bits();
    FillRectangle(bits, sheetWidth, 0, 0, sheetWidth, y, scene.sheet.background);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const ChipPicture& p = pictures[i];
        const Cell& c = cells[i];
        FillRectangle(bits, sheetWidth, c.x - 1, c.y - 1, p.width + 2, p.height + 2, kFrameColour);
        for (int row = 0; row < p.height; ++row)
            std::copy_n(&p.pixels[static_cast<size_t>(row) * p.width], p.width,
                        &bits[static_cast<size_t>(c.y + row) * sheetWidth + c.x]);
    }
    if (titleHeight)
        DrawTextIn(sheet.dc(), TitleFont(scene.sheet), scene.sheet.captionColour, scene.sheet.title,
                   RECT{kMargin, kMargin, sheetWidth - kMargin, kMargin + titleHeight}, DT_NOPREFIX | DT_WORDBREAK);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Cell& c = cells[i];
        const int left = c.x - (c.cellWidth - pictures[i].width) / 2;
        const int top = c.y + pictures[i].height + 1 + kCaptionGap;
        DrawTextIn(sheet.dc(), scene.sheet.captionFont, scene.sheet.captionColour, scene.chips[i].caption,
                   RECT{left, top, left + c.cellWidth, top + c.captionHeight}, kCaptionFormat);
    }
    GdiFlush();
    for (size_t i = 0; i < pictures.size(); ++i) {
        const std::string& caption = scene.chips[i].caption;
        std::printf("chip %u (line %d) at %d,%d size %dx%d%s%s\n", static_cast<unsigned>(i + 1), scene.chips[i].line,
                    cells[i].x, cells[i].y, pictures[i].width, pictures[i].height, caption.empty() ? "" : ": ",
                    Cp932ToUtf8(caption).c_str());
    }
    if (!WritePngFile(outPath, bits, sheetWidth, y, error)) return false;
    std::printf("wrote %s (%dx%d)\n", outPath.c_str(), sheetWidth, y);
    return true;
}

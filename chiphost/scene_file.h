// Scenes for render mode: a [sheet] section for the contact sheet and one
// [chip] section per chip, in the order they are laid out.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "win/host_records.h"

struct SceneChip {
    int line = 0;                  // of its [chip] header
    std::string caption;           // code page 932
    std::string text;              // code page 932, CR LF line breaks
    bool defaultSize = true;       // size from CalcDefaultRect
    int clientWidth = 0, clientHeight = 0;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF backColour = RGB(255, 255, 255);
    LOGFONTA font{};
    bool hasSettings = false;      // any settings key given: stored with size tag 408
    ChipSettings settings{};
    std::vector<uint32_t> menu;    // sent with DoDrawExMenu after InitializeChip
};

struct SceneSheet {
    std::string title;             // code page 932; empty: no title line
    int width = 1100;              // chips wrap to a new row beyond this width
    COLORREF background = RGB(236, 236, 232);
    COLORREF captionColour = RGB(40, 40, 40);
    LOGFONTA captionFont{};
};

struct Scene {
    SceneSheet sheet;
    std::vector<SceneChip> chips;
};

// Reads the scene at path (UTF-8). Relative picture paths are taken from the
// scene's folder; the library takes them in code page 932. False with every problem ("path:line: message" lines) in *error.
bool LoadScene(const std::string& path, Scene* scene, std::string* error);

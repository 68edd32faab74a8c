// Render mode: every chip of a scene painted by the library into a window's
// client area and laid out on a contact sheet, written as PNG.
#pragma once
#include <string>
#include "drawex_library.h"
#include "scene_file.h"

// Paints the scene and writes the sheet to outPath (UTF-8). Prints where each chip
// landed on the sheet, and each chip whose picture cannot be shown, with the
// reason; *unshown counts those. False with *error on failure.
bool RenderScene(const DrawExLibrary& library, const Scene& scene, const std::string& outPath, int* unshown,
                 std::string* error);

// Why the sheet cannot be written to outPath: its folder is missing or no
// folder. Empty when it can be tried.
std::string OutputFolderProblem(const std::string& outPath);

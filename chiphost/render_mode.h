// Render mode: every chip of a scene painted by the library into a window's
// client area and laid out on a contact sheet, written as PNG.
#pragma once
#include <string>
#include "drawex_library.h"
#include "scene_file.h"

// Paints the scene and writes the sheet to outPath. Prints where each chip
// landed on the sheet. False with *error on failure.
bool RenderScene(const DrawExLibrary& library, const Scene& scene, const std::string& outPath, std::string* error);

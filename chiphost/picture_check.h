// Why a chip's picture cannot be shown. The host looks as the library does:
// bitmaps through Windows, everything else through the Susie import plug-ins of
// the Susie folder or of the first folder on PATH that holds any, asked in the
// order the folder lists them.
#pragma once
#include <string>

// Empty when the picture at path (code page 932) can be read, or when path is
// empty; otherwise the reason, in UTF-8.
std::string PictureProblem(const std::string& path);

// Why a chip's picture cannot be shown. The host looks as the library does:
// bitmaps through Windows once their headers fit the file (the library's
// check, win/bitmap_headers.h), everything else through the Susie import plug-ins of
// the Susie folder or of the first folder on PATH that holds any, asked in the
// order the folder lists them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Empty when the picture at path (code page 932) can be read, or when path is
// empty; otherwise the reason, in UTF-8.
std::string PictureProblem(const std::string& path);

// Whether a painted chip (0x00RRGGBB pixels) shows the library's warning
// pattern: its dark red (127, 0, 0) covers a quarter of the client or more. A
// chip that shows its picture needs no second decoding to find a reason.
bool ShowsWarningPattern(const uint32_t* pixels, size_t count);

// The reason a chip that shows the warning pattern gives, in UTF-8: the
// plug-ins' or Windows' answer, or, when the picture reads here, that the
// library could not show it.
std::string WarningReason(const std::string& path);

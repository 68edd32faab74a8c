// The host's modal dialog for editing a chip's text.
#pragma once
#include <windows.h>
#include <string>

// Shows text (code page 932) for editing; true with the new text on OK.
bool EditChipText(HWND owner, std::string* text);

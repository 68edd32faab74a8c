// The settings dialog is given no chip, yet opens the font dialog at the font
// of the chip it was opened for. The chip's window carries the chip handle as
// a window property, so the chip is found through the dialog's owner windows
// and everything the chip holds stays in its own record.
#pragma once
#include <windows.h>

// Marks window as showing chip; called when the chip is made.
void LinkChipWindow(HLOCAL chip, HWND window);
// Takes the mark of chip off every window of this thread that carries it;
// called before the chip's record is freed.
void UnlinkChipWindows(HLOCAL chip);
// The text font of the chip shown in window or in one of the windows that own
// it. False when no chip is marked there or its font has no face.
bool FindChipFont(HWND window, LOGFONTA* font);

// The text font of each chip's window, kept so that the settings dialog, which
// is given no chip, can open the font dialog at the chip's own font.
#pragma once
#include <windows.h>

// Records chip's window and text font; called whenever the chip is updated.
void NoteChipFont(HLOCAL chip, HWND window, const LOGFONTA& font);
// Drops what was recorded for chip.
void ForgetChipFont(HLOCAL chip);
// The font of the chip shown in window or in one of the windows that own it.
// False when no chip is known there.
bool FindChipFont(HWND window, LOGFONTA* font);

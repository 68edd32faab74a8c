// How a stored textAlign value is read. The menu's check mark and the
// dialog's row take 1 as centre, 2 as right and anything else as left; plain
// text hands the value to DrawTextA as its own flags; a line with fields takes
// 0 as left, 2 as right and anything else as centred.
#pragma once
#include <windows.h>
#include <cstdint>

// 0 left, 1 centre, 2 right.
inline int32_t AlignmentRow(int32_t textAlign) { return textAlign == 2 ? 2 : textAlign == 1 ? 1 : 0; }

// Where a line with fields starts: 0 left, 1 centre, 2 right.
inline int32_t FieldLineAlignment(int32_t textAlign) { return textAlign == 0 ? 0 : textAlign == 2 ? 2 : 1; }

// Only the alignment bits: a value outside 0..2 cannot switch on other flags
// such as DT_CALCRECT, which would draw nothing.
inline UINT AlignmentDrawFlags(int32_t textAlign) { return static_cast<UINT>(textAlign) & (DT_CENTER | DT_RIGHT); }

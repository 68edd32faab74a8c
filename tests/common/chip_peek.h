// Reads a chip's state straight from its handle: the library and the tests
// share one process, and the record's layout is the library's own.
#pragma once
#include <windows.h>
#include "chip/chip_state.h"
#include "win/host_records.h"

inline ChipState Peek(HLOCAL chip) {
    ChipState copy{};
    if (auto* state = static_cast<ChipState*>(LocalLock(chip))) {
        copy = *state;
        LocalUnlock(chip);
    }
    return copy;
}

// A chip created through the exports and released at scope end.
class ScopedChip {
public:
    ScopedChip(HWND window, ChipInfo* info);
    ~ScopedChip();
    ScopedChip(const ScopedChip&) = delete;
    ScopedChip& operator=(const ScopedChip&) = delete;
    HLOCAL get() const { return handle_; }
    ChipState state() const { return Peek(handle_); }
private:
    HLOCAL handle_ = nullptr;
};

#include "chip_peek.h"
#include <gtest/gtest.h>
#include "test_support.h"

ScopedChip::ScopedChip(HWND window, ChipInfo* info) {
    EXPECT_EQ(Library().InitializeChip(&handle_, window, info), 0);
}

ScopedChip::~ScopedChip() {
    if (handle_) Library().UnInitializeChip(handle_);
}

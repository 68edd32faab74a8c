// The "<date>" and "<time>" tokens of a chip's text.
#pragma once
#include <cstdint>
#include "chip/chip_state.h"

// Both tokens are six bytes long.
constexpr int32_t kTokenLength = 6;

// Sets dateOffset and timeOffset from the first "<date>" and "<time>" of text
// (any letter case); returns 1 when the text holds "<time>", else 0.
int ScanFieldTokens(ChipState* chip, const char* text);

// What the tests observe of run mode's chips: counts kept per chip and
// answered to the query messages of run_messages.h. Nothing else reads them.
#pragma once
#include <windows.h>
#include "run_messages.h"

struct ChipCounts {
    int ticks = 0;
    int paints = 0;
    int resizes = 0;
    int zoomsOut = 0;
    int zoomsIn = 0;
};

// The count a query message asks for into *answer; false for any other message.
inline bool AnswerQuery(const ChipCounts& counts, UINT message, LRESULT* answer) {
    switch (message) {
    case kQueryTimerTicks: *answer = counts.ticks; return true;
    case kQueryPaints: *answer = counts.paints; return true;
    case kQueryResizes: *answer = counts.resizes; return true;
    case kQueryZoomsOut: *answer = counts.zoomsOut; return true;
    case kQueryZoomsIn: *answer = counts.zoomsIn; return true;
    default: return false;
    }
}

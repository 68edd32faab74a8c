// A clock the tests can set. The library reads the local time through its
// import of GetLocalTime; the tests redirect that import (in Brimsel.dxl and in
// the test program itself, whose statically linked library code and own
// expectations read the same clock), so the shipped library carries nothing
// for it.
//
// Without a set clock the redirected import is the system's clock, or, when the
// environment names an instant in BRIMSEL_TEST_CLOCK ("YYYY-MM-DD HH:MM:SS"),
// that instant advancing in real time from the moment the clock is installed.
// That lets the whole suite run at any instant of the calendar.
#pragma once
#include <windows.h>

// Redirects GetLocalTime in `module` to the test clock. Idempotent.
void InstallTestClock(HMODULE module);

// The local time the library sees right now.
SYSTEMTIME TestLocalTime();

// While alive, the clock stands still at `instant`: texts painted and texts
// the test computes cannot fall on two sides of a second, a minute or a day.
class FrozenClock {
public:
    explicit FrozenClock(const SYSTEMTIME& instant);
    ~FrozenClock();
    FrozenClock(const FrozenClock&) = delete;
    FrozenClock& operator=(const FrozenClock&) = delete;
};

// A SYSTEMTIME with its weekday filled in.
SYSTEMTIME MakeInstant(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

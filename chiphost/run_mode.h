// Run mode: the chips of a store as bordered pop-up tool windows on the
// desktop, until the user quits; the store is kept up to date as they change.
#pragma once
#include <string>
#include "drawex_library.h"

struct RunOptions {
    long exitAfterMs = 0;      // > 0: save and quit after this long
    bool recover = false;      // start from a damaged store after backing it up
};

// kBadStore: the store cannot be used as it is (damaged, newer, a path too long,
// or a whole save left over from an earlier run without --recover), and was
// left untouched. kFailed: run mode could not show any chip, or its last
// changes could not be saved. kNoDisplay: there is no display; nothing was
// written. kInUse: another run mode holds the store.
enum class RunResult { kDone, kBadStore, kFailed, kNoDisplay, kInUse };

// storePath is UTF-8, as typed.
RunResult RunDesktop(const DrawExLibrary& library, const std::string& storePath, const RunOptions& options,
                     std::string* error);

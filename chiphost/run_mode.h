// Run mode: the chips of a store as bordered pop-up tool windows on the
// desktop, until the user quits; the store is kept up to date as they change.
#pragma once
#include <string>
#include "drawex_library.h"

struct RunOptions {
    long exitAfterMs = 0;      // > 0: save and quit after this long
    bool recover = false;      // start from a damaged store after backing it up
};

enum class RunResult { kDone, kBadStore, kFailed };

RunResult RunDesktop(const DrawExLibrary& library, const std::string& storePath, const RunOptions& options,
                     std::string* error);

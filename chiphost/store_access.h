// What run mode settles before it touches a store: that the store's file and
// its companions can be named, that no other run mode uses it (a lock held for
// the whole run), and what became of a save that an earlier run left unfinished.
#pragma once
#include <windows.h>
#include <string>
#include "win/kernel_guards.h"

// Why the real file target of the store storePath cannot be used with its
// companions ("TARGET.new", "TARGET.lock"): their full paths would be longer
// than the system's file functions take. Empty when they fit.
std::string StorePathProblem(const std::string& storePath, const std::string& target);

// An exclusive lock on "TARGET.lock" beside the store's real file. The lock
// file is removed when the last handle to it closes, also when the process is
// killed.
class StoreLock {
public:
    enum Result { kTaken, kInUse, kUnavailable };
    StoreLock() = default;
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    // kInUse: another process holds it. kUnavailable: the lock file cannot be
    // made (say, a read-only folder); *why gives the system's reason.
    Result Take(const std::string& target, std::string* why);

private:
    FileHandle file_{INVALID_HANDLE_VALUE};
};

enum class LeftOverSave {
    kNone,     // no "TARGET.new"
    kStale,    // one cut short, or not newer than the store: the next save replaces it
    kNewer,    // a whole store, written after the store (or the store is gone)
};
LeftOverSave FindLeftOverSave(const std::string& target);

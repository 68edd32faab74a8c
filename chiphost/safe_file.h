// Writing a file so that a crash never leaves it half written. Paths are UTF-8
// and reach the system through its wide functions.
#pragma once
#include <cstddef>
#include <string>

// The file that path names, with symbolic links followed, as a full path:
// saves go beside it and replace it, so that a link stays a link. The full
// form of path when it does not exist yet.
std::string RealFilePath(const std::string& path);

// Writes bytes to "TARGET.new" beside path's real target, flushes it to the
// disk, then moves it over the target. Every step is checked. False with
// *error naming the file and the system's reason on failure; the target is
// then left as it was. A new file that was written whole but could not be
// moved is kept (*error says so), as it holds what the caller meant to save.
bool ReplaceFileContents(const std::string& path, const void* bytes, size_t size, std::string* error);

// Copies path to a free "path<suffix>", "path<suffix>-2", ... name and returns
// that name, or an empty text when the copy failed.
std::string BackUpFile(const std::string& path, const std::string& suffix = ".damaged");

// The last-write time of path (100 ns units), 0 when it cannot be read.
unsigned long long FileWriteTime(const std::string& path);
bool PathExists(const std::string& path);

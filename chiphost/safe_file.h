// Writing a file so that a crash never leaves it half written.
#pragma once
#include <cstddef>
#include <string>

// Writes bytes to "path.new", flushes it, then moves it over path. False with
// *error naming the file on failure; path is then left as it was.
bool ReplaceFileContents(const std::string& path, const void* bytes, size_t size, std::string* error);

// Copies path to a free "path.damaged", "path.damaged-2", ... name and returns
// that name, or an empty text when the copy failed.
std::string BackUpFile(const std::string& path);

// Whole-file reading and atomic writing.
#pragma once

#include <string>
#include <string_view>

namespace folvane::text {

// Reads the whole file into `bytes`. On failure returns false and sets
// `error` to the system's reason (the caller names the file).
bool readFile(const std::string& path, std::string& bytes, std::string* error = nullptr);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`, so that a crash or a full disk never leaves a
// half-written file. An existing file keeps its permissions. On failure the
// old file is untouched, the temporary file is removed, and `error` is set.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

}  // namespace folvane::text

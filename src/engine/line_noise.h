// Interfering characters at the ends of a line.
#pragma once

#include <string_view>

namespace folvane::engine {

// The line without the bytes 0x01-0x7F at its head: spaces, letters, digits
// and punctuation alike; the first other character stops it.
std::string_view removeHeadNoise(std::string_view line) noexcept;

// The line without the characters U+0001-U+007F and full-width spaces at its tail.
std::string_view removeTailNoise(std::string_view line) noexcept;

}  // namespace folvane::engine

// The light cipher that keeps texts of the program's own (the donation
// window's explanation) unreadable in its resources. It hides, it does not
// protect: the key is in the program. A checksum tells a damaged or
// wrongly keyed text from a good one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace folvane::web {

// "FVC1", the plain text's length and checksum (32 bits each, little
// endian), then the plain bytes mixed with a key stream.
std::string encipher(std::string_view plain, std::string_view key);

// The plain text, or nullopt when `data` is not a whole enciphered text or
// the key is not the one it was made with.
std::optional<std::string> decipher(std::string_view data, std::string_view key);

// The key of the program's own enciphered resources.
inline constexpr std::string_view kResourceKey = "folvane-3.0.7";

}  // namespace folvane::web

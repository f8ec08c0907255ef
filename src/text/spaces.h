// Spaces of the text model: the half-width space 0x20 and the full-width
// space A1 A1. Nothing else counts as a space when lines are trimmed.
#pragma once

#include <string_view>

namespace folvane::text {

inline constexpr std::string_view kFullWidthSpace = "\xA1\xA1";

// `s` without the spaces at its start.
std::string_view trimLeadingSpaces(std::string_view s) noexcept;
// `s` without the spaces at both ends (one forward walk).
std::string_view trimSpaces(std::string_view s) noexcept;
// True when `s` is empty after its leading spaces are removed.
inline bool isBlank(std::string_view s) noexcept { return trimLeadingSpaces(s).empty(); }

}  // namespace folvane::text

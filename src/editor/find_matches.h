// Find next and previous in the editor's text (its UTF-16 code units):
// the places the find panel highlights, counts and steps through.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folvane::editor {

// Where `needle` occurs in `text`, left to right and not overlapping, with
// ASCII letters matched without case distinction: the very places the
// panel's replace-all replaces, so that its count is what replace-all
// changes. A match never starts inside a surrogate pair. An empty needle
// has no matches.
std::vector<std::size_t> findMatches(std::u16string_view text, std::u16string_view needle);

// The match to go to from a selection [selStart, selEnd): forwards the first
// one starting at or after selEnd, backwards the last one ending at or
// before selStart; past either end the search wraps round. nullopt when
// there is no match.
std::optional<std::size_t> nextMatch(const std::vector<std::size_t>& matches, std::size_t needleLength,
                                     std::size_t selStart, std::size_t selEnd, bool forward);

// The index of the match that starts at `pos`, or nullopt.
std::optional<std::size_t> matchIndexAt(const std::vector<std::size_t>& matches, std::size_t pos);

}  // namespace folvane::editor

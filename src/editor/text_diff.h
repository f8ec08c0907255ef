// The places where two texts differ (a run's input and its result), found
// in time about linear in their length, for the view of what a run changed.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace folvane::editor {

// Units [beforePos, beforePos + beforeLen) of the first text became units
// [afterPos, afterPos + afterLen) of the second.
struct TextChange {
    std::size_t beforePos = 0, beforeLen = 0;
    std::size_t afterPos = 0, afterLen = 0;
    bool operator==(const TextChange&) const = default;
};

// The changes that turn `before` into `after`, in order, none touching the
// next. Between them the texts are equal, so the changes always rebuild
// `after` from `before` exactly. The texts are walked side by side; where
// they part, the nearest place at which both go on alike for a few units
// again is looked for within a window of some hundred units (first close
// by, then through an index of the window), so the cost grows with the
// length of the texts, not with its square. Changes wider than the window
// come out as several neighbouring changes, merged into one.
std::vector<TextChange> diffTexts(std::u16string_view before, std::u16string_view after);

}  // namespace folvane::editor

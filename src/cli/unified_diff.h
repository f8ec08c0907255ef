// The unified diff that folvane-cli --diff prints.
#pragma once

#include <string>
#include <string_view>

namespace folvane::cli {

// A unified diff (three lines of context) of two texts whose lines end in
// "\r\n", with the line breaks left out of the lines shown; empty when the
// texts are equal. `before` and `after` are UTF-8; `name` heads it as
// "--- a/NAME" and "+++ b/NAME" (an absolute NAME without "a/" and "b/"). A text whose last line has no line break
// gets "\ No newline at end of file" after that line when the other text's
// last line has one.
std::string unifiedDiff(std::string_view name, std::string_view before, std::string_view after);

}  // namespace folvane::cli

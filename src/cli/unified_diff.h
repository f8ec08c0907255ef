// The unified diff that folvane-cli --diff prints.
#pragma once

#include <string>
#include <string_view>

namespace folvane::cli {

// A unified diff (three lines of context) of two files' bytes, as `patch`
// and `git apply` read them: a line ends at each "\n" byte, and whatever
// stands before it ("\r", the other byte of a UTF-16 unit) is part of the
// line, so the diff applies to the very bytes of `before` and gives those
// of `after`. Empty when they are equal. `name` heads it as "--- a/NAME"
// and "+++ b/NAME" (an absolute NAME without "a/" and "b/"), quoted as
// quotedName quotes it, and followed by a tab when it holds a space. A
// last line without "\n" gets "\ No newline at end of file" after it.
std::string unifiedDiff(std::string_view name, std::string_view before, std::string_view after);

}  // namespace folvane::cli

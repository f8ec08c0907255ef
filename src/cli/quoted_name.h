// File names in folvane-cli's reports: one name a line must stay one name,
// whatever bytes it holds.
#pragma once

#include <string>
#include <string_view>

namespace folvane::cli {

// True when `name` cannot be shown as it is on a line of its own: it holds
// a control character (C0, DEL or C1), '"', '\\', or a byte that is no
// UTF-8 character.
bool nameNeedsQuotes(std::string_view name);

// `name` as version control shows names: as it is when it needs no quotes
// (printable UTF-8, Chinese included, spaces too); otherwise in double
// quotes with C escapes: \a \b \t \n \v \f \r \" \\, and three octal digits
// for each byte of any other control character and for each byte that is no
// UTF-8 character.
std::string quotedName(std::string_view name);

}  // namespace folvane::cli

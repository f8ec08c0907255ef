// Upper- and lower-case forms of a text ("大小写字母转换").
#pragma once

#include <string>
#include <string_view>

namespace folvane::corrections {

// a-z become A-Z. Only ASCII letters that are whole characters change: the
// second byte of a two-byte character is never a letter, and full-width
// letters stay as they are.
std::string upperCaseForm(std::string_view text);

// A-Z become a-z, under the same rule.
std::string lowerCaseForm(std::string_view text);

// The same two on the text itself.
void upperCaseFormInPlace(std::string& text);
void lowerCaseFormInPlace(std::string& text);

}  // namespace folvane::corrections

// The file name proposed when an untitled article is saved.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace folvane::corrections {

// Bytes of the text that titleFromText looks at.
inline constexpr std::size_t kTitleLengthLimit = 150;
// Bytes of the editor text that the save command passes on.
inline constexpr std::size_t kSaveNamePrefixLimit = 500;

// The start of `text` (GB18030) up to its first separator: an ASCII mark of
// ! ? / \ | ` ~ @ , # $ % ^ & * ( ) . : ; < > { } + [ ] = " or its
// full-width form, a "\r\n", or "《". Only the first 150 bytes count; a
// character cut by that limit is dropped. May be empty.
std::string titleFromText(std::string_view text);

// The name the save dialog proposes: the first 500 bytes of the text
// (whole characters), without the spaces at both ends, then titleFromText.
std::string proposedSaveName(std::string_view text);

}  // namespace folvane::corrections

// Half-width and full-width forms of characters.
#pragma once

#include <string>
#include <string_view>

namespace folvane::text {

// Full-width forms U+FF01-U+FF5E become U+0021-U+007E and the full-width space
// becomes 0x20; then "。" becomes ".", "—" becomes "-", "“" and "”" become the
// ASCII double quote, "’" and "‘" the ASCII apostrophe. The yen sign and the
// overline of row A3 (GBK's stand-ins at A3A4 and A3FE) stay unchanged.
std::string toHalfWidth(std::string_view s);

// Every character 0x21-0x7E becomes its full-width form U+FF01-U+FF5E and the
// space 0x20 becomes the full-width space. Every one of them is two bytes in
// GB18030, so the text grows by one byte per converted character. A character
// right after a lead byte standing alone stays as it is: its full-width form
// would join that byte into one character.
std::string toFullWidth(std::string_view s);

// The same into `out` (replaced; `s` must not view it), whose storage is
// used again: for callers that convert line after line.
void toHalfWidthInto(std::string_view s, std::string& out);
void toFullWidthInto(std::string_view s, std::string& out);

// toFullWidth(toHalfWidth(s)) in one pass, into `out` as above: what the two
// conversions give one after the other, where both are asked for.
std::string toHalfThenFullWidth(std::string_view s);
void toHalfThenFullWidthInto(std::string_view s, std::string& out);

// The two bytes of the full-width form of `c`, 0x20-0x7E: U+FF01-U+FF5E
// at A3A1-A3FE but "＄" (A1E7) and "～" (A1AB), the full-width space A1A1.
struct FullWidthForm {
    unsigned char b0, b1;
};
constexpr FullWidthForm fullWidthForm(unsigned char c) noexcept {
    if (c == ' ') return {0xA1, 0xA1};
    if (c == '$') return {0xA1, 0xE7};
    if (c == '~') return {0xA1, 0xAB};
    return {0xA3, static_cast<unsigned char>(0xA1 + (c - 0x21))};
}

// The half-width counterpart (0x20-0x7E) of the two-byte full-width form
// `b0 b1` (U+FF01-U+FF5E or U+3000), or 0 when it is none.
char halfWidthOf(unsigned char b0, unsigned char b1) noexcept;

}  // namespace folvane::text

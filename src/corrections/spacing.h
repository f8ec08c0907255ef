// One half-width space between Chinese characters and Latin letters or digits.
#pragma once

#include <string>
#include <string_view>

namespace folvane::corrections {

// True for the Chinese character (CJK ideograph) of `len` bytes at `pos`
// of a GB18030 text: GBK's ideographs, the four-byte ones of extension A and
// those beyond the basic plane.
bool isHanCharacter(std::string_view s, std::size_t pos, std::size_t len);

// Puts one half-width space between a Chinese character and an ASCII letter
// or digit that follows or precedes it ("在Linux上运行3个程序" gives "在 Linux
// 上运行 3 个程序"); "%" and "°" after a number count with it ("50% 以上").
// Nothing else gets a space: full-width punctuation, other symbols, a space
// already there, a number and its "%" or "°", and nothing inside a protected
// stretch (a link, an address, code between backticks).
std::string spaceHanLatin(std::string_view line);

}  // namespace folvane::corrections

// Punctuation correction for text that mixes Chinese with Latin script
// (with "中英混排标点"): the marks are judged by the text on both sides.
#pragma once

#include <string>
#include <string_view>

namespace folvane::corrections {

// True for a character that belongs to Chinese text: a Han character, a
// Chinese or full-width punctuation mark, symbol or form (rows A1-A3 of
// GB18030 but the full-width space). Kana, Hangul, Greek, Cyrillic and pinyin
// letters are not: a sentence in Korean or Japanese keeps its marks.
bool isChineseContext(std::string_view s, std::size_t pos, std::size_t len);

// The twenty steps of the punctuation correction with these changes:
//   - an ASCII mark . , ? ! : ; becomes the Chinese one after a character of
//     Chinese text, and also after Latin text inside a Chinese clause: when
//     a character of Chinese text follows it ("iPhone,好" gives "iPhone，好"),
//     or when it ends the line and the nearest character before it that is
//     not ASCII is Chinese ("我买了iPhone." gives "我买了iPhone。");
//   - a pair of ASCII parentheses becomes full-width when it holds Chinese
//     text or follows a character of it; "computed()" and "f(x)" stay; a
//     parenthesis without its partner when a neighbour is Chinese;
//   - ".." is deleted only next to Chinese text, so "cd .." and "../a.md"
//     stay;
//   - "，，" collapses wherever the steps before leave it.
// Never writes a wide form right after an opaque byte, which would join it.
std::string correctMixedPunctuation(std::string_view line);

}  // namespace folvane::corrections

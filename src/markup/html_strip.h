// Plain prose out of marked-up text: HTML pages for the batch mode and the
// menu item "去掉HTML代码", forum codes for "去掉UBB代码".
#pragma once

#include <string>
#include <string_view>

namespace folvane::markup {

// Every block from `opening` through the first `closing` after it is
// removed, content included; ASCII letters match whatever their case. An
// opening without a closing after it keeps the rest of the text, from that
// opening on, unchanged.
std::string removeBlocks(std::string_view text, std::string_view opening, std::string_view closing);
// The same on `text` itself, compacted in place.
void removeBlocksInPlace(std::string& text, std::string_view opening, std::string_view closing);

// removeBlocks with one-byte delimiters: "<" ... ">" or "[" ... "]".
std::string stripBrackets(std::string_view text, char opening, char closing);

// HTML to text: script and style blocks go, "&nbsp;" and "&gt;" become " "
// and ">", line feeds and tabs are deleted, "<br>", "<br />", "<br/>"
// become a line break and "</p>", "</div>" two, then every remaining tag
// and every "-->" is removed. Carriage returns of the source stay. Other
// entities are left as they are.
std::string htmlToText(std::string_view html);
// The same on a text it takes over (released early: a long page is held at
// most twice).
std::string htmlToTextTaking(std::string&& html);

// Forum-code stripping: everything from a "[" through the next "]" goes.
std::string stripForumCodes(std::string_view text);
// The same on a text it takes over (stripped in place).
std::string stripForumCodesTaking(std::string&& text);

}  // namespace folvane::markup

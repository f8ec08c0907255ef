// The paragraph tools of the editor ("排版小工具"): whole-text commands that
// work without a typesetting run. Pure functions on GB18030 texts with
// "\r\n" line breaks; the window reads the editor text and writes the result
// back in one assignment.
#pragma once

#include <string>
#include <string_view>

namespace folvane::engine {

// "去掉空换行": a blank line that is empty or holds exactly one, two or four
// half-width spaces or one or two full-width spaces is removed (until none
// is left, pattern by pattern in that order). Other blank lines stay; a text
// that begins or ends with line breaks keeps one of them there.
std::string removeBlankLines(std::string_view text);

// "删除段首空格": the spaces (half-width and full-width, mixed) at the start
// of the text and after every line break are removed; lines of spaces alone
// become empty. Spaces inside or at the end of a line stay.
std::string deleteParagraphHeadSpaces(std::string_view text);

// "全部替换": every occurrence of `find` becomes `replacement`, left to
// right, without rescanning what was put in; ASCII letters match whatever
// their case. An empty `find` leaves the text as it is.
std::string replaceAllInText(std::string_view text, std::string_view find, std::string_view replacement);

// The same three on a text they change in place (a long text is held once;
// a replacement longer than `find` builds the result beside it).
void removeBlankLinesInPlace(std::string& text);
void deleteParagraphHeadSpacesInPlace(std::string& text);
void replaceAllInTextInPlace(std::string& text, std::string_view find, std::string_view replacement);

}  // namespace folvane::engine

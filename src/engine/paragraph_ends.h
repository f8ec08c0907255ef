// Where joining the lines must end a paragraph besides the sentence ends:
// after headings, after a pause ("……", "——"), and after a link that ends
// a line (joining would run the next line into it).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace folvane::engine {

// A heading of a chapter: "第" and a number (digits or Chinese numerals),
// then 章, 回, 节, 卷 or 部 ("第一章 秋日", "第12回"), at most 40 characters.
bool isChapterHeading(std::string_view trimmedLine);

// A short line without end punctuation: at most 20 characters, the last a
// Chinese character, a letter or a digit. It is a heading when a blank line
// follows it in the input.
bool mayBeHeading(std::string_view trimmedLine);

// True when the line ends in "…" (one or more) or "——".
bool endsWithPause(std::string_view line);

// The rule of markParagraphEnds asked line by line: whether the line break
// numbered `number` (0 for the first "\r\n"), which ends `line`, must end a
// paragraph. Numbers must not decrease between calls; numbers may be
// skipped.
class ExplicitParagraphEnds {
public:
    ExplicitParagraphEnds(const std::vector<std::size_t>& breaks, bool afterPauses, bool afterLinks)
        : breaks_(breaks), afterPauses_(afterPauses), afterLinks_(afterLinks) {}
    bool at(std::string_view line, std::size_t number);

private:
    const std::vector<std::size_t>& breaks_;
    bool afterPauses_;
    bool afterLinks_;
    std::size_t next_ = 0;
};

// The text with the explicit paragraph-end mark put before the line breaks
// that must end a paragraph: those whose numbers (0 for the first "\r\n")
// are in `breaks` (ascending), and, when asked, those after a line that
// ends in a pause or in a protected stretch (a link, an address, code).
// The memory of the lines done is given back as the result grows, so that
// the text and the result are not both held whole.
std::string markParagraphEnds(std::string&& text, const std::vector<std::size_t>& breaks, bool afterPauses,
                              bool afterLinks);
// The same with the rule given whole (its counting starts where it stands).
std::string markParagraphEnds(std::string&& text, ExplicitParagraphEnds& ends);

}  // namespace folvane::engine

// Records of what a run changed, for reports and editors: where (line and
// column of the text before the run), which switch, and the text before and
// after.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace folvane::engine {

struct Change {
    // Of the text before the run, from 1; columns count characters. The
    // change covers [line:column, endLine:endColumn); an insertion has the
    // end equal to the start.
    std::size_t line = 0, column = 0;
    std::size_t endLine = 0, endColumn = 0;
    std::string rule;    // the switch's name for "--set"; "typeset" where the text's paragraphs were rebuilt
    std::string before;  // GB18030
    std::string after;   // GB18030

    bool operator==(const Change&) const = default;
};

// A stretch [oldStart, oldEnd) of the first text that became [newStart,
// newEnd) of the second.
struct Hunk {
    std::size_t oldStart, oldEnd, newStart, newEnd;
    bool operator==(const Hunk&) const = default;
};

// The smallest set of changed stretches between two GB18030 texts, at
// character boundaries (a shortest edit script over characters). Past
// `maxEdits` edits the differing middle is one stretch.
std::vector<Hunk> characterHunks(std::string_view before, std::string_view after, std::size_t maxEdits = 512);

// The same over lines ("\r\n" ends a line; a line's break belongs to it).
std::vector<Hunk> lineHunks(std::string_view before, std::string_view after, std::size_t maxEdits = 1024);

// Line and column (from 1, columns in characters) of byte offsets of one
// text, asked in any order; offsets asked in rising order cost the text once.
class TextPositions {
public:
    explicit TextPositions(std::string_view text);
    void locate(std::size_t offset, std::size_t& line, std::size_t& column);

private:
    std::string_view text_;
    std::vector<std::size_t> lineStarts_;
    std::size_t line_ = 0, pos_ = 0, column_ = 1;
};

// Records of every change from `before` to `after` under one rule: the
// changed lines first, then the characters within them.
std::vector<Change> changesBetween(std::string_view before, std::string_view after, std::string_view rule);

}  // namespace folvane::engine

// The prose of a Markdown document: which bytes of a CommonMark/GFM text are
// words a reader sees, as opposed to code, destinations, markup, HTML, front
// matter and math, which the corrections must leave byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace folvane::markup {

// One stretch of prose: bytes [start, end) of the GB18030 text, on one line,
// starting and ending at character boundaries.
struct ProseRun {
    std::size_t start = 0;
    std::size_t end = 0;
    // The block the run belongs to (a paragraph, a heading, a table cell);
    // runs of one block share it, and it grows from block to block.
    std::uint32_t block = 0;
    // Only emphasis, strikethrough or link markers stand between the
    // previous run of the block and this one, on the same line ("中文**English**").
    bool afterMarkup = false;
    // Where a space between the two belongs: in front of the markers
    // (they open around this run) rather than behind them (they close
    // around the previous one).
    bool spaceBeforeMarkers = false;

    bool operator==(const ProseRun&) const = default;
};

// The prose runs of `text` (GB18030; lines end in "\r\n", "\n" or "\r"), in
// the order of the text. Prose is the text of paragraphs, headings, list
// items, table cells, block quotes, emphasis, strikethrough, link texts,
// image descriptions and footnotes. Never prose: code (fenced, indented,
// inline), link and image destinations and titles, reference definitions,
// autolinks and bare addresses, raw HTML, front matter ("---" or "+++" on
// the first line up to its closing line), math ("$…$", "$$…$$"), footnote
// labels, list and task markers, table delimiters, hard-break markers,
// backslash escapes, entities, the indentation of lines, and everything
// between "<!-- folvane-disable -->" and "<!-- folvane-enable -->" or on the
// line after "<!-- folvane-disable-next-line -->".
std::vector<ProseRun> markdownProse(std::string_view text);

// The length of the front matter at the start of `text`, its closing line
// and that line's break included; 0 when there is none.
std::size_t frontMatterLength(std::string_view text);

}  // namespace folvane::markup

// The switches that steer every typesetting run.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace folvane::engine {

struct TypesetOptions {
    bool trimParagraphEnds = false;       // spaces removed at both ends of every paragraph
    bool addIndent = false;               // indentText put in front of every paragraph
    bool indentFullWidth = false;         // indentation of two full-width spaces, else four half-width
    bool lineBreakFix = false;            // blank lines dropped, spacing between paragraphs rebuilt
    bool doubleBreak = false;             // one blank line between paragraphs
    bool tripleBreak = false;             // two blank lines between paragraphs
    bool joinNonParagraphBreaks = false;  // lines that do not end a paragraph are joined
    bool toTraditional = false;           // convert to traditional characters
    bool toSimplified = false;            // convert to simplified characters
    bool fullToHalfWidth = false;         // full-width forms to half-width
    bool halfToFullWidth = false;         // half-width characters to full-width forms
    bool fixPunctuation = false;          // punctuation correction
    bool fixQuotes = false;               // quotation-mark correction
    bool stripHeadNoise = false;          // interfering half-width characters at line heads
    bool stripTailNoise = false;          // interfering characters at line tails
    bool fillBlankLines = false;          // blank lines between paragraphs carry indentText
    bool copyAfter = false;               // after a run, copy the text to the clipboard
    bool cutAfter = false;                // after a run, cut the text to the clipboard
    bool minimizeAfter = false;           // after a run, minimise the main window
    bool protectLinks = false;            // links, addresses and code pass the corrections unchanged
    bool spaceHanLatin = false;           // a space between Chinese characters and Latin letters or digits
    bool smartJoin = false;               // joining keeps headings and ends paragraphs after pauses

    // The built-in default configuration ("恢复默认配置"): trimParagraphEnds,
    // addIndent, indentFullWidth and lineBreakFix on, the rest off.
    static TypesetOptions defaults();

    bool operator==(const TypesetOptions&) const = default;
};

// One field of TypesetOptions: its name in code and on the command line, its
// key in "config.ini" (UTF-8 here; the store converts), and its default.
struct TypesetOptionField {
    std::string_view name;
    bool TypesetOptions::*member;
    std::string_view configKeyUtf8;
    bool defaultValue;
};

// The nineteen fields in the order of the options table (which is also the
// order in which they are read from "config.ini").
std::span<const TypesetOptionField> typesetOptionFields();

// The field called `name`, or nullptr.
const TypesetOptionField* findTypesetOptionField(std::string_view name);

// The indentation of one paragraph: two full-width spaces when addIndent and
// indentFullWidth, four half-width spaces when addIndent alone, else empty.
std::string indentText(const TypesetOptions& options);

}  // namespace folvane::engine

// The switches that steer every typesetting run, and the switch table: the
// one place that declares each switch, from which the settings file, the
// options window, the quick bars, the command line, its help and man page,
// the shell completion and the README's list are all derived.
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
    bool mixedPunctuation = false;        // with fixPunctuation: marks judged by the Chinese or Latin text around them

    // The built-in default configuration ("恢复默认配置"): every switch at
    // the default of its table row.
    static TypesetOptions defaults();

    bool operator==(const TypesetOptions&) const = default;
};

// The groups of the options window, in the order the window shows them:
// the first three in the left column, the rest in the right one.
enum class OptionsGroup { Spaces, Paragraphs, Script, Width, Punctuation, Special };
inline constexpr int kOptionsGroupCount = 6;

// How the options window shows a switch: a check box of its own, or as part
// of a control the window builds with rules of its own (radio groups, the
// indentation and paragraph boxes).
enum class OptionsControl { Check, Composite };

// Where a switch has a check box of its own on the main window's quick bars.
enum class QuickBarPlace { None, Upper, Lower };

// One row of the switch table.
struct TypesetOptionField {
    std::string_view name;                   // in code and for "--set"
    bool TypesetOptions::*member;
    std::string_view configKeyUtf8;          // key in "config.ini" (UTF-8 here; the store converts)
    bool defaultValue;                       // in the default configuration
    int saveRank;                            // position when "config.ini" is written
    OptionsGroup group;                      // options window group ...
    int groupOrder;                          // ... and position in it
    OptionsControl control;
    std::string_view captionUtf8;            // the check box's caption (Check rows)
    QuickBarPlace quickBar;                  // a box of its own on a quick bar ...
    std::string_view quickCaptionUtf8;       // ... with this caption
    std::string_view help;                   // one sentence for "--help" and the man page
};

// The rows in the order of the table (which is also the order in which
// "config.ini" is read).
std::span<const TypesetOptionField> typesetOptionFields();

// The field called `name`, or nullptr.
const TypesetOptionField* findTypesetOptionField(std::string_view name);

// The caption of an options window group ("空格", "段落", ...), UTF-8.
std::string_view optionsGroupCaptionUtf8(OptionsGroup group);

// The indentation of one paragraph: two full-width spaces when addIndent and
// indentFullWidth, four half-width spaces when addIndent alone, else empty.
std::string indentText(const TypesetOptions& options);

}  // namespace folvane::engine

// What a run with a document's switches would change in it, as edits of the
// editor's text: each change at its range in the agreed position encoding,
// with the switches that made it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "corrections/script_converter.h"
#include "engine/document_typeset.h"
#include "engine/typeset_options.h"
#include "lsp/positions.h"

namespace folvane::lsp {

struct DocumentSetup {
    engine::DocumentFormat format = engine::DocumentFormat::Text;
    engine::TypesetOptions options = engine::TypesetOptions::defaults();
    corrections::ScriptStandard standard = corrections::ScriptStandard::OpenCC;
    bool operator==(const DocumentSetup&) const = default;
};

// One change: [start, end) of the document becomes `newText`.
struct Fix {
    Position start, end;
    std::string newText;             // UTF-8, with the document's line breaks
    std::string before, after;       // UTF-8, "\n" between lines: what the message shows
    std::vector<std::string> rules;  // the switches' names ("typeset" where paragraphs were rebuilt)
};

struct Analysis {
    // In the order of the text, apart from each other: applied together
    // they give the typeset document.
    std::vector<Fix> fixes;
};

// The changes a run would make to `utf8` (valid UTF-8). Each run starts
// afresh (no quote open, no signature). The document's last line break is
// kept, as folvane-cli keeps a file's. The run sees every line break as
// "\r\n"; a line break it writes comes back as the document's most frequent
// kind ("\n" when it has none). With `memory`, Markdown fixes are named
// from it where it knows them, and it then holds this analysis' names.
// What the fixes of a document's last analysis were named, by their lines,
// place and texts: the names of a Markdown document's fixes come from the
// run's records, which cost about as much as the run itself, so a change
// that leaves the other lines alone takes their names from here.
struct RuleMemory {
    DocumentSetup setup;
    std::unordered_map<std::string, std::vector<std::string>> byKey;
};

Analysis analyseDocument(std::string_view utf8, const DocumentSetup& setup,
                         const corrections::ScriptConverter* converter, PositionEncoding encoding,
                         RuleMemory* memory = nullptr);

// All fixes as one: from the first one's start to the last one's end, what
// the typeset document holds there (nothing when `fixes` is empty).
Fix combinedFix(std::string_view utf8, const LineIndex& index, const std::vector<Fix>& fixes,
                PositionEncoding encoding);

// The Chinese name of a rule for messages ("fixPunctuation" → "标点修正").
std::string ruleCaption(std::string_view rule);

// The diagnostic's message: "标点修正：, → ，", "中英文间加空格：插入“ ”".
std::string fixMessage(const Fix& fix);

}  // namespace folvane::lsp

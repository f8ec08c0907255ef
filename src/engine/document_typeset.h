// The one way in for typesetting a document of either kind: plain text goes
// through the paragraph pipeline, Markdown has its prose corrected and every
// other byte kept. The command line, the windows and the batch call this.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/change_records.h"
#include "engine/progress.h"
#include "engine/run_context.h"
#include "engine/typeset_options.h"

namespace folvane::engine {

enum class DocumentFormat { Text, Markdown };

// "text", "markdown": the names on the command line and in ".folvanerc".
std::string_view documentFormatName(DocumentFormat format);
std::optional<DocumentFormat> documentFormatNamed(std::string_view name);

// The format a file's name suggests: ".md", ".markdown" and ".mdown" (in any
// case) are Markdown, every other name Text.
DocumentFormat documentFormatOfPath(std::string_view path);

// True for the switches that act in Markdown mode (the corrections of
// prose and the script conversion); the paragraph switches (indentation,
// blank lines, joining, trimming, noise, and the clipboard actions) do not.
bool appliesToMarkdown(std::string_view switchName);

// The switches of Markdown mode where neither the command line nor a
// configuration chose any: punctuation and the spaces between Chinese and
// Latin, with links protected.
TypesetOptions markdownDefaults();

// Typesets a document. Text: typesetOwnedText (`fromBatch` as there).
// Markdown: only the prose runs (markup/markdown_reader.h) are corrected,
// quotes pair within one block and a space between Chinese and Latin is
// also put beside emphasis and link markers (outside them); the paragraph
// switches and signatures do not apply and `context.quotes` is left cleared.
// `changes`, when given, receives one record per change, in text order for
// Markdown; for Text they come from comparing the result with the text.
std::string typesetDocument(std::string&& text, DocumentFormat format, bool fromBatch, const TypesetOptions& options,
                            RunContext& context, TypesetProgress* progress = nullptr,
                            std::vector<Change>* changes = nullptr);

// Markdown mode on its own (what typesetDocument does for Markdown).
std::string typesetMarkdown(std::string_view text, const TypesetOptions& options, RunContext& context,
                            std::vector<Change>* changes = nullptr);

}  // namespace folvane::engine

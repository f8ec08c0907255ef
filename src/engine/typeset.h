// The paragraph pipeline: one whole article in, the typeset article out.
#pragma once

#include <string>
#include <string_view>

#include "engine/progress.h"
#include "engine/run_context.h"
#include "engine/typeset_options.h"

namespace folvane::engine {

// Texts of the progress label for the phases of the pipeline (GB18030).
struct PhaseLabels {
    static const std::string& stripNoise();   // "\r\n正在去掉干扰符"
    static const std::string& paragraphs();   // "\r\n正在整理段落"
    static const std::string& script();       // "\r\n处理尾段落"
    static const std::string& tail();         // "\r\n去掉尾段落空格"
    static const std::string& joining();      // "\r\n去掉非段落换行"
    static const std::string& signatures();   // "\r\n将处理好的文本发送回窗口"
};

// Lines from which progress is shown; below it the label and bar stay hidden.
inline constexpr std::size_t kProgressMinLines = 200;

// Typesets one article. When `fromBatch` the input is `rawBytes` (a file's
// content) and `text` is ignored; otherwise the input is `text`. Reads
// `options`; reads and updates `context` (signatures of the previous run,
// quote pairing). Never fails: every input, also an empty one, gives a text.
std::string typesetText(std::string_view text, std::string_view rawBytes, bool fromBatch,
                        const TypesetOptions& options, RunContext& context,
                        TypesetProgress* progress = nullptr);

// typesetText on a text it takes over: the input is not copied, so a long
// text is held only once besides the result. `fromBatch` as above.
std::string typesetOwnedText(std::string&& text, bool fromBatch, const TypesetOptions& options,
                             RunContext& context, TypesetProgress* progress = nullptr);

// Step 2 of the pipeline: the odd spaces A3A0 and AAA5 become full-width
// spaces and tabs are deleted.
// A tab is kept where deleting it would join an opaque byte before it and
// the bytes after it into one character.
std::string normalizeOddSpaces(std::string_view s);
void normalizeOddSpacesInPlace(std::string& s);

}  // namespace folvane::engine

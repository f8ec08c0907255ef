// Joining the lines that do not end a paragraph ("删除非段落换行").
#pragma once

#include <string>
#include <string_view>

#include "engine/typeset_options.h"

namespace folvane::engine {

// "$Qelvo$行为艺术二$": placeholder for a paragraph end during joinLines.
const std::string& paragraphEndMark();
// "$Qelvo$行为艺术$": a line break right after it is a paragraph end.
const std::string& explicitEndMark();

// Removes every line break that does not follow a sentence-final character
// and rebuilds the separators between paragraphs from doubleBreak,
// tripleBreak and fillBlankLines. Expects the pipeline's shape of text: every
// line starts with `indent`, blank lines are empty or hold `indent` alone.
std::string joinLines(std::string text, std::string_view indent, const TypesetOptions& options);

}  // namespace folvane::engine

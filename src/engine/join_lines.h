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

class ExplicitParagraphEnds;

// Removes every line break that does not follow a sentence-final character
// and rebuilds the separators between paragraphs from doubleBreak,
// tripleBreak and fillBlankLines. Expects the pipeline's shape of text: every
// line starts with `indent`, blank lines are empty or hold `indent` alone.
// With `ends`, the line breaks it names end paragraphs too: the result is
// that of joinLines(markParagraphEnds(text, ends), ...), made in place.
std::string joinLines(std::string text, std::string_view indent, const TypesetOptions& options,
                      ExplicitParagraphEnds* ends = nullptr);

// The same as the plain sequence of its steps, one whole-text pass each:
// what joinLines computes, for texts that hold marks of their own and as
// the model the tests compare it with.
std::string joinLinesByTheSteps(std::string text, std::string_view indent, const TypesetOptions& options);

}  // namespace folvane::engine

// Punctuation correction ("标点修正") of one line.
#pragma once

#include <string>
#include <string_view>

namespace folvane::corrections {

// Corrects one line (GB18030, without its line break) in twenty fixed steps:
// runs of dots and ellipses are normalised, ASCII parentheses become
// full-width, the ASCII marks . , ? ! : ; become the Chinese marks where the
// character in front of them is not half-width, repeated "，" collapse, and a
// lone "<<" or ">>" becomes "《" or "》". Pure; every input gives a line.
std::string correctPunctuation(std::string_view line);
// The same into `out`; `work` is storage to reuse and may hold `line`,
// which is read before it is used (`out` must not hold it). Both keep their memory from line to line.
void correctPunctuationInto(std::string_view line, std::string& out, std::string& work);

// correctPunctuation(text::toHalfThenFullWidth(line)) in one pass where the
// line allows it, into `out` as correctPunctuationInto: for both width
// switches and the punctuation correction together.
std::string correctWidthAndPunctuation(std::string_view line);
void correctWidthAndPunctuationInto(std::string_view line, std::string& out, std::string& work);

// The same, by the steps one after another. Most lines are corrected in a
// single pass; this is what that pass falls back on, and answers for.
std::string correctPunctuationInSteps(std::string_view line);
void correctPunctuationInStepsInto(std::string_view line, std::string& out, std::string& work);

}  // namespace folvane::corrections

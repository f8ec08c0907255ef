// The text tools: one table for the editor's "排版小工具" menu and the
// commands of folvane-cli, and one way to apply them. Every tool takes the
// whole text over and gives back the result; those that never lengthen a
// text work in place.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "corrections/script_converter.h"

namespace folvane::corrections {
class DictionaryConverter;
}

namespace folvane::engine {

enum class TextTool {
    StripHtml,
    StripUbb,
    RemoveBlankLines,
    DeleteHeadSpaces,
    Replace,
    ToTraditional,
    ToSimplified,
    Upper,
    Lower,
};

// What some tools need beyond the text.
struct TextToolArguments {
    const corrections::DictionaryConverter* converter = nullptr;  // the script tools: required
    corrections::ScriptStandard standard = corrections::ScriptStandard::OpenCC;
    std::string find;         // Replace, GB18030
    std::string replacement;  // Replace, GB18030
    // The text was read with "\n" breaks (now "\r\n"): StripHtml takes those
    // line feeds for the source's own, which are no breaks in HTML.
    bool lfOnly = false;
};

struct TextToolRow {
    TextTool tool;
    std::string_view name;   // the command of folvane-cli
    std::string_view shown;  // as its help lists it, with arguments
    std::string_view help;
};

// Every tool, in the order of the help.
std::span<const TextToolRow> textTools();

std::string applyTextTool(TextTool tool, std::string&& text, const TextToolArguments& arguments);

}  // namespace folvane::engine

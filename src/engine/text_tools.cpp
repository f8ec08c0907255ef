#include "engine/text_tools.h"

#include "markup/html_strip.h"
#include "corrections/case_forms.h"
#include "corrections/dictionary_converter.h"
#include "engine/paragraph_tools.h"
#include "text/search.h"

namespace folvane::engine {
namespace {

constexpr TextToolRow kTools[] = {
    {TextTool::StripHtml, "strip-html", "strip-html",
     "HTML to text: script and style blocks, tags and \"-->\" removed; <br> and </p>, </div> become line breaks; "
     "&nbsp; and &gt; become \" \" and \">\"."},
    {TextTool::StripUbb, "strip-ubb", "strip-ubb", "Remove forum codes: everything from \"[\" to \"]\"."},
    {TextTool::RemoveBlankLines, "remove-blank-lines", "remove-blank-lines",
     "Remove blank lines that are empty or hold exactly 1, 2 or 4 half-width or 1 or 2 full-width spaces."},
    {TextTool::DeleteHeadSpaces, "delete-head-spaces", "delete-head-spaces",
     "Remove the spaces at the start of every line."},
    {TextTool::Replace, "replace", "replace FIND REPLACEMENT",
     "Replace every FIND by REPLACEMENT, left to right; ASCII letters match in any case. A newline in either "
     "text is a line break. An empty FIND changes nothing."},
    {TextTool::ToTraditional, "to-traditional", "to-traditional",
     "Convert to traditional characters with the dictionaries of --standard, keeping the byte length of every "
     "GB18030 character (except Taiwan's words of twp)."},
    {TextTool::ToSimplified, "to-simplified", "to-simplified",
     "Convert to simplified characters with the dictionaries of --standard, keeping the byte length of every "
     "GB18030 character (except Taiwan's words of twp)."},
    {TextTool::Upper, "upper", "upper", "ASCII letters to upper case."},
    {TextTool::Lower, "lower", "lower", "ASCII letters to lower case."},
};

}  // namespace

std::span<const TextToolRow> textTools() { return kTools; }

std::string applyTextTool(TextTool tool, std::string&& text, const TextToolArguments& a) {
    auto inPlace = [&text](auto&& fn) {
        std::string result = std::move(text);
        fn(result);
        return result;
    };
    switch (tool) {
        case TextTool::StripHtml:
            // The line feeds of an HTML source are no breaks; in a file read
            // with "\n" breaks they stand as "\r\n" here and go whole, not
            // leaving their "\r" behind.
            if (a.lfOnly) text::replaceAllInPlace(text, "\r\n", "\n");
            return markup::htmlToTextTaking(std::move(text));
        case TextTool::StripUbb: return markup::stripForumCodesTaking(std::move(text));
        case TextTool::RemoveBlankLines: return inPlace(removeBlankLinesInPlace);
        case TextTool::DeleteHeadSpaces: return inPlace(deleteParagraphHeadSpacesInPlace);
        case TextTool::Replace:
            return inPlace([&](std::string& t) { replaceAllInTextInPlace(t, a.find, a.replacement); });
        case TextTool::ToTraditional:
        case TextTool::ToSimplified:
            if (!a.converter) return std::move(text);
            return inPlace([&](std::string& t) {
                a.converter->convertInPlace(t,
                                            tool == TextTool::ToTraditional ? corrections::ScriptDirection::ToTraditional
                                                                            : corrections::ScriptDirection::ToSimplified,
                                            a.standard);
            });
        case TextTool::Upper: return inPlace(corrections::upperCaseFormInPlace);
        case TextTool::Lower: return inPlace(corrections::lowerCaseFormInPlace);
    }
    return std::move(text);
}

}  // namespace folvane::engine

#include "engine/paragraph_tools.h"

#include <cstring>

#include "text/search.h"
#include "text/spaces.h"

namespace folvane::engine {

std::string removeBlankLines(std::string_view text) {
    std::string s(text);
    removeBlankLinesInPlace(s);
    return s;
}

void removeBlankLinesInPlace(std::string& s) {
    // Each pattern is collapsed to its leading "\r\n" until none is left;
    // replaceAllRepeat does that in one pass, however deep the nesting.
    static constexpr std::string_view kBlankLines[] = {
        "\r\n\r\n",
        "\r\n \r\n",
        "\r\n  \r\n",
        "\r\n    \r\n",
        "\r\n\xA1\xA1\r\n",
        "\r\n\xA1\xA1\xA1\xA1\r\n",
    };
    for (std::string_view pattern : kBlankLines) text::replaceAllRepeat(s, pattern, "\r\n");
}

std::string deleteParagraphHeadSpaces(std::string_view text) {
    // Removing spaces after a line break only brings the next character up
    // to it and never forms a new line break, so taking the whole run of
    // spaces behind every "\r\n" at once is what repeating the one-space
    // replacements until none is left gives.
    const std::string_view body = text::trimLeadingSpaces(text);
    std::string out;
    out.reserve(body.size());
    std::size_t copied = 0;
    for (std::size_t p = text::findAligned(body, "\r\n"); p != text::npos;
         p = text::findAligned(body, "\r\n", copied)) {
        out.append(body, copied, p + 2 - copied);
        const std::string_view rest = text::trimLeadingSpaces(body.substr(p + 2));
        copied = body.size() - rest.size();
    }
    out.append(body, copied, std::string_view::npos);
    return out;
}

void deleteParagraphHeadSpacesInPlace(std::string& s) {
    // As above, the kept bytes moved down behind the search.
    std::size_t copied = s.size() - text::trimLeadingSpaces(s).size(), written = 0;
    for (std::size_t p = text::findAligned(s, "\r\n", copied); p != text::npos;
         p = text::findAligned(s, "\r\n", copied)) {
        if (written != copied) std::memmove(s.data() + written, s.data() + copied, p + 2 - copied);
        written += p + 2 - copied;
        copied = s.size() - text::trimLeadingSpaces(std::string_view(s).substr(p + 2)).size();
    }
    if (written != copied) std::memmove(s.data() + written, s.data() + copied, s.size() - copied);
    s.resize(written + s.size() - copied);
}

void replaceAllInTextInPlace(std::string& text, std::string_view find, std::string_view replacement) {
    text::replaceAllIgnoreCaseInPlace(text, find, replacement);
}

std::string replaceAllInText(std::string_view text, std::string_view find, std::string_view replacement) {
    return text::replaceAllIgnoreCase(text, find, replacement);
}

}  // namespace folvane::engine

// HTML and forum-code stripping and the paragraph tools.
//
// Invariants: no tag is left after HTML stripping and every line feed it
// leaves belongs to a "\r\n"; no forum code is left; no line starts with a
// space after the head spaces are deleted, and deleting again changes
// nothing; replacing a text by itself changes at most the case of letters; removing blank lines
// twice is removing them once; searches ignoring case agree with searches
// in folded copies. No removal makes a character out of bytes that were
// none: every character of two or four bytes that stripping, replacing by
// nothing or joining lines leaves was a character of the input. Blocks and
// line feeds whose removal would do that stay, so "nothing survives" holds
// for texts without such (opaque) bytes.
#include <set>

#include "markup/html_strip.h"
#include "engine/join_lines.h"
#include "engine/paragraph_tools.h"
#include "fuzz_input.h"
#include "text/gb18030.h"
#include "text/search.h"

using namespace folvane;

namespace {

std::set<std::string_view> multiByteCharacters(std::string_view s) {
    std::set<std::string_view> out;
    text::forEachChar(s, [&](std::size_t pos, std::size_t len) {
        if (len > 1) out.insert(s.substr(pos, len));
    });
    return out;
}

bool hasOpaqueBytes(std::string_view s) {
    bool found = false;
    text::forEachChar(s, [&](std::size_t pos, std::size_t len) {
        if (len == 1 && static_cast<unsigned char>(s[pos]) >= 0x80) found = true;
    });
    return found;
}

void requireNoNewCharacter(const std::set<std::string_view>& before, std::string_view after, const char* what) {
    for (const std::string_view c : multiByteCharacters(after))
        if (!before.contains(c)) fuzz::violated(what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::string_view find = in.piece();
    const std::string_view text = in.rest();

    const std::set<std::string_view> characters = multiByteCharacters(text);
    const bool opaque = hasOpaqueBytes(text);

    const std::string html = markup::htmlToText(text);
    requireNoNewCharacter(characters, html, "HTML stripping made a character");
    if (!opaque) {
        const std::size_t lt = html.find('<');
        fuzz::require(lt == std::string::npos || html.find('>', lt) == std::string::npos, "a tag survives");
        for (std::size_t p = html.find('\n'); p != std::string::npos; p = html.find('\n', p + 1))
            fuzz::require(p > 0 && html[p - 1] == '\r', "a lone line feed after HTML stripping");
    }

    const std::string ubb = markup::stripForumCodes(text);
    requireNoNewCharacter(characters, ubb, "forum-code stripping made a character");
    const std::size_t open = text::findAligned(ubb, "[");
    fuzz::require(opaque || open == text::npos || text::findAligned(ubb, "]", open) == text::npos,
                  "a forum code survives");

    requireNoNewCharacter(characters, engine::replaceAllInText(text, find, {}), "replacing by nothing made a character");
    engine::TypesetOptions options;
    options.joinNonParagraphBreaks = true;
    requireNoNewCharacter(characters, engine::joinLines(std::string(text), {}, options),
                          "joining lines made a character");

    const std::string heads = engine::deleteParagraphHeadSpaces(text);
    fuzz::require(engine::deleteParagraphHeadSpaces(heads) == heads, "deleting head spaces twice changes more");
    fuzz::require(!heads.starts_with(' ') && !heads.starts_with("\xA1\xA1"), "the text starts with a space");

    const std::string blank = engine::removeBlankLines(text);
    fuzz::require(engine::removeBlankLines(blank) == blank, "removing blank lines twice changes more");

    // Letters match in any case and come back as written in the replacement.
    fuzz::require(text::foldAsciiCase(engine::replaceAllInText(text, find, find)) == text::foldAsciiCase(text),
                  "replacing a text by itself changes more than letter case");
    fuzz::require(engine::replaceAllInText(text, {}, "x") == text, "an empty search changes the text");

    // Searches that ignore case find what a search in folded copies finds.
    const std::string foldedText = text::foldAsciiCase(text), foldedFind = text::foldAsciiCase(find);
    const text::CaseFoldedText folded(text);
    std::size_t from = 0;
    for (int k = 0; k < 64; ++k) {
        const std::size_t a = folded.find(find, from), b = text::findAligned(foldedText, foldedFind, from);
        fuzz::require(a == b, "a search ignoring case differs from one in folded copies");
        if (a == text::npos || find.empty()) break;
        from = a + find.size();
    }
    return 0;
}

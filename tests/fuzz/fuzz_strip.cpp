// HTML and forum-code stripping and the paragraph tools.
//
// Invariants: no tag is left after HTML stripping and every line feed it
// leaves belongs to a "\r\n"; no forum code is left; no line starts with a
// space after the head spaces are deleted, and deleting again changes
// nothing; replacing a text by itself changes at most the case of letters; removing blank lines
// twice is removing them once; searches ignoring case agree with searches
// in folded copies.
#include "batch/html_strip.h"
#include "engine/paragraph_tools.h"
#include "fuzz_input.h"
#include "text/search.h"

using namespace folvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::string_view find = in.piece();
    const std::string_view text = in.rest();

    const std::string html = batch::htmlToText(text);
    const std::size_t lt = html.find('<');
    fuzz::require(lt == std::string::npos || html.find('>', lt) == std::string::npos, "a tag survives");
    for (std::size_t p = html.find('\n'); p != std::string::npos; p = html.find('\n', p + 1))
        fuzz::require(p > 0 && html[p - 1] == '\r', "a lone line feed after HTML stripping");

    const std::string ubb = batch::stripForumCodes(text);
    const std::size_t open = text::findAligned(ubb, "[");
    fuzz::require(open == text::npos || text::findAligned(ubb, "]", open) == text::npos, "a forum code survives");

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

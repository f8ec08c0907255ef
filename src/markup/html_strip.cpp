#include "markup/html_strip.h"

#include <cstring>

#include "text/gb18030.h"
#include "text/search.h"

namespace folvane::markup {

std::string removeBlocks(std::string_view text, std::string_view opening, std::string_view closing) {
    std::string out(text);
    removeBlocksInPlace(out, opening, closing);
    return out;
}

void removeBlocksInPlace(std::string& s, std::string_view opening, std::string_view closing) {
    if (opening.empty() || closing.empty()) return;
    // Each search starts where the previous one ended, so the whole removal
    // is one walk; the kept text is moved down behind the searches, which
    // only ever read ahead of it.
    const text::CaseFoldedText folded(s);
    std::size_t open = folded.find(opening);
    if (open == text::npos) return;
    std::size_t copied = 0, written = 0, floor = 0;
    for (; open != text::npos; open = folded.find(opening, copied)) {
        const std::size_t close = folded.find(closing, open);
        if (close == text::npos) break;  // the rest stays as it is
        if (written != copied) std::memmove(s.data() + written, s.data() + copied, open - copied);
        written += open - copied;
        copied = close + closing.size();
        // A block whose removal would join an opaque byte before it with
        // the bytes after it into one character stays.
        if (text::joinsOpaqueByte(std::string_view(s.data(), written), floor, std::string_view(s).substr(copied), {},
                                  &floor)) {
            if (written != open) std::memmove(s.data() + written, s.data() + open, copied - open);
            written += copied - open;
        }
    }
    if (written != copied) std::memmove(s.data() + written, s.data() + copied, s.size() - copied);
    s.resize(written + s.size() - copied);
}

std::string stripBrackets(std::string_view text, char opening, char closing) {
    return removeBlocks(text, std::string_view(&opening, 1), std::string_view(&closing, 1));
}

namespace {

// Every step works on the text in place (each removes or keeps bytes, none
// adds any), so a page is held once.
std::string htmlToTextInPlace(std::string s) {
    if (s.empty()) return {};
    removeBlocksInPlace(s, "<script", "</script>");
    removeBlocksInPlace(s, "<style", "</style>");
    static constexpr std::pair<std::string_view, std::string_view> kReplacements[] = {
        {"&nbsp;", " "},      {"&gt;", ">"},       {"\n", ""},          {"\t", ""},
        {"<br>", "\r\n"},     {"<br />", "\r\n"},  {"<br/>", "\r\n"},   {"</p>", "\r\n\r\n"},
        {"</div>", "\r\n\r\n"},
    };
    for (const auto& [find, replacement] : kReplacements) text::replaceAllIgnoreCaseInPlace(s, find, replacement);
    removeBlocksInPlace(s, "<", ">");
    text::replaceAllInPlace(s, "-->", "", true);
    return s;
}

}  // namespace

std::string htmlToText(std::string_view html) { return htmlToTextInPlace(std::string(html)); }

std::string htmlToTextTaking(std::string&& html) { return htmlToTextInPlace(std::move(html)); }

std::string stripForumCodes(std::string_view text) { return stripBrackets(text, '[', ']'); }

std::string stripForumCodesTaking(std::string&& text) {
    std::string s = std::move(text);
    removeBlocksInPlace(s, "[", "]");
    return s;
}

}  // namespace folvane::markup

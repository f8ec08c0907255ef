#include "batch/html_strip.h"

#include "text/search.h"

namespace folvane::batch {

std::string removeBlocks(std::string_view text, std::string_view opening, std::string_view closing) {
    if (opening.empty() || closing.empty()) return std::string(text);
    // Each search starts where the previous one ended, so the whole
    // removal is one walk.
    const text::CaseFoldedText folded(text);
    std::size_t open = folded.find(opening);
    if (open == text::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (; open != text::npos; open = folded.find(opening, copied)) {
        const std::size_t close = folded.find(closing, open);
        if (close == text::npos) break;  // the rest stays as it is
        out.append(text, copied, open - copied);
        copied = close + closing.size();
    }
    out.append(text, copied, std::string_view::npos);
    return out;
}

std::string stripBrackets(std::string_view text, char opening, char closing) {
    return removeBlocks(text, std::string_view(&opening, 1), std::string_view(&closing, 1));
}

namespace {

// `owner`, when given, holds `html` and is released after the first pass,
// so that a long page is held at most twice.
std::string htmlToTextOf(std::string_view html, std::string* owner) {
    if (html.empty()) return {};
    std::string s = removeBlocks(html, "<script", "</script>");
    if (owner) std::string().swap(*owner);
    s = removeBlocks(s, "<style", "</style>");
    static constexpr std::pair<std::string_view, std::string_view> kReplacements[] = {
        {"&nbsp;", " "},      {"&gt;", ">"},       {"\n", ""},          {"\t", ""},
        {"<br>", "\r\n"},     {"<br />", "\r\n"},  {"<br/>", "\r\n"},   {"</p>", "\r\n\r\n"},
        {"</div>", "\r\n\r\n"},
    };
    for (const auto& [find, replacement] : kReplacements) s = text::replaceAllIgnoreCase(s, find, replacement);
    s = stripBrackets(s, '<', '>');
    text::replaceAllInPlace(s, "-->", "");
    return s;
}

}  // namespace

std::string htmlToText(std::string_view html) { return htmlToTextOf(html, nullptr); }

std::string htmlToTextTaking(std::string&& html) {
    std::string owned = std::move(html);
    return htmlToTextOf(owned, &owned);
}

std::string stripForumCodes(std::string_view text) { return stripBrackets(text, '[', ']'); }

}  // namespace folvane::batch

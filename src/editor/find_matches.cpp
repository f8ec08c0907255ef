#include "editor/find_matches.h"

#include <algorithm>
#include <functional>

namespace folvane::editor {

namespace {

char16_t fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

std::vector<std::size_t> findMatches(std::u16string_view text, std::u16string_view needle) {
    std::vector<std::size_t> out;
    if (needle.empty() || needle.size() > text.size()) return out;
    const auto equal = [](char16_t a, char16_t b) { return fold(a) == fold(b); };
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end(),
                                                      [](char16_t c) { return std::hash<char16_t>()(fold(c)); }, equal);
    auto from = text.begin();
    while (true) {
        const auto [first, last] = searcher(from, text.end());
        if (first == text.end()) break;
        const auto pos = static_cast<std::size_t>(first - text.begin());
        if (pos > 0 && isLowSurrogate(text[pos]) && isHighSurrogate(text[pos - 1])) {
            from = first + 1;  // inside a pair: not a place of its own
            continue;
        }
        out.push_back(pos);
        from = last;
    }
    return out;
}

std::optional<std::size_t> nextMatch(const std::vector<std::size_t>& matches, std::size_t needleLength,
                                     std::size_t selStart, std::size_t selEnd, bool forward) {
    if (matches.empty()) return std::nullopt;
    if (forward) {
        const auto it = std::lower_bound(matches.begin(), matches.end(), selEnd);
        return it == matches.end() ? matches.front() : *it;
    }
    // The last match with pos + needleLength <= selStart.
    const auto it = std::upper_bound(matches.begin(), matches.end(), selStart,
                                     [&](std::size_t s, std::size_t m) { return s < m + needleLength; });
    return it == matches.begin() ? matches.back() : *std::prev(it);
}

std::optional<std::size_t> matchIndexAt(const std::vector<std::size_t>& matches, std::size_t pos) {
    const auto it = std::lower_bound(matches.begin(), matches.end(), pos);
    if (it == matches.end() || *it != pos) return std::nullopt;
    return static_cast<std::size_t>(it - matches.begin());
}

}  // namespace folvane::editor

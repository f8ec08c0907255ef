#include "corrections/protected_spans.h"

#include <cctype>

#include "text/gb18030.h"
#include "text/search.h"

namespace folvane::corrections {
namespace {

bool isAsciiAlnum(unsigned char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }
bool isUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }

unsigned char byteAt(std::string_view s, std::size_t i) {
    return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
}

// True when a word may start at `i`: the line's start, or after a byte that
// is no ASCII letter or digit (a Chinese character's last byte may look like
// one, so only single-byte characters count as letters here).
bool wordStart(std::string_view s, std::size_t i, std::size_t prevLen) {
    if (i == 0) return true;
    return prevLen != 1 || !isAsciiAlnum(byteAt(s, i - 1));
}

bool startsWithNoCase(std::string_view s, std::size_t i, std::string_view lower) {
    if (s.size() - i < lower.size()) return false;
    for (std::size_t k = 0; k < lower.size(); ++k)
        if ((static_cast<unsigned char>(s[i + k]) | (std::isalpha(static_cast<unsigned char>(lower[k])) ? 0x20 : 0)) !=
            static_cast<unsigned char>(lower[k]))
            return false;
    return true;
}

// Length of a scheme and "://" at `i` ("https://"), or of "www.", else 0.
std::size_t linkStart(std::string_view s, std::size_t i) {
    if (startsWithNoCase(s, i, "www.")) return 4;
    std::size_t k = i;
    if (!std::isalpha(byteAt(s, k))) return 0;
    while (k < s.size() && (isAsciiAlnum(byteAt(s, k)) || byteAt(s, k) == '+' || byteAt(s, k) == '-' ||
                            byteAt(s, k) == '.'))
        ++k;
    if (k - i > 16 || s.substr(k, 3) != "://") return 0;
    return k + 3 - i;
}

// True for a character that ends a link: a space, a control byte, one of
// " ' < > ` and every full-width symbol or punctuation mark (GBK rows
// A1-A9, where the full-width space, "，", "。", "（" and the like live).
bool endsLink(std::string_view s, std::size_t i, std::size_t len) {
    const unsigned char b = byteAt(s, i);
    if (len == 1) return b <= 0x20 || b == 0x7F || b == '"' || b == '<' || b == '>' || b == '`' || b >= 0x80;
    return len == 2 && b >= 0xA1 && b <= 0xA9;
}

std::size_t linkEnd(std::string_view s, std::size_t i) {
    std::size_t end = i;
    while (end < s.size()) {
        const std::size_t len = text::charLength(s, end);
        if (endsLink(s, end, len)) break;
        end += len;
    }
    // Trailing sentence punctuation belongs to the sentence, and so does a
    // closing parenthesis that the link did not open.
    for (;;) {
        const unsigned char last = byteAt(s, end - 1);
        if (end > i && (last == '.' || last == ',' || last == ';' || last == ':' || last == '!' || last == '?' ||
                        last == '\'')) {
            --end;
            continue;
        }
        if (end > i && last == ')') {
            int depth = 0;
            for (std::size_t k = i; k < end; ++k) depth += s[k] == '(' ? 1 : s[k] == ')' ? -1 : 0;
            if (depth < 0) {
                --end;
                continue;
            }
        }
        break;
    }
    return end;
}

bool isLocalPartByte(unsigned char c) {
    return isAsciiAlnum(c) || c == '.' || c == '_' || c == '%' || c == '+' || c == '-';
}

// End of an e-mail address that starts at `i`, or 0.
std::size_t emailEnd(std::string_view s, std::size_t i) {
    std::size_t k = i;
    while (k < s.size() && isLocalPartByte(byteAt(s, k))) ++k;
    if (k == i || byteAt(s, k) != '@') return 0;
    const std::size_t domain = ++k;
    std::size_t lastDot = 0;
    while (k < s.size() && (isAsciiAlnum(byteAt(s, k)) || byteAt(s, k) == '-' || byteAt(s, k) == '.')) {
        if (byteAt(s, k) == '.') lastDot = k;
        ++k;
    }
    while (k > domain && byteAt(s, k - 1) == '.') --k;  // a full stop after the address
    if (lastDot <= domain || lastDot + 1 >= k || !std::isalpha(byteAt(s, k - 1))) return 0;
    return k;
}

// End of a ticker suffix (".US") at `i`, or 0.
std::size_t tickerEnd(std::string_view s, std::size_t i) {
    if (byteAt(s, i) != '.') return 0;
    std::size_t k = i + 1;
    while (k < s.size() && isUpper(byteAt(s, k)) && k - i <= 4) ++k;
    if (k == i + 1 || k - i > 5 || isAsciiAlnum(byteAt(s, k))) return 0;
    return k;
}

}  // namespace

std::vector<Span> protectedSpans(std::string_view s) {
    std::vector<Span> spans;
    // Every span holds one of these bytes: the backquotes of code, ":" of a
    // scheme or "." of "www.", "@" of an address, "." of a ticker suffix.
    // Most lines of Chinese prose hold none of them.
    if (s.find('.') == std::string_view::npos && s.find(':') == std::string_view::npos &&
        s.find('@') == std::string_view::npos && s.find('`') == std::string_view::npos)
        return spans;
    std::size_t prevLen = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = text::charLength(s, i);
        std::size_t end = 0;
        const unsigned char b = byteAt(s, i);
        if (b == '`') {
            const std::size_t close = text::findAligned(s, "`", i + 1);
            if (close != text::npos) end = close + 1;
        } else if (len == 1 && isAsciiAlnum(b) && wordStart(s, i, prevLen)) {
            if (const std::size_t start = linkStart(s, i)) {
                end = linkEnd(s, i);
                if (end < i + start + 1) end = 0;  // nothing after the scheme
            }
            if (!end) end = emailEnd(s, i);
        } else if (b == '.' && i > 0 && byteAt(s, i - 1) != ' ') {
            end = tickerEnd(s, i);
        }
        if (end > i) {
            spans.push_back({i, end});
            prevLen = 1;
            i = end;
            continue;
        }
        prevLen = len;
        i += len;
    }
    return spans;
}

bool endsInProtectedSpan(std::string_view line) {
    const std::vector<Span> spans = protectedSpans(line);
    return !spans.empty() && spans.back().end == line.size();
}

}  // namespace folvane::corrections

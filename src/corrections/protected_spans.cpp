#include "corrections/protected_spans.h"

#include <cctype>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// True when the line holds a byte that some protected stretch needs: a
// backtick, "@", ":" before "//", or "." after "www" or before a capital
// letter. Every stretch holds one (code its backticks, a link its "://" or
// "www.", an address its "@", a ticker suffix its "." and first capital),
// so a line without one has none. Lines of prose often hold "." or ":"
// elsewhere, so these bytes are looked for sixteen at a time and each hit
// is checked at once.
bool mayHoldSpan(std::string_view s) {
    const char* d = s.data();
    const std::size_t n = s.size();
    const auto viable = [&](std::size_t i) {
        switch (d[i]) {
            case '`':
            case '@':
                return true;
            case ':':
                return i + 2 < n && d[i + 1] == '/' && d[i + 2] == '/';
            case '.':
                return isUpper(byteAt(s, i + 1)) ||
                       (i >= 3 && (d[i - 1] | 0x20) == 'w' && (d[i - 2] | 0x20) == 'w' && (d[i - 3] | 0x20) == 'w');
            default:
                return false;
        }
    };
#ifdef __SSE2__
    if (n >= 16) {
        const auto hitsAt = [&](std::size_t i) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            const __m128i hit =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('.')), _mm_cmpeq_epi8(x, _mm_set1_epi8(':'))),
                             _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('@')), _mm_cmpeq_epi8(x, _mm_set1_epi8('`'))));
            for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask; mask &= mask - 1)
                if (viable(i + static_cast<std::size_t>(__builtin_ctz(mask)))) return true;
            return false;
        };
        std::size_t i = 0;
        for (; i + 16 <= n; i += 16)
            if (hitsAt(i)) return true;
        // The last bytes in a block that ends with the line; the bytes it
        // tests again give the same answer.
        return i < n && hitsAt(n - 16);
    }
#endif
    for (std::size_t i = 0; i < n; ++i)
        if (viable(i)) return true;
    return false;
}

// Calls fn(span) for each protected stretch, left to right.
template <typename Fn>
void forEachSpan(std::string_view s, Fn&& fn) {
    if (!mayHoldSpan(s)) return;
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
            fn(Span{i, end});
            prevLen = 1;
            i = end;
            continue;
        }
        prevLen = len;
        i += len;
    }
}

}  // namespace

std::vector<Span> protectedSpans(std::string_view s) {
    std::vector<Span> spans;
    protectedSpansInto(s, spans);
    return spans;
}

void protectedSpansInto(std::string_view s, std::vector<Span>& spans) {
    spans.clear();
    forEachSpan(s, [&spans](const Span& span) { spans.push_back(span); });
}

bool endsInProtectedSpan(std::string_view line) {
    std::size_t lastEnd = 0;
    bool any = false;
    forEachSpan(line, [&](const Span& span) {
        lastEnd = span.end;
        any = true;
    });
    return any && lastEnd == line.size();
}

}  // namespace folvane::corrections

#include "corrections/quotes.h"

#include <algorithm>
#include <cstring>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "corrections/line_builder.h"
#include "text/codec.h"
#include "text/gb18030.h"
#include "text/search.h"

namespace folvane::corrections {
namespace {

constexpr std::string_view kOpenDouble = "\xA1\xB0";   // “
constexpr std::string_view kCloseDouble = "\xA1\xB1";  // ”
constexpr std::string_view kOpenSingle = "\xA1\xAE";   // ‘
constexpr std::string_view kCloseSingle = "\xA1\xAF";  // ’

// The ASCII form of a curly or full-width quotation mark, or 0.
char foldedQuote(unsigned char b0, unsigned char b1) {
    if (b0 == 0xA1 && (b1 == 0xB0 || b1 == 0xB1)) return '"';   // “ ”
    if (b0 == 0xA3 && b1 == 0xA2) return '"';                   // ＂
    if (b0 == 0xA1 && (b1 == 0xAE || b1 == 0xAF)) return '\'';  // ‘ ’
    if (b0 == 0xA3 && b1 == 0xA7) return '\'';                  // ＇
    return 0;
}

// The quote ('"' or '\'') that the character of `len` bytes at `i` is once
// folded, or 0. ASCII quotes are bytes that no character contains.
char quoteAt(std::string_view s, std::size_t i, std::size_t len) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (len == 1) return b == '"' || b == '\'' ? static_cast<char>(b) : 0;
    return len == 2 ? foldedQuote(b, static_cast<unsigned char>(s[i + 1])) : 0;
}

// True when the bytes at `i` may begin something the correction rewrites:
// an ASCII quote, the "$" of a placeholder, or a byte pair that is a mark
// to fold where it starts at a character boundary.
bool candidateAt(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b == '"' || b == '\'' || b == '$') return true;
    return (b == 0xA1 || b == 0xA3) && i + 1 < s.size() && foldedQuote(b, static_cast<unsigned char>(s[i + 1]));
}

// True when the line holds a byte or byte pair that candidateAt accepts; a
// line without one comes out of the correction unchanged. Most lines of
// prose hold none, so the bytes are tested sixteen at a time.
bool mayChange(std::string_view s) {
    const char* d = s.data();
    const std::size_t n = s.size();
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i dq = _mm_set1_epi8('"'), sq = _mm_set1_epi8('\''), dollar = _mm_set1_epi8('$');
    const __m128i a1 = _mm_set1_epi8(static_cast<char>(0xA1)), a3 = _mm_set1_epi8(static_cast<char>(0xA3));
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i hit = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(x, dq), _mm_cmpeq_epi8(x, sq)),
            _mm_or_si128(_mm_cmpeq_epi8(x, dollar), _mm_or_si128(_mm_cmpeq_epi8(x, a1), _mm_cmpeq_epi8(x, a3))));
        for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask; mask &= mask - 1)
            if (candidateAt(s, i + static_cast<std::size_t>(__builtin_ctz(mask)))) return true;
    }
#endif
    for (; i < n; ++i)
        if (candidateAt(s, i)) return true;
    return false;
}

// Whether the text from `pos` (the boundary after a quote) up to and
// including the second byte after the quote ends in a half-width character
// (true when the text ends first). A character cut by that limit counts as
// not half-width.
bool halfWidthFrom(std::string_view s, std::size_t pos) {
    const std::size_t limit = std::min(pos + 2, s.size());
    if (pos == limit) return true;  // the quote ends the line
    for (;;) {
        const std::size_t len = text::charLength(s, pos);
        if (pos + len > limit) return false;
        if (pos + len == limit) {
            const auto b = static_cast<unsigned char>(s[pos]);
            if (len == 1) return b >= 0x01 && b <= 0x7F;
            return len == 2 && b == 0xA1 && static_cast<unsigned char>(s[pos + 1]) == 0xA1;
        }
        pos += len;
    }
}

// halfWidthFrom applied to the line as the single quotes find it: every mark
// folded, the double quotes already alternated (the first one after `from`
// gets the opening mark when `doubleOpen`), the later single quotes still
// apostrophes. Only the first bytes of that text are built: the test reads
// two bytes and parses at most four from the second, so five bytes (or the
// rest of the line) decide it as the whole text would.
bool halfWidthAfter(std::string_view line, std::size_t from, bool doubleOpen) {
    char buf[12];
    std::size_t n = 0;
    for (std::size_t j = from; j < line.size() && n < 5;) {
        const std::size_t len = text::charLength(line, j);
        const char q = quoteAt(line, j, len);
        if (q == '"') {
            const std::string_view mark = doubleOpen ? kOpenDouble : kCloseDouble;
            std::memcpy(buf + n, mark.data(), 2);
            n += 2;
            doubleOpen = !doubleOpen;
        } else if (q == '\'') {
            buf[n++] = '\'';
        } else {
            std::memcpy(buf + n, line.data() + j, len);
            n += len;
        }
        j += len;
    }
    return halfWidthFrom(std::string_view(buf, n), 0);
}

}  // namespace

const std::string& apostrophePlaceholder() {
    static const std::string s = text::gb("$#单引号#$");
    return s;
}

std::string correctQuotes(std::string_view line, QuoteState& state) {
    std::string out, work;
    correctQuotesInto(line, state, out, work);
    return out;
}

void correctQuotesInto(std::string_view line, QuoteState& state, std::string& out, std::string& work) {
    (void)work;
    if (!correctQuotesIfAny(line, state, out)) out.assign(line);
}

// One pass from left to right does what three did: folding the marks to
// ASCII, alternating the double quotes, deciding the single ones. It equals
// them because each decision reads only what those passes would show it:
// the written text (earlier quotes done, as in the single-quote pass) and
// the few bytes after the quote as folding and the double-quote pass leave
// them (halfWidthAfter builds those). A kept apostrophe is written as the
// placeholder only when the line holds a "$" of its own; without one, the
// placeholders would all be the ones written here and all come out as "'",
// and both end in a half-width byte that no character contains, so the
// tests in front of later quotes see the same.
bool correctQuotesIfAny(std::string_view line, QuoteState& state, std::string& out) {
    if (state.nextDoubleQuote.empty()) state.nextDoubleQuote = kOpenDouble;
    if (state.nextSingleQuote.empty()) state.nextSingleQuote = kOpenSingle;
    if (!mayChange(line)) return false;

    const bool typedDollar = line.find('$') != std::string_view::npos;
    const std::string& placeholder = apostrophePlaceholder();
    const std::string_view kept = typedDollar ? std::string_view(placeholder) : std::string_view("'");
    bool doubleOpen = state.nextDoubleQuote == kOpenDouble;
    bool singleOpen = state.nextSingleQuote == kOpenSingle;
    bool sawDouble = false, sawSingle = false;
    LineBuilder b(std::move(out), line.size() + line.size() / 2);
    std::size_t copied = 0;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t len = text::charLength(line, i);
        const char q = quoteAt(line, i, len);
        if (!q) {
            i += len;
            continue;
        }
        b.append(line.substr(copied, i - copied));
        if (q == '"') {
            b.append(doubleOpen ? kOpenDouble : kCloseDouble);
            doubleOpen = !doubleOpen;
            sawDouble = true;
        } else {
            // An opening mark is due when Chinese text stands on either
            // side, a closing mark only when Chinese text follows.
            const bool halfAfter = halfWidthAfter(line, i + len, doubleOpen);
            const bool convert = singleOpen ? (!halfAfter || !b.endsHalfWidth()) : !halfAfter;
            if (convert) {
                b.append(singleOpen ? kOpenSingle : kCloseSingle);
                singleOpen = !singleOpen;
            } else {
                b.append(kept);
            }
            sawSingle = true;
        }
        i += len;
        copied = i;
    }
    b.append(line.substr(copied));
    out = b.take();
    if (sawDouble) state.nextDoubleQuote = doubleOpen ? kOpenDouble : kCloseDouble;
    if (sawSingle) state.nextSingleQuote = singleOpen ? kOpenSingle : kCloseSingle;
    // Placeholders, the ones put in above and any the line held, become
    // apostrophes in one pass over the finished line.
    if (typedDollar) text::replaceAllInPlace(out, placeholder, "'");
    return true;
}

}  // namespace folvane::corrections

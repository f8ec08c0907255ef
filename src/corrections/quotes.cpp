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

// True for the bytes of a run in which every pair of bytes from the run's
// start is one character: 0x81-0xFE, each a lead byte and a valid second
// byte at once.
bool inPairRun(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// Finds the quotation marks of a line from left to right without walking
// over its characters. Candidates are the bytes '"' and '\'' (which no
// character contains) and the byte pairs of the marks. Such a pair lies
// inside a run of bytes 0x81-0xFE, and the byte before the run ends a
// character: 0x80, 0xFF and the bytes below 0x80 other than the digits
// 0x30-0x39 always do, and a digit could only be the second byte of a
// four-byte character if the byte after the next one were a digit too, but
// that byte is in the run. From that boundary the run parses as pairs, so
// the mark starts a character exactly when it lies an even number of bytes
// into the run.
class QuoteFinder {
public:
    explicit QuoteFinder(std::string_view s) : s_(s) {}

    // The next quote at or after `from` (a boundary, not decreasing from
    // call to call): its position, and in `len`, `q` its length and its
    // folded form. Returns npos when there is none.
    std::size_t next(std::size_t from, std::size_t& len, char& q) {
        for (std::size_t c = candidate(from); c != std::string_view::npos; c = candidate(c + 1)) {
            const auto b = static_cast<unsigned char>(s_[c]);
            if (b == '"' || b == '\'') {
                len = 1;
                q = static_cast<char>(b);
                return c;
            }
            q = foldedQuote(b, static_cast<unsigned char>(s_[c + 1]));
            if (startsCharacter(c)) {
                len = 2;
                return c;
            }
        }
        return std::string_view::npos;
    }

private:
    // Next position at or after `from` of a byte '"' or '\'', or of a byte
    // pair that is a mark (wherever it starts).
    std::size_t candidate(std::size_t from) const {
        const char* d = s_.data();
        const std::size_t n = s_.size();
#ifdef __SSE2__
        if (n >= 17) {
            std::size_t i = from;
            for (; i + 17 <= n; i += 16)
                if (const unsigned mask = hitsAt(i)) return i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (i >= n) return std::string_view::npos;
            // The last positions: a block that ends with the text, without
            // the positions before `i`, then the last byte, which can only
            // be an ASCII quote.
            const std::size_t last = n - 17;
            if (const unsigned mask = hitsAt(last) & ~((1u << (i - last)) - 1))
                return last + static_cast<std::size_t>(__builtin_ctz(mask));
            const auto b = static_cast<unsigned char>(d[n - 1]);
            return b == '"' || b == '\'' ? n - 1 : std::string_view::npos;
        }
#endif
        for (std::size_t i = from; i < n; ++i) {
            const auto b = static_cast<unsigned char>(d[i]);
            if (b == '"' || b == '\'') return i;
            if (i + 1 < n && foldedQuote(b, static_cast<unsigned char>(d[i + 1]))) return i;
        }
        return std::string_view::npos;
    }

#ifdef __SSE2__
    // Bit k set when position i + k is a candidate; reads 17 bytes from `i`.
    unsigned hitsAt(std::size_t i) const {
        // The second bytes of "“”" and "‘’" differ in their lowest bit only.
        const char* d = s_.data() + i;
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 1));
        const __m128i y2 = _mm_and_si128(y, _mm_set1_epi8(static_cast<char>(0xFE)));
        const __m128i ascii = _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('"')),
                                           _mm_cmpeq_epi8(x, _mm_set1_epi8('\'')));
        const __m128i curly =
            _mm_and_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(static_cast<char>(0xA1))),
                          _mm_or_si128(_mm_cmpeq_epi8(y2, _mm_set1_epi8(static_cast<char>(0xB0))),
                                       _mm_cmpeq_epi8(y2, _mm_set1_epi8(static_cast<char>(0xAE)))));
        const __m128i wide =
            _mm_and_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(static_cast<char>(0xA3))),
                          _mm_or_si128(_mm_cmpeq_epi8(y, _mm_set1_epi8(static_cast<char>(0xA2))),
                                       _mm_cmpeq_epi8(y, _mm_set1_epi8(static_cast<char>(0xA7)))));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(ascii, _mm_or_si128(curly, wide))));
    }
#endif

    // Whether the byte pair at `c`, both bytes in 0x81-0xFE, starts a
    // character. The run's start is looked for from where the previous
    // call stopped, so all calls together read each byte once.
    bool startsCharacter(std::size_t c) {
        std::size_t j = scanned_;
#ifdef __SSE2__
        // As signed bytes the run is -127..-2.
        const __m128i below = _mm_set1_epi8(-128), above = _mm_set1_epi8(-1);
        const auto outsideAt = [&](std::size_t k) {  // bit i: byte k + i is outside the run
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s_.data() + k));
            const __m128i inRun = _mm_and_si128(_mm_cmpgt_epi8(x, below), _mm_cmpgt_epi8(above, x));
            return static_cast<unsigned>(~_mm_movemask_epi8(inRun)) & 0xFFFFu;
        };
        for (; j + 16 <= c; j += 16)
            if (const unsigned outside = outsideAt(j))
                runStart_ = j + static_cast<std::size_t>(32 - __builtin_clz(outside));
        if (j < c && c >= 16) {
            // The rest in a block that ends at `c`, without the bytes before j.
            const std::size_t k = c - 16;
            if (const unsigned outside = outsideAt(k) & ~((1u << (j - k)) - 1))
                runStart_ = k + static_cast<std::size_t>(32 - __builtin_clz(outside));
            j = c;
        }
#endif
        for (; j < c; ++j)
            if (!inPairRun(static_cast<unsigned char>(s_[j]))) runStart_ = j + 1;
        scanned_ = c;
        return (c - runStart_) % 2 == 0;
    }

    std::string_view s_;
    std::size_t scanned_ = 0;   // the bytes before it have been looked at
    std::size_t runStart_ = 0;  // a boundary; bytes from it to scanned_ are in a run
};

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
    bool afterLoneLead = false;
    for (std::size_t j = from; j < line.size() && n < 5;) {
        const std::size_t len = text::charLength(line, j);
        const char q = quoteAt(line, j, len);
        if (q == '"' && afterLoneLead && len == 1) {
            buf[n++] = '"';
            doubleOpen = !doubleOpen;
        } else if (q == '"') {
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
        afterLoneLead = len == 1 && text::isLeadByte(static_cast<unsigned char>(line[j]));
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
    std::string out;
    if (!correctQuotesIfAny(line, state, out)) out.assign(line);
    return out;
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
    const bool typedDollar = line.find('$') != std::string_view::npos;
    const std::string& placeholder = apostrophePlaceholder();
    QuoteFinder finder(line);
    std::size_t len = 0;
    char q = 0;
    std::size_t i = finder.next(0, len, q);
    if (i == std::string_view::npos) {
        if (!typedDollar) return false;
        out.assign(line);
        text::replaceAllInPlace(out, placeholder, "'");
        return true;
    }

    const std::string_view kept = typedDollar ? std::string_view(placeholder) : std::string_view("'");
    bool doubleOpen = state.nextDoubleQuote == kOpenDouble;
    bool singleOpen = state.nextSingleQuote == kOpenSingle;
    bool sawDouble = false, sawSingle = false;
    LineBuilder b(std::move(out), line.size() + line.size() / 2);
    std::size_t copied = 0;
    for (; i != std::string_view::npos; i = finder.next(copied, len, q)) {
        b.append(line.substr(copied, i - copied));
        // Right after a lead byte standing alone an ASCII quote stays (it
        // still counts in the alternation): a mark would join that byte.
        const bool afterLoneLead = len == 1 && b.endsInLoneLead();
        if (q == '"') {
            b.append(afterLoneLead ? std::string_view("\"") : doubleOpen ? kOpenDouble : kCloseDouble);
            doubleOpen = !doubleOpen;
            sawDouble = true;
        } else {
            // An opening mark is due when Chinese text stands on either
            // side, a closing mark only when Chinese text follows.
            const bool halfAfter = halfWidthAfter(line, i + len, doubleOpen);
            const bool convert =
                !afterLoneLead && (singleOpen ? (!halfAfter || !b.endsHalfWidth()) : !halfAfter);
            if (convert) {
                b.append(singleOpen ? kOpenSingle : kCloseSingle);
                singleOpen = !singleOpen;
            } else {
                b.append(kept);
            }
            sawSingle = true;
        }
        copied = i + len;
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

#include "corrections/quotes.h"

#include <algorithm>
#include <utility>

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

// Every quotation mark folded to ASCII, into `out`. Each of them is a whole
// two-byte character replaced by a byte that stands alone, so the
// characters around it keep their boundaries and one pass does what six
// replace-alls would.
void foldQuotesInto(std::string_view s, std::string& out) {
    // Every mark to fold starts with A1 or A3; a line without such a pair
    // of bytes needs no walk over its characters.
    auto mayHold = [&](char lead) {
        for (std::size_t i = s.find(lead); i != std::string_view::npos && i + 1 < s.size(); i = s.find(lead, i + 1))
            if (foldedQuote(static_cast<unsigned char>(lead), static_cast<unsigned char>(s[i + 1]))) return true;
        return false;
    };
    if (!mayHold('\xA1') && !mayHold('\xA3')) {
        out.assign(s);
        return;
    }
    out.clear();
    out.reserve(s.size());
    std::size_t copied = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = text::charLength(s, i);
        const char q = len == 2 ? foldedQuote(static_cast<unsigned char>(s[i]),
                                              static_cast<unsigned char>(s[i + 1]))
                                : 0;
        if (q) {
            out.append(s, copied, i - copied);
            out += q;
            copied = i + len;
        }
        i += len;
    }
    out.append(s, copied, std::string_view::npos);
}

// Whether the text up to and including the second byte after the quote at
// `q` ends in a half-width character (true when the line ends first). A
// character cut by that limit counts as not half-width. The quote stands
// alone, so the characters after it parse the same in every version of the
// line the correction goes through.
bool halfWidthAfter(std::string_view s, std::size_t q) {
    const std::size_t limit = std::min(q + 3, s.size());
    std::size_t pos = q + 1;
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

void correctQuotesInto(std::string_view line, QuoteState& state, std::string& s, std::string& work) {
    foldQuotesInto(line, s);
    if (state.nextDoubleQuote.empty()) state.nextDoubleQuote = kOpenDouble;
    if (state.nextSingleQuote.empty()) state.nextSingleQuote = kOpenSingle;

    // Double quotes alternate, whatever stands around them.
    if (s.find('"') != std::string::npos) {
        bool open = state.nextDoubleQuote == kOpenDouble;
        std::string& out = work;
        out.clear();
        out.reserve(s.size() + s.size() / 2);
        std::size_t copied = 0;
        for (std::size_t p = s.find('"'); p != std::string::npos; p = s.find('"', copied)) {
            out.append(s, copied, p - copied);
            out += open ? kOpenDouble : kCloseDouble;
            open = !open;
            copied = p + 1;
        }
        out.append(s, copied, std::string::npos);
        s.swap(out);
        state.nextDoubleQuote = open ? kOpenDouble : kCloseDouble;
    }

    // Single quotes: an opening mark is due when Chinese text stands on
    // either side, a closing mark only when Chinese text follows. The test
    // in front sees the earlier quotes already rewritten; the one behind
    // sees the later quotes still as apostrophes.
    const std::string& placeholder = apostrophePlaceholder();
    std::size_t p = s.find('\'');
    if (p != std::string::npos) {
        bool open = state.nextSingleQuote == kOpenSingle;
        LineBuilder out(std::move(work), s.size() + s.size() / 2);
        std::size_t copied = 0;
        for (; p != std::string::npos; p = s.find('\'', copied)) {
            out.append(std::string_view(s).substr(copied, p - copied));
            const bool convert = open ? (!out.endsHalfWidth() || !halfWidthAfter(s, p)) : !halfWidthAfter(s, p);
            if (convert) {
                out.append(open ? kOpenSingle : kCloseSingle);
                open = !open;
            } else {
                out.append(placeholder);
            }
            copied = p + 1;
        }
        out.append(std::string_view(s).substr(copied));
        work = std::exchange(s, out.take());
        state.nextSingleQuote = open ? kOpenSingle : kCloseSingle;
    }
    // Placeholders, the ones put in above and any the line held, become
    // apostrophes in one pass over the finished line.
    if (s.find('$') != std::string::npos) text::replaceAllInPlace(s, placeholder, "'");
}

}  // namespace folvane::corrections

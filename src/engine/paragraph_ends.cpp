#include "engine/paragraph_ends.h"

#include "corrections/protected_spans.h"
#include "corrections/spacing.h"
#include "engine/join_lines.h"
#include "text/codec.h"
#include "text/gb18030.h"
#include "text/release.h"
#include "text/search.h"
#include "text/spaces.h"

namespace folvane::engine {
namespace {

constexpr std::size_t kHeadingChars = 20;
constexpr std::size_t kChapterHeadingChars = 40;

bool isOneOf(std::string_view c, const std::string& set) {
    for (std::size_t i = 0; i < set.size(); i += text::charLength(set, i))
        if (set.compare(i, text::charLength(set, i), c) == 0) return true;
    return false;
}

// False when no protected stretch can reach the end of `line`, decided
// without finding the stretches: one that ends in a byte 80-FF (the end of
// a character that is no ASCII one) can only be a link (code ends in a
// backtick, an address and a ticker suffix in a letter), and a link starts
// with a scheme and "://" or with "www.".
bool mayEndInProtectedSpan(std::string_view line) {
    if (line.empty()) return false;
    if (static_cast<unsigned char>(line.back()) < 0x80 || line.find(':') != std::string_view::npos) return true;
    for (std::size_t p = line.find('.'); p != std::string_view::npos; p = line.find('.', p + 1)) {
        if (p >= 3 && (line[p - 3] | 0x20) == 'w' && (line[p - 2] | 0x20) == 'w' && (line[p - 1] | 0x20) == 'w')
            return true;
    }
    return false;
}

}  // namespace

bool isChapterHeading(std::string_view s) {
    static const std::string di = text::gb("第");
    static const std::string numerals = text::gb("零〇一二三四五六七八九十百千万两壹贰叁肆伍陆柒捌玖拾佰仟0123456789０１２３４５６７８９");
    static const std::string units = text::gb("章回节節卷部");
    if (!s.starts_with(di)) return false;
    std::size_t i = di.size(), digits = 0, chars = 1;
    while (i < s.size()) {
        const std::size_t len = text::charLength(s, i);
        if (!isOneOf(s.substr(i, len), numerals)) break;
        ++digits;
        i += len;
    }
    if (digits == 0 || i >= s.size() || !isOneOf(s.substr(i, text::charLength(s, i)), units)) return false;
    for (std::size_t k = di.size(); k < s.size(); k += text::charLength(s, k)) ++chars;
    return chars <= kChapterHeadingChars;
}

bool mayBeHeading(std::string_view s) {
    if (s.empty()) return false;
    std::size_t chars = 0, last = 0;
    for (std::size_t i = 0; i < s.size(); i += text::charLength(s, i)) {
        last = i;
        if (++chars > kHeadingChars) return false;
    }
    const std::size_t len = s.size() - last;
    const auto b = static_cast<unsigned char>(s[last]);
    if (len == 1) return (b >= '0' && b <= '9') || ((b | 0x20) >= 'a' && (b | 0x20) <= 'z');
    if (len == 2 && b == 0xA3) {  // full-width letters and digits
        const char half = static_cast<char>(static_cast<unsigned char>(s[last + 1]) - 0x80);
        return (half >= '0' && half <= '9') || ((half | 0x20) >= 'a' && (half | 0x20) <= 'z');
    }
    return corrections::isHanCharacter(s, last, len);
}

bool endsWithPause(std::string_view line) {
    static const std::string ellipsis = text::gb("…"), dashes = text::gb("——");
    return text::endsWithAligned(line, ellipsis) || text::endsWithAligned(line, dashes);
}

bool ExplicitParagraphEnds::at(std::string_view line, std::size_t number) {
    while (next_ < breaks_.size() && breaks_[next_] < number) ++next_;
    if (next_ < breaks_.size() && breaks_[next_] == number) return true;
    if (!afterPauses_ && !afterLinks_) return false;
    const std::string_view trimmed = text::trimSpaces(line);
    return (afterPauses_ && endsWithPause(trimmed)) ||
           (afterLinks_ && mayEndInProtectedSpan(trimmed) && corrections::endsInProtectedSpan(trimmed));
}

std::string markParagraphEnds(std::string&& owned, const std::vector<std::size_t>& breaks, bool afterPauses,
                              bool afterLinks) {
    ExplicitParagraphEnds ends(breaks, afterPauses, afterLinks);
    return markParagraphEnds(std::move(owned), ends);
}

std::string markParagraphEnds(std::string&& owned, ExplicitParagraphEnds& ends) {
    const std::string_view text = owned;
    std::string out;
    out.reserve(text.size() + 64);
    text::FrontReleaser done(owned);
    std::size_t start = 0, number = 0;
    for (std::size_t p = text::findAligned(text, "\r\n"); p != text::npos;
         p = text::findAligned(text, "\r\n", start), ++number) {
        done.consumed(start);
        const std::string_view line = text.substr(start, p - start);
        out += line;
        if (ends.at(line, number)) out += explicitEndMark();
        out += "\r\n";
        start = p + 2;
    }
    out += text.substr(start);
    return out;
}

}  // namespace folvane::engine

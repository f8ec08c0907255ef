#include "corrections/mixed_punctuation.h"

#include <cstring>
#include <vector>

#include "corrections/spacing.h"
#include "text/gb18030.h"
#include "text/search.h"

namespace folvane::corrections {
namespace {

constexpr std::string_view kEllipsis = "\xA1\xAD";  // …
constexpr std::string_view kEllipsis2 = "\xA1\xAD\xA1\xAD";
constexpr std::string_view kComma = "\xA3\xAC";  // ，

// The characters of a line with their starts, for looking at both sides of
// a mark. Rebuilt after each pass that changes lengths.
struct Chars {
    explicit Chars(std::string_view s) : text(s) {
        starts.reserve(s.size() + 1);
        text::forEachChar(s, [&](std::size_t pos, std::size_t) { starts.push_back(pos); });
        starts.push_back(s.size());
    }
    std::size_t count() const { return starts.size() - 1; }
    std::size_t len(std::size_t i) const { return starts[i + 1] - starts[i]; }
    bool chinese(std::size_t i) const { return i < count() && isChineseContext(text, starts[i], len(i)); }
    // False past the last character, so a look at a neighbour needs no bound.
    bool opaque(std::size_t i) const {
        return i < count() && len(i) == 1 && static_cast<unsigned char>(text[starts[i]]) >= 0x80;
    }
    bool isByte(std::size_t i, char c) const { return i < count() && len(i) == 1 && text[starts[i]] == c; }

    std::string_view text;
    std::vector<std::size_t> starts;
};

// The end of a Latin word or of what closes one: letters, digits, closing
// quotes and brackets, "%".
bool endsLatinText(unsigned char b) {
    return (b >= '0' && b <= '9') || ((b | 0x20) >= 'a' && (b | 0x20) <= 'z') || b == '"' || b == '\'' ||
           b == ')' || b == ']' || b == '%';
}
bool isPathSeparator(const Chars& chars, std::size_t i) {
    return i < chars.count() && (chars.isByte(i, '/') || chars.isByte(i, '\\'));
}

// Applies `replacement(i)` (nullopt-like: an empty view keeps the character)
// to every character; rebuilds `s`.
template <typename Choose>
void rewrite(std::string& s, Choose&& choose) {
    const Chars chars(s);
    std::string out;
    out.reserve(s.size() + s.size() / 2);
    bool changed = false;
    for (std::size_t i = 0; i < chars.count(); ++i) {
        const std::string_view own = chars.text.substr(chars.starts[i], chars.len(i));
        const std::string_view with = choose(chars, i, own);
        changed |= with.data() != own.data();
        out += with;
    }
    if (changed) s.swap(out);
}

// Step 6: ".." goes only where Chinese text stands beside it and no opaque
// byte before it would join what follows.
void deleteDoubleDots(std::string& s) {
    if (s.find("..") == std::string::npos) return;
    const Chars chars(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < chars.count();) {
        if (chars.isByte(i, '.') && i + 1 < chars.count() && chars.isByte(i + 1, '.')) {
            const bool before = i > 0 && chars.chinese(i - 1);
            const bool after = chars.chinese(i + 2);
            const bool path = (i > 0 && isPathSeparator(chars, i - 1)) || isPathSeparator(chars, i + 2);
            if ((before || after) && !path && !(i > 0 && chars.opaque(i - 1))) {
                i += 2;
                continue;
            }
            out += "..";
            i += 2;
            continue;
        }
        out.append(chars.text, chars.starts[i], chars.len(i));
        ++i;
    }
    s.swap(out);
}

// Steps 9 and 10: parentheses paired on the line convert together.
void convertParentheses(std::string& s) {
    if (s.find_first_of("()") == std::string::npos) return;
    const Chars chars(s);
    std::vector<char> convert(chars.count(), 0);
    std::vector<std::size_t> open;
    std::vector<std::size_t> lastChinese(chars.count() + 1, 0);  // count of Chinese characters before i
    for (std::size_t i = 0; i < chars.count(); ++i) lastChinese[i + 1] = lastChinese[i] + chars.chinese(i);
    auto neighbourChinese = [&](std::size_t i) { return (i > 0 && chars.chinese(i - 1)) || chars.chinese(i + 1); };
    for (std::size_t i = 0; i < chars.count(); ++i) {
        if (chars.isByte(i, '(')) {
            open.push_back(i);
        } else if (chars.isByte(i, ')')) {
            if (open.empty()) {
                convert[i] = neighbourChinese(i);
                continue;
            }
            const std::size_t o = open.back();
            open.pop_back();
            const bool holdsChinese = lastChinese[i] > lastChinese[o + 1];
            const bool follows = o > 0 && chars.chinese(o - 1);
            convert[o] = convert[i] = holdsChinese || follows;
        }
    }
    for (std::size_t o : open) convert[o] = neighbourChinese(o);
    rewrite(s, [&](const Chars& c, std::size_t i, std::string_view own) -> std::string_view {
        if (!convert[i] || (i > 0 && c.opaque(i - 1))) return own;
        return c.isByte(i, '(') ? std::string_view("\xA3\xA8") : std::string_view("\xA3\xA9");
    });
}

// Steps 12, 13 and 15 to 18 for one mark: converted after Chinese text, or
// after Latin text when Chinese text follows or the mark ends a line
// whose nearest non-ASCII character before it is Chinese. Each decision sees
// the marks converted before it, as the plain steps do. Latin text ends in
// a letter, a digit or what closes one (endsLatinText).
void convertMark(std::string& s, char mark, std::string_view wide) {
    if (s.find(mark) == std::string::npos) return;
    const Chars chars(s);
    std::string out;
    out.reserve(s.size() + s.size() / 2);
    // Whether the nearest non-ASCII character so far is Chinese, and what the
    // last character written is: Chinese, visible ASCII or anything else.
    bool clauseChinese = false;
    enum class Last { None, Chinese, Ascii, Other } last = Last::None;
    for (std::size_t i = 0; i < chars.count(); ++i) {
        const std::size_t len = chars.len(i);
        const auto b = static_cast<unsigned char>(chars.text[chars.starts[i]]);
        // A dot of "..", "./" or "a/." is part of a path and stays.
        const bool pathDot = mark == '.' && ((i > 0 && (chars.isByte(i - 1, '.') || isPathSeparator(chars, i - 1))) ||
                                             chars.isByte(i + 1, '.') || isPathSeparator(chars, i + 1));
        if (len == 1 && b == static_cast<unsigned char>(mark) && !pathDot) {
            bool convert = last == Last::Chinese;
            if (!convert && last == Last::Ascii) {
                std::size_t next = i + 1;
                while (next < chars.count() && chars.isByte(next, ' ')) ++next;
                convert = chars.chinese(i + 1) || (next == chars.count() && clauseChinese);
            }
            if (convert) {
                out += wide;
                last = Last::Chinese;
                clauseChinese = true;
                continue;
            }
        }
        out.append(chars.text, chars.starts[i], len);
        if (len == 1 && b < 0x80) {
            last = endsLatinText(b) ? Last::Ascii : Last::Other;
        } else {
            const bool chinese = chars.chinese(i);
            last = chinese ? Last::Chinese : Last::Other;
            // A Chinese sentence ends at "。", "！" and "？": what follows
            // is a clause of its own.
            const std::string_view c = chars.text.substr(chars.starts[i], len);
            clauseChinese = chinese && c != "\xA1\xA3" && c != "\xA3\xA1" && c != "\xA3\xBF";
        }
    }
    s.swap(out);
}

void convertIsolatedPairs(std::string& s, char sign, std::string_view mark) {
    const std::size_t n = s.size();
    for (std::size_t p = s.find(sign); p != std::string::npos; p = s.find(sign, p)) {
        std::size_t end = p;
        while (end < n && s[end] == sign) ++end;
        if (end - p == 2) std::memcpy(s.data() + p, mark.data(), 2);
        p = end;
    }
}

}  // namespace

bool isChineseContext(std::string_view s, std::size_t pos, std::size_t len) {
    if (isHanCharacter(s, pos, len)) return true;
    if (len != 2) return false;
    const auto b0 = static_cast<unsigned char>(s[pos]);
    const auto b1 = static_cast<unsigned char>(s[pos + 1]);
    if (b1 < 0xA1) return false;  // rows A1-A3 hold their characters at A1-FE only
    if (b0 == 0xA1) return b1 != 0xA1;  // the full-width space is a space
    return b0 == 0xA2 || b0 == 0xA3;
}

namespace {

// The steps on a piece of a line that holds no opaque byte.
std::string correctPiece(std::string_view line) {
    std::string s(line);
    // Dots and ellipses, as the plain steps 1 to 8 but for ".." (step 6).
    text::replaceAllInPlace(s, "\xA3\xAE", ".");  // ．
    text::replaceAllInPlace(s, "......", kEllipsis2);
    text::replaceAllInPlace(s, "...", kEllipsis);
    text::replaceAllInPlace(s, "\xA1\xAD..", kEllipsis2);
    text::replaceAllInPlace(s, "\xA1\xAD.", kEllipsis);
    deleteDoubleDots(s);
    text::replaceAllInPlace(s, "\xA1\xA3\xA1\xA3", kEllipsis2);  // 。。
    text::replaceAllInPlace(s, "\xA1\xAD\xA1\xA3", kEllipsis);   // …。
    convertParentheses(s);
    text::replaceAllRepeat(s, "\xA1\xAD\xA1\xAD\xA1\xAD", kEllipsis2);
    convertMark(s, '.', "\xA1\xA3");  // 。
    convertMark(s, ',', kComma);
    text::replaceAllRepeat(s, "\xA3\xAC\xA3\xAC", kComma);
    convertMark(s, '?', "\xA3\xBF");  // ？
    convertMark(s, '!', "\xA3\xA1");  // ！
    convertMark(s, ':', "\xA3\xBA");  // ：
    convertMark(s, ';', "\xA3\xBB");  // ；
    convertIsolatedPairs(s, '<', "\xA1\xB6");  // 《
    convertIsolatedPairs(s, '>', "\xA1\xB7");  // 》
    return s;
}

}  // namespace

std::string correctMixedPunctuation(std::string_view line) {
    bool opaque = false;
    text::forEachChar(line, [&](std::size_t pos, std::size_t len) {
        opaque |= len == 1 && static_cast<unsigned char>(line[pos]) >= 0x80;
    });
    if (!opaque) return correctPiece(line);
    // A line with opaque bytes is corrected piece by piece between them, and
    // a piece whose corrected form would join the opaque byte before it
    // stays as it was (as it stood, it did not join).
    std::string out;
    out.reserve(line.size() + line.size() / 2);
    std::size_t start = 0, lastOpaque = std::string::npos;
    auto flush = [&](std::size_t end) {
        const std::string_view piece = line.substr(start, end - start);
        std::string fixed = correctPiece(piece);
        if (lastOpaque != std::string::npos && text::joinsOpaqueByte(out, lastOpaque, fixed, line.substr(end)))
            fixed.assign(piece);
        out += fixed;
    };
    text::forEachChar(line, [&](std::size_t pos, std::size_t len) {
        if (len != 1 || static_cast<unsigned char>(line[pos]) < 0x80) return;
        flush(pos);
        lastOpaque = out.size();
        out += line[pos];
        start = pos + 1;
    });
    flush(line.size());
    return out;
}

}  // namespace folvane::corrections

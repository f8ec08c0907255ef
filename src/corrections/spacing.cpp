#include "corrections/spacing.h"

#include "corrections/protected_spans.h"
#include "text/gb18030.h"

namespace folvane::corrections {
namespace {

bool isAsciiAlnum(unsigned char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }

// Linear index of a four-byte GB18030 code.
unsigned long fourByteIndex(std::string_view s, std::size_t pos) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned long>(static_cast<unsigned char>(s[pos + k])); };
    return (((b(0) - 0x81) * 10 + (b(1) - 0x30)) * 126 + (b(2) - 0x81)) * 10 + (b(3) - 0x30);
}

enum class Kind { Han, Latin, Other };

bool isUnitSign(std::string_view s, std::size_t pos, std::size_t len) {
    if (len == 1) return s[pos] == '%';
    return len == 2 && s.compare(pos, 2, "\xA1\xE3") == 0;  // "°"
}

Kind kindAt(std::string_view s, std::size_t pos, std::size_t len) {
    if (len == 1) return isAsciiAlnum(static_cast<unsigned char>(s[pos])) ? Kind::Latin : Kind::Other;
    return isHanCharacter(s, pos, len) ? Kind::Han : Kind::Other;
}

}  // namespace

bool isHanCharacter(std::string_view s, std::size_t pos, std::size_t len) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (len == 2) {
        const auto b1 = static_cast<unsigned char>(s[pos + 1]);
        if (b1 == 0x7F) return false;
        if (b0 >= 0x81 && b0 <= 0xA0) return true;  // GBK/3
        if (b0 >= 0xB0 && b0 <= 0xF7) return true;  // GB2312's ideographs and GBK/4
        if (b0 >= 0xAA && b0 <= 0xFE) return b1 <= 0xA0;  // GBK/4
        return false;
    }
    if (len == 4) {
        const unsigned long index = fourByteIndex(s, pos);
        // Extension A (U+3400-U+4DBF, those outside GBK).
        if (b0 <= 0x84) return index >= 12439 && index <= 18978;
        // U+20000-U+3FFFF: the ideographs of the supplementary planes.
        if (b0 < 0x90) return false;
        const unsigned long codePoint = 0x10000 + (index - 189000);  // 0x90308130 is U+10000
        return codePoint >= 0x20000 && codePoint <= 0x3FFFF;
    }
    return false;
}

std::string spaceHanLatin(std::string_view line) {
    const std::vector<Span> spans = protectedSpans(line);
    std::string out;
    out.reserve(line.size() + line.size() / 8);
    std::size_t span = 0;
    Kind prev = Kind::Other;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t len = text::charLength(line, i);
        while (span < spans.size() && spans[span].end <= i) ++span;
        const bool inside = span < spans.size() && spans[span].start < i;
        Kind kind = kindAt(line, i, len);
        // "%" and "°" after a number belong to it: "50%以上" gives "50% 以上".
        if (prev == Kind::Latin && isUnitSign(line, i, len)) kind = Kind::Latin;
        if (!inside && ((prev == Kind::Han && kind == Kind::Latin) || (prev == Kind::Latin && kind == Kind::Han)))
            out += ' ';
        out.append(line, i, len);
        prev = kind;
        i += len;
    }
    return out;
}

}  // namespace folvane::corrections

#include "text/width.h"

#include "text/gb18030.h"

namespace folvane::text {
namespace {

// GB18030 has U+FF01-U+FF5E at A3A1-A3FE, except U+FF04 ("＄", at A1E7) and
// U+FF5E ("～", at A1AB): GBK puts the yen sign and the overline at A3A4 and
// A3FE instead.
constexpr unsigned char kDollarB0 = 0xA1, kDollarB1 = 0xE7;
constexpr unsigned char kTildeB0 = 0xA1, kTildeB1 = 0xAB;

void appendFullWidth(std::string& out, char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u == ' ') {
        out += "\xA1\xA1";
    } else if (u == '$') {
        out += static_cast<char>(kDollarB0);
        out += static_cast<char>(kDollarB1);
    } else if (u == '~') {
        out += static_cast<char>(kTildeB0);
        out += static_cast<char>(kTildeB1);
    } else {
        out += static_cast<char>(0xA3);
        out += static_cast<char>(0xA1 + (u - 0x21));
    }
}

}  // namespace

char halfWidthOf(unsigned char b0, unsigned char b1) noexcept {
    if (b0 == 0xA3 && b1 >= 0xA1 && b1 <= 0xFE) {
        if (b1 == 0xA4 || b1 == 0xFE) return 0;  // yen sign, overline
        return static_cast<char>(0x21 + (b1 - 0xA1));
    }
    if (b0 == 0xA1) {
        if (b1 == 0xA1) return ' ';
        if (b1 == kDollarB1) return '$';
        if (b1 == kTildeB1) return '~';
    }
    return 0;
}

std::string toHalfWidth(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = charLength(s, i);
        if (len == 2) {
            const auto b0 = static_cast<unsigned char>(s[i]);
            const auto b1 = static_cast<unsigned char>(s[i + 1]);
            char h = halfWidthOf(b0, b1);
            if (!h && b0 == 0xA1) {
                switch (b1) {
                    case 0xA3: h = '.'; break;                // 。
                    case 0xAA: h = '-'; break;                // —
                    case 0xB0: case 0xB1: h = '"'; break;     // “ ”
                    case 0xAE: case 0xAF: h = '\''; break;    // ‘ ’
                    default: break;
                }
            }
            if (h) {
                out += h;
                i += 2;
                continue;
            }
        }
        out.append(s, i, len);
        i += len;
    }
    return out;
}

std::string toFullWidth(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = charLength(s, i);
        const auto u = static_cast<unsigned char>(s[i]);
        if (len == 1 && u >= 0x20 && u <= 0x7E) appendFullWidth(out, s[i]);
        else out.append(s, i, len);
        i += len;
    }
    return out;
}

}  // namespace folvane::text

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
    toHalfWidthInto(s, out);
    return out;
}

std::string toFullWidth(std::string_view s) {
    std::string out;
    toFullWidthInto(s, out);
    return out;
}

void toHalfWidthInto(std::string_view s, std::string& out) {
    // Only two-byte characters led by A1 or A3 change; the bytes between
    // them are copied a run at a time.
    out.clear();
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t copied = 0;
    for (std::size_t i = 0; i < n;) {
        const unsigned char b0 = p[i];
        if (b0 < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = charLength(s, i);
        if (len == 2 && (b0 == 0xA1 || b0 == 0xA3)) {
            const unsigned char b1 = p[i + 1];
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
                out.append(s, copied, i - copied);
                out += h;
                i += 2;
                copied = i;
                continue;
            }
        }
        i += len;
    }
    out.append(s, copied);
}

void toFullWidthInto(std::string_view s, std::string& out) {
    // Only printable ASCII characters change; the bytes between them are
    // copied a run at a time.
    out.clear();
    out.reserve(s.size() * 2);
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t copied = 0;
    for (std::size_t i = 0; i < n;) {
        const unsigned char u = p[i];
        if (u >= 0x80) {
            i += charLength(s, i);
            continue;
        }
        if (u >= 0x20 && u <= 0x7E) {
            out.append(s, copied, i - copied);
            appendFullWidth(out, static_cast<char>(u));
            copied = i + 1;
        }
        ++i;
    }
    out.append(s, copied);
}

}  // namespace folvane::text

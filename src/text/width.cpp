#include "text/width.h"

#include <array>
#include <cstring>

#include "text/gb18030.h"

namespace folvane::text {
namespace {

// GB18030 has U+FF01-U+FF5E at A3A1-A3FE, except U+FF04 ("＄", at A1E7) and
// U+FF5E ("～", at A1AB): GBK puts the yen sign and the overline at A3A4 and
// A3FE instead.
constexpr unsigned char kDollarB1 = 0xE7;
constexpr unsigned char kTildeB1 = 0xAB;

// The two bytes of the full-width form of each character 0x20-0x7E.
struct FullForm {
    char b0, b1;
};
constexpr std::array<FullForm, 0x7F> kFullForms = [] {
    std::array<FullForm, 0x7F> t{};
    for (unsigned char c = 0x20; c <= 0x7E; ++c) {
        const FullWidthForm f = fullWidthForm(c);
        t[c] = {static_cast<char>(f.b0), static_cast<char>(f.b1)};
    }
    return t;
}();

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

std::string toHalfThenFullWidth(std::string_view s) {
    std::string out;
    toHalfThenFullWidthInto(s, out);
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

namespace {

// Writes the full-width form of the ASCII byte `u` (itself when it is no
// printable character) at `o`; returns the position after it.
inline char* putFullWidth(char* o, unsigned char u) {
    if (u >= 0x20 && u <= 0x7E) {
        o[0] = kFullForms[u].b0;
        o[1] = kFullForms[u].b1;
        return o + 2;
    }
    *o = static_cast<char>(u);
    return o + 1;
}

// A lead byte standing alone is followed by no valid second byte, only by a
// byte below 0x40 (or 0x7F, 0xFF, a digit that makes no four-byte code). The
// full-width form of that byte would start with A1 or A3, a valid second
// byte: the two would read as one character, the opaque byte lost and the
// text after it shifted. So the byte after a lone lead byte stays as it is.
inline char* keepByte(char* o, unsigned char u) {
    *o = static_cast<char>(u);
    return o + 1;
}

}  // namespace

void toFullWidthInto(std::string_view s, std::string& out) {
    // Only printable ASCII characters change, each into two bytes; the
    // length is cut back at the end.
    out.clear();
    out.resize(s.size() * 2);
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    char* o = out.data();
    bool afterLoneLead = false;
    for (std::size_t i = 0; i < n;) {
        const unsigned char u = p[i];
        if (u < 0x80) {
            o = afterLoneLead ? keepByte(o, u) : putFullWidth(o, u);
            afterLoneLead = false;
            ++i;
            continue;
        }
        const std::size_t len = charLength(s, i);
        std::memcpy(o, p + i, len);
        o += len;
        afterLoneLead = len == 1 && isLeadByte(u);
        i += len;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
}

// Why one pass gives what the two give. The half-width step turns some
// two-byte characters into one byte 0x20-0x7E and leaves every other byte;
// the full-width step then reads its result character by character. It sees
// the characters of `s`, each turned one a single byte: the bytes before a
// turned character parse as they did, since a lead byte standing alone right
// before it would have taken its first byte (A1 or A3, a valid second byte)
// into one character with it, and a lead byte two or three bytes before it
// stays alone either way (a four-byte character needs a lead byte third and
// a digit fourth; the turned character gives neither before nor after). So:
//   - a character 0x20-0x7E of `s` becomes its full-width form, but right
//     after a lone lead byte, where both steps keep it;
//   - a character the first step turns into c becomes the full-width form of
//     c. For the full-width forms and the full-width space that is the
//     character itself (halfWidthOf reverses fullWidthForm); "。" becomes
//     "．", "—" "－", "“" and "”" "＂", "‘" and "’" "＇";
//   - every other character, whole bytes or opaque ones, is kept.
// Nothing else can change, so only those five A1 characters and ASCII need
// work here.
void toHalfThenFullWidthInto(std::string_view s, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    // At most two bytes out for each byte in; the length is cut back at the end.
    out.clear();
    out.resize(n * 2);
    char* o = out.data();
    bool afterLoneLead = false;
    for (std::size_t i = 0; i < n;) {
        const unsigned char b0 = p[i];
        if (b0 < 0x80) {
            o = afterLoneLead ? keepByte(o, b0) : putFullWidth(o, b0);
            afterLoneLead = false;
            ++i;
            continue;
        }
        const std::size_t len = charLength(s, i);
        afterLoneLead = len == 1 && isLeadByte(b0);
        if (len == 2) {
            unsigned char b1 = p[i + 1];
            unsigned char lead = b0;
            if (b0 == 0xA1) {
                switch (b1) {
                    case 0xA3: lead = 0xA3; b1 = 0xAE; break;              // 。 to ．
                    case 0xAA: lead = 0xA3; b1 = 0xAD; break;              // — to －
                    case 0xB0: case 0xB1: lead = 0xA3; b1 = 0xA2; break;   // “ ” to ＂
                    case 0xAE: case 0xAF: lead = 0xA3; b1 = 0xA7; break;   // ‘ ’ to ＇
                    default: break;
                }
            }
            o[0] = static_cast<char>(lead);
            o[1] = static_cast<char>(b1);
            o += 2;
        } else {
            std::memcpy(o, p + i, len);
            o += len;
        }
        i += len;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
}

}  // namespace folvane::text

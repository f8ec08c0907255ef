#include "cli/quoted_name.h"

#include "text/codec.h"

namespace folvane::cli {
namespace {

// The length of the UTF-8 character at `s[i]` (a byte of 0x80 or more),
// or 0 when the bytes there are no character.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (n == 1 || i + n > s.size() || !text::isValidUtf8(s.substr(i, n))) return 0;
    return n;
}

// U+0080 to U+009F: the C1 controls, "\xC2\x80" to "\xC2\x9F".
bool isC1Control(std::string_view s, std::size_t i, std::size_t n) {
    return n == 2 && static_cast<unsigned char>(s[i]) == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
}

bool plainAscii(unsigned char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; }

void appendOctal(std::string& out, unsigned char c) {
    out += '\\';
    out += static_cast<char>('0' + (c >> 6));
    out += static_cast<char>('0' + ((c >> 3) & 7));
    out += static_cast<char>('0' + (c & 7));
}

}  // namespace

bool nameNeedsQuotes(std::string_view name) {
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x80) {
            if (!plainAscii(c)) return true;
            ++i;
            continue;
        }
        const std::size_t n = utf8Length(name, i);
        if (n == 0 || isC1Control(name, i, n)) return true;
        i += n;
    }
    return false;
}

std::string quotedName(std::string_view name) {
    if (!nameNeedsQuotes(name)) return std::string(name);
    std::string out = "\"";
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x80) {
            const std::size_t n = utf8Length(name, i);
            if (n == 0 || isC1Control(name, i, n)) {
                // The bytes one by one: a stray byte alone, a C1 control whole.
                const std::size_t count = n == 0 ? 1 : n;
                for (std::size_t k = 0; k < count; ++k) appendOctal(out, static_cast<unsigned char>(name[i + k]));
                i += count;
            } else {
                out.append(name.substr(i, n));
                i += n;
            }
            continue;
        }
        switch (c) {
            case '\a': out += "\\a"; break;
            case '\b': out += "\\b"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\v': out += "\\v"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (plainAscii(c)) out += static_cast<char>(c);
                else appendOctal(out, c);
        }
        ++i;
    }
    return out + "\"";
}

}  // namespace folvane::cli

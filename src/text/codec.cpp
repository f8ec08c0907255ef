#include "text/codec.h"

#include <algorithm>
#include <array>
#include <vector>
#include <cstdint>
#include <cstring>

#include "text/iconv.h"
#include "text/search.h"

namespace folvane::text {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

std::optional<std::string> utf16ToGb18030(std::string_view bytes, const char* from,
                                          std::string* error) {
    if (bytes.size() % 2 != 0) {
        if (error) *error = "UTF-16 text with an odd number of bytes";
        return std::nullopt;
    }
    Iconv cv("UTF-8", from);
    std::string utf8;
    bool bad = false;
    std::size_t badAt = 0;
    cv.convert(bytes, utf8, [&](std::string_view, std::size_t pos, std::string&) {
        if (!bad) badAt = pos;
        bad = true;
        return std::size_t{2};
    });
    if (bad || !cv.ok()) {
        if (error) *error = "invalid UTF-16 at byte " + std::to_string(badAt);
        return std::nullopt;
    }
    return utf8ToGb18030(utf8);
}

}  // namespace

std::string_view encodingName(Encoding e) {
    switch (e) {
        case Encoding::Gb18030: return "GB18030";
        case Encoding::Utf8: return "UTF-8";
        case Encoding::Utf16LE: return "UTF-16LE";
        case Encoding::Utf16BE: return "UTF-16BE";
    }
    return "GB18030";
}

bool isValidUtf8(std::string_view s, std::size_t* badOffset) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        unsigned lo = 0x80, hi = 0xBF;  // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) lo = 0xA0;  // no overlong forms
            if (c == 0xED) hi = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
        } else {
            if (badOffset) *badOffset = i;
            return false;
        }
        if (i + len > n || p[i + 1] < lo || p[i + 1] > hi) {
            if (badOffset) *badOffset = i;
            return false;
        }
        for (std::size_t k = 2; k < len; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF) {
                if (badOffset) *badOffset = i;
                return false;
            }
        }
        i += len;
    }
    return true;
}

std::optional<std::string> utf8ToGb18030(std::string_view utf8, std::size_t* badOffset) {
    if (!isValidUtf8(utf8, badOffset)) return std::nullopt;
    Iconv cv("GB18030", "UTF-8");
    std::string out;
    bool bad = false;
    cv.convert(utf8, out, [&](std::string_view, std::size_t pos, std::string&) {
        if (!bad && badOffset) *badOffset = pos;
        bad = true;
        return std::size_t{1};
    });
    if (bad || !cv.ok()) return std::nullopt;
    return out;
}

std::string gb18030ToUtf8(std::string_view gb) {
    Iconv cv("UTF-8", "GB18030");
    std::string out;
    if (!cv.ok()) return std::string(gb);
    cv.convert(gb, out, [](std::string_view in, std::size_t pos, std::string& o) {
        o.push_back(in[pos]);
        return std::size_t{1};
    });
    return out;
}

std::u16string gb18030ToUtf16(std::string_view gb) {
    Iconv cv("UTF-16LE", "GB18030");
    std::string bytes;
    cv.convert(gb, bytes, [](std::string_view in, std::size_t pos, std::string& o) {
        const auto b = static_cast<unsigned char>(in[pos]);
        o.push_back(static_cast<char>(b));  // U+DC00 + b, little-endian
        o.push_back(static_cast<char>(0xDC));
        return std::size_t{1};
    });
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return out;
}

namespace {

// The GB18030 form of every code point of the Basic Multilingual Plane,
// asked of iconv once: an editor's text is encoded after every keystroke,
// and a table lookup per character keeps that cheap for long texts.
class BmpEncoder {
public:
    BmpEncoder() {
        Iconv cv("GB18030", "UTF-16LE");
        for (std::uint32_t cp = 0; cp < 0x10000; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF) continue;  // surrogates are no characters
            const char in[2] = {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8)};
            std::string out;
            bool bad = false;
            cv.convert(std::string_view(in, 2), out, [&](std::string_view, std::size_t, std::string&) {
                bad = true;
                return std::size_t{2};
            });
            if (bad || out.empty() || out.size() > 4) continue;
            length_[cp] = static_cast<std::uint8_t>(out.size());
            std::memcpy(&bytes_[cp], out.data(), out.size());
        }
        // A few two-byte codes stand for characters above the BMP; those
        // characters are written with them rather than with the four-byte
        // code of their plane.
        Iconv dec("UTF-32LE", "GB18030");
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) continue;
                const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                std::string cp;
                dec.convert(std::string_view(code, 2), cp, [](std::string_view, std::size_t, std::string&) {
                    return std::size_t{2};
                });
                if (cp.size() != 4) continue;
                std::uint32_t v;
                std::memcpy(&v, cp.data(), 4);
                if (v > 0xFFFF) twoByteAbove_.push_back({v, std::string(code, 2)});
            }
        }
        std::sort(twoByteAbove_.begin(), twoByteAbove_.end());
    }

    // The two-byte code of a character above the BMP, or nullptr.
    const std::string* twoByteCode(std::uint32_t cp) const {
        const auto it = std::lower_bound(twoByteAbove_.begin(), twoByteAbove_.end(),
                                         std::pair<std::uint32_t, std::string>{cp, {}});
        return it != twoByteAbove_.end() && it->first == cp ? &it->second : nullptr;
    }

    // Appends the form of `cp`; false when it has none.
    bool append(char16_t cp, std::string& out) const {
        const std::uint8_t n = length_[cp];
        if (!n) return false;
        out.append(reinterpret_cast<const char*>(&bytes_[cp]), n);
        return true;
    }

private:
    std::array<std::uint32_t, 0x10000> bytes_{};
    std::array<std::uint8_t, 0x10000> length_{};
    std::vector<std::pair<std::uint32_t, std::string>> twoByteAbove_;
};

const BmpEncoder& bmpEncoder() {
    static const BmpEncoder encoder;
    return encoder;
}

// GB18030 gives the planes above the BMP four-byte codes in order from
// 90 30 81 30 on.
void appendSupplementary(std::uint32_t cp, std::string& out) {
    std::uint32_t n = cp - 0x10000;
    const char b4 = static_cast<char>(0x30 + n % 10);
    n /= 10;
    const char b3 = static_cast<char>(0x81 + n % 126);
    n /= 126;
    const char b2 = static_cast<char>(0x30 + n % 10);
    n /= 10;
    out += static_cast<char>(0x90 + n);
    out += b2;
    out += b3;
    out += b4;
}

constexpr std::string_view kReplacementCharacter = "\x84\x31\xA4\x37";  // U+FFFD

}  // namespace

std::string gb18030FromUtf16(std::u16string_view utf16, bool editorLineBreaks) {
    const BmpEncoder& bmp = bmpEncoder();
    std::string out;
    out.reserve(utf16.size() * 2 + utf16.size() / 16);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t u = utf16[i];
        if (editorLineBreaks && (u == u'\n' || u == 0x2029 || (u == u'\r' && i + 1 < utf16.size() && utf16[i + 1] == u'\n'))) {
            if (u == u'\r') ++i;
            out += "\r\n";
            continue;
        }
        if (u < 0x80) {
            out += static_cast<char>(u);
            continue;
        }
        const bool high = u >= 0xD800 && u <= 0xDBFF;
        const bool low = u >= 0xDC00 && u <= 0xDFFF;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            const char16_t lowPart = utf16[++i];
            const std::uint32_t cp = 0x10000 + ((std::uint32_t(u) - 0xD800) << 10) + (lowPart - 0xDC00);
            if (const std::string* code = bmp.twoByteCode(cp)) out += *code;
            else appendSupplementary(cp, out);
        } else if (low && u <= 0xDCFF) {
            out.push_back(static_cast<char>(u & 0xFF));  // an escaped byte
        } else if (high || low || !bmp.append(u, out)) {
            out += kReplacementCharacter;
        }
    }
    return out;
}

std::string gb(std::string_view utf8Literal) {
    auto r = utf8ToGb18030(utf8Literal);
    return r ? std::move(*r) : std::string(utf8Literal);
}

std::string lfToCrLf(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 16);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) out.push_back('\r');
        out.push_back(s[i]);
    }
    return out;
}

std::string crLfToLf(std::string_view s) { return replaceAll(s, "\r\n", "\n"); }

bool mostlyLfOnly(std::string_view s) {
    std::size_t lone = 0, pairs = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\n') continue;
        if (i > 0 && s[i - 1] == '\r') ++pairs;
        else ++lone;
    }
    return lone > pairs;
}

std::optional<DecodedText> decodeText(std::string_view bytes, EncodingChoice choice,
                                      std::string* error) {
    DecodedText d;
    if (choice == EncodingChoice::Gb18030) {
        d.text.assign(bytes);
        return d;
    }
    std::string_view body = bytes;
    Encoding enc = Encoding::Utf8;
    if (body.starts_with(kUtf8Bom)) {
        body.remove_prefix(kUtf8Bom.size());
        d.format.bom = true;
    } else if (choice == EncodingChoice::Auto && body.starts_with(kUtf16LeBom)) {
        body.remove_prefix(2);
        d.format.bom = true;
        enc = Encoding::Utf16LE;
    } else if (choice == EncodingChoice::Auto && body.starts_with(kUtf16BeBom)) {
        body.remove_prefix(2);
        d.format.bom = true;
        enc = Encoding::Utf16BE;
    } else if (choice == EncodingChoice::Auto && !isValidUtf8(body)) {
        enc = Encoding::Gb18030;
    }
    d.format.encoding = enc;

    std::optional<std::string> text;
    switch (enc) {
        case Encoding::Gb18030: text.emplace(body); break;
        case Encoding::Utf8: {
            std::size_t bad = 0;
            text = utf8ToGb18030(body, &bad);
            if (!text && error) *error = "not valid UTF-8 at byte " + std::to_string(bad + (d.format.bom ? 3 : 0));
            break;
        }
        case Encoding::Utf16LE: text = utf16ToGb18030(body, "UTF-16LE", error); break;
        case Encoding::Utf16BE: text = utf16ToGb18030(body, "UTF-16BE", error); break;
    }
    if (!text) return std::nullopt;
    // Unicode text without any line break of its own is written back with
    // "\n", the usual break of such files here.
    const bool noBreaks = enc != Encoding::Gb18030 && text->find('\n') == std::string::npos;
    if (noBreaks || mostlyLfOnly(*text)) {
        d.format.lfOnly = true;
        d.text = lfToCrLf(*text);
    } else {
        d.text = std::move(*text);
    }
    return d;
}

std::string encodeText(std::string_view text, const TextFormat& format) {
    std::string body = format.lfOnly ? crLfToLf(text) : std::string(text);
    switch (format.encoding) {
        case Encoding::Gb18030: return body;
        case Encoding::Utf8: {
            std::string out(format.bom ? kUtf8Bom : std::string_view{});
            out += gb18030ToUtf8(body);
            return out;
        }
        case Encoding::Utf16LE:
        case Encoding::Utf16BE: {
            const bool le = format.encoding == Encoding::Utf16LE;
            std::string out(format.bom ? (le ? kUtf16LeBom : kUtf16BeBom) : std::string_view{});
            Iconv cv(le ? "UTF-16LE" : "UTF-16BE", "GB18030");
            // A byte that is no character has no UTF-16 form: it becomes U+FFFD.
            cv.convert(body, out, [le](std::string_view, std::size_t, std::string& o) {
                o += le ? std::string_view("\xFD\xFF") : std::string_view("\xFF\xFD");
                return std::size_t{1};
            });
            return out;
        }
    }
    return body;
}

}  // namespace folvane::text

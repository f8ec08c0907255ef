#include "text/codec.h"

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

std::string gb18030FromUtf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 2);
    Iconv cv("GB18030", "UTF-16LE");
    std::string run;  // UTF-16LE bytes of the valid stretch being collected
    auto flush = [&] {
        if (run.empty()) return;
        cv.convert(run, out, [](std::string_view, std::size_t, std::string& o) {
            o += "\x84\x31\xA4\x37";  // U+FFFD
            return std::size_t{2};
        });
        run.clear();
    };
    auto put = [&](char16_t u) {
        run.push_back(static_cast<char>(u & 0xFF));
        run.push_back(static_cast<char>(u >> 8));
    };
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t u = utf16[i];
        const bool high = u >= 0xD800 && u <= 0xDBFF;
        const bool low = u >= 0xDC00 && u <= 0xDFFF;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            put(u);
            put(utf16[++i]);
        } else if (low && u <= 0xDCFF) {
            flush();
            out.push_back(static_cast<char>(u & 0xFF));  // an escaped byte
        } else if (high || low) {
            put(0xFFFD);
        } else {
            put(u);
        }
    }
    flush();
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

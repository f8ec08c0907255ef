#include "text/codec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "text/gb18030.h"
#include "text/iconv.h"
#include "text/release.h"
#include "text/search.h"

namespace folvane::text {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// From this length on, texts are converted by tables rather than by iconv
// (which costs tens of nanoseconds a character); the tables pay off once
// they are built.
constexpr std::size_t kLongText = 64 * 1024;
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

// Private-use characters that the old GB18030 table gave two-byte codes
// which now stand for standard characters. The current table gives each
// the four-byte code its standard character had before; iconv here knows
// neither direction, so the codec carries these 24 pairs itself.
struct FreedCode {
    char32_t privateUse;
    char bytes[4];
};
constexpr FreedCode kFreedCodes[] = {
    {0xE78D, {'\x84', '\x31', '\x82', '\x36'}}, {0xE78E, {'\x84', '\x31', '\x82', '\x38'}},
    {0xE78F, {'\x84', '\x31', '\x82', '\x37'}}, {0xE790, {'\x84', '\x31', '\x82', '\x39'}},
    {0xE791, {'\x84', '\x31', '\x83', '\x30'}}, {0xE792, {'\x84', '\x31', '\x83', '\x31'}},
    {0xE793, {'\x84', '\x31', '\x83', '\x32'}}, {0xE794, {'\x84', '\x31', '\x83', '\x33'}},
    {0xE795, {'\x84', '\x31', '\x83', '\x34'}}, {0xE796, {'\x84', '\x31', '\x83', '\x35'}},
    {0xE816, {'\x95', '\x32', '\x90', '\x31'}}, {0xE817, {'\x95', '\x32', '\x90', '\x33'}},
    {0xE818, {'\x95', '\x32', '\x97', '\x30'}}, {0xE81E, {'\x82', '\x35', '\x90', '\x37'}},
    {0xE826, {'\x82', '\x35', '\x90', '\x38'}}, {0xE82B, {'\x82', '\x35', '\x90', '\x39'}},
    {0xE82C, {'\x82', '\x35', '\x91', '\x30'}}, {0xE831, {'\x95', '\x36', '\xB9', '\x37'}},
    {0xE832, {'\x82', '\x35', '\x91', '\x31'}}, {0xE83B, {'\x96', '\x30', '\xBA', '\x35'}},
    {0xE843, {'\x82', '\x35', '\x91', '\x32'}}, {0xE854, {'\x82', '\x35', '\x91', '\x33'}},
    {0xE855, {'\x96', '\x35', '\xB6', '\x30'}}, {0xE864, {'\x82', '\x35', '\x91', '\x34'}},
};

const FreedCode* freedCodeOf(char32_t cp) {
    for (const FreedCode& f : kFreedCodes)
        if (f.privateUse == cp) return &f;
    return nullptr;
}

// The freed code at `pos` (four bytes of `gb`), or nullptr.
const FreedCode* freedCodeAt(std::string_view gb, std::size_t pos) {
    if (gb.size() - pos < 4) return nullptr;
    const auto b0 = static_cast<unsigned char>(gb[pos]);
    if (b0 != 0x82 && b0 != 0x84 && b0 != 0x95 && b0 != 0x96) return nullptr;
    for (const FreedCode& f : kFreedCodes)
        if (std::memcmp(f.bytes, gb.data() + pos, 4) == 0) return &f;
    return nullptr;
}


// The code point of the well-formed UTF-8 sequence at `pos` and its length.
char32_t utf8At(std::string_view s, std::size_t pos, std::size_t& len) {
    const auto c = static_cast<unsigned char>(s[pos]);
    // Past the end (a text not yet known to be UTF-8 may stop in the middle
    // of a character) a byte reads as zero.
    auto cont = [&](std::size_t k) {
        return pos + k < s.size() ? static_cast<char32_t>(static_cast<unsigned char>(s[pos + k]) & 0x3F) : char32_t{0};
    };
    if (c < 0x80) {
        len = 1;
        return c;
    }
    if (c < 0xE0) {
        len = 2;
        return (static_cast<char32_t>(c & 0x1F) << 6) | cont(1);
    }
    if (c < 0xF0) {
        len = 3;
        return (static_cast<char32_t>(c & 0x0F) << 12) | (cont(1) << 6) | cont(2);
    }
    len = 4;
    return (static_cast<char32_t>(c & 0x07) << 18) | (cont(1) << 12) | (cont(2) << 6) | cont(3);
}

// A byte of a UTF-8 file that belongs to no character (a stray byte in an
// otherwise sound UTF-8 text) is held in the core's text as a four-byte
// GB18030 code beyond the last Unicode character: FE 39, then the byte's
// offset from 0x80 in the last two bytes (0x81 + offset / 10, 0x30 +
// offset % 10). Such a code is a whole character to every step, so it
// never joins its neighbours, and no Unicode text decodes to it.
constexpr unsigned char kStrayLead = 0xFE, kStraySecond = 0x39;

void appendStrayByte(unsigned char b, std::string& out) {
    const unsigned offset = b - 0x80u;
    out += static_cast<char>(kStrayLead);
    out += static_cast<char>(kStraySecond);
    out += static_cast<char>(0x81 + offset / 10);
    out += static_cast<char>(0x30 + offset % 10);
}

// The byte held by the stray-byte code at `pos`, or -1.
int strayByteAt(std::string_view gb, std::size_t pos) {
    if (gb.size() - pos < 4 || static_cast<unsigned char>(gb[pos]) != kStrayLead ||
        static_cast<unsigned char>(gb[pos + 1]) != kStraySecond)
        return -1;
    const auto b2 = static_cast<unsigned char>(gb[pos + 2]), b3 = static_cast<unsigned char>(gb[pos + 3]);
    if (b2 < 0x81 || b3 < 0x30 || b3 > 0x39) return -1;
    const unsigned offset = (b2 - 0x81u) * 10 + (b3 - 0x30u);
    return offset < 0x80 ? static_cast<int>(0x80 + offset) : -1;
}

// Converts GB18030 with `cv` (GB18030 to some Unicode form), handing the
// freed codes to appendFreed(code, out) and every sequence iconv refuses to
// onInvalid, one call per byte. The six freed codes iconv decodes (to the standard characters
// that now own their old two-byte codes) are cut out before iconv sees them.
// With `strayBytes`, the code of a stray byte (see appendStrayByte) goes
// to onInvalid as that one byte; the editor's view leaves it as it is.
template <typename AppendFreed, typename OnInvalid>
void convertFromGb18030(Iconv& cv, std::string_view gb, std::string& out, AppendFreed appendFreed,
                        OnInvalid onInvalid, bool strayBytes = true) {
    auto invalid = [&](std::string_view in, std::size_t pos, std::string& o) -> std::size_t {
        // `in` is a piece of `gb` ending at a boundary, so a freed code in
        // it is whole.
        if (const FreedCode* f = freedCodeAt(in, pos)) {
            appendFreed(*f, o);
            return 4;
        }
        // A byte that a Unicode file held outside any character stands for
        // itself: written back as that byte (UTF-8) or as one unknown
        // character (UTF-16).
        if (const int b = strayBytes ? strayByteAt(in, pos) : -1; b >= 0) {
            const char raw = static_cast<char>(b);
            onInvalid(std::string_view(&raw, 1), 0, o);
            return 4;
        }
        // A character iconv does not know is passed on byte by byte, and
        // iconv goes on after its last byte: starting again inside it could
        // read its tail and the next bytes as another character.
        const std::size_t len = charLength(in, pos);
        for (std::size_t k = 0; k < len; ++k) onInvalid(in, pos + k, o);
        return len;
    };
    std::size_t done = 0;
    std::size_t boundary = 0;  // a character boundary at or before the scan
    for (std::size_t p = 0; p + 4 <= gb.size(); ++p) {
        const auto b = static_cast<unsigned char>(gb[p]);
        if (b != 0x95 && b != 0x96) continue;
        const FreedCode* f = freedCodeAt(gb, p);
        if (!f) continue;
        while (boundary < p) boundary += charLength(gb, boundary);
        if (boundary != p) continue;
        cv.convert(gb.substr(done, p - done), out, invalid);
        appendFreed(*f, out);
        done = boundary = p + 4;
        p += 3;
    }
    cv.convert(gb.substr(done), out, invalid);
}

// `offset`: where `bytes` start in the file (after the byte-order mark), so
// that messages name file offsets.
std::optional<std::string> utf16ToGb18030(std::string_view bytes, const char* from, std::size_t offset,
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
        if (error) *error = "invalid UTF-16 at byte " + std::to_string(badAt + offset);
        return std::nullopt;
    }
    return utf8ToGb18030(utf8);
}

}  // namespace

void appendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

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
    const auto isCont = [p](std::size_t k) { return (p[k] & 0xC0) == 0x80; };
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            // Eight ASCII bytes at a time.
            std::uint64_t w;
            if (n - i >= 8 && (std::memcpy(&w, p + i, 8), (w & 0x8080808080808080ULL) == 0)) i += 8;
            else ++i;
            continue;
        }
        bool ok;
        std::size_t len;
        if (c >= 0xE0 && c <= 0xEF) {  // most Chinese text: three bytes
            len = 3;
            ok = n - i >= 3 && isCont(i + 1) && isCont(i + 2) &&
                 (c != 0xE0 || p[i + 1] >= 0xA0) &&  // no overlong forms
                 (c != 0xED || p[i + 1] <= 0x9F);    // no surrogates
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            ok = n - i >= 2 && isCont(i + 1);
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            ok = n - i >= 4 && isCont(i + 1) && isCont(i + 2) && isCont(i + 3) &&
                 (c != 0xF0 || p[i + 1] >= 0x90) &&  // no overlong forms
                 (c != 0xF4 || p[i + 1] <= 0x8F);    // nothing above U+10FFFF
        } else {
            ok = false;
            len = 1;
        }
        if (!ok) {
            if (badOffset) *badOffset = i;
            return false;
        }
        i += len;
    }
    return true;
}

std::optional<std::string> utf8ToGb18030ByIconv(std::string_view utf8, std::size_t* badOffset) {
    if (!isValidUtf8(utf8, badOffset)) return std::nullopt;
    static const Iconv keepLoaded("GB18030", "UTF-8");  // see Iconv
    Iconv cv("GB18030", "UTF-8");
    std::string out;
    bool bad = false;
    cv.convert(utf8, out, [&](std::string_view in, std::size_t pos, std::string& o) {
        std::size_t len = 1;
        if (const FreedCode* f = freedCodeOf(utf8At(in, pos, len))) {
            o.append(f->bytes, 4);
            return len;
        }
        if (!bad && badOffset) *badOffset = pos;
        bad = true;
        return len;
    });
    if (bad || !cv.ok()) return std::nullopt;
    return out;
}

std::string gb18030ToUtf8ByIconv(std::string_view gb) {
    static const Iconv keepLoaded("UTF-8", "GB18030");  // see Iconv
    Iconv cv("UTF-8", "GB18030");
    std::string out;
    if (!cv.ok()) return std::string(gb);
    convertFromGb18030(
        cv, gb, out, [](const FreedCode& f, std::string& o) { appendUtf8(f.privateUse, o); },
        [](std::string_view in, std::size_t pos, std::string& o) {
            o.push_back(in[pos]);
            return std::size_t{1};
        });
    return out;
}

namespace {

std::u16string decodeWithIconv(std::string_view gb) {
    static const Iconv keepLoaded("UTF-16LE", "GB18030");  // see Iconv
    Iconv cv("UTF-16LE", "GB18030");
    std::string bytes;
    convertFromGb18030(
        cv, gb, bytes,
        [](const FreedCode& f, std::string& o) {
            o.push_back(static_cast<char>(f.privateUse & 0xFF));
            o.push_back(static_cast<char>(f.privateUse >> 8));
        },
        [](std::string_view in, std::size_t pos, std::string& o) {
            const auto b = static_cast<unsigned char>(in[pos]);
            o.push_back(static_cast<char>(b));  // U+DC00 + b, little-endian
            o.push_back(static_cast<char>(0xDC));
            return std::size_t{1};
        },
        false);
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return out;
}

// The code unit of every two-byte GB18030 code that stands for one
// character of the Basic Multilingual Plane, asked of iconv once; 0 for the
// others (undefined codes, characters above the BMP).
class TwoByteDecoder {
public:
    TwoByteDecoder() {
        Iconv cv("UTF-16LE", "GB18030");
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) continue;
                const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                std::string out;
                bool bad = false;
                cv.convert(std::string_view(code, 2), out, [&](std::string_view, std::size_t, std::string&) {
                    bad = true;
                    return std::size_t{2};
                });
                if (bad || out.size() != 2) continue;
                const auto u = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                                     (static_cast<unsigned char>(out[1]) << 8));
                if (u >= 0xD800 && u <= 0xDFFF) continue;
                units_[index(lead, trail)] = u;
            }
        }
    }
    char16_t at(unsigned char lead, unsigned char trail) const {
        return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE ? units_[index(lead, trail)] : 0;
    }

private:
    static std::size_t index(unsigned lead, unsigned trail) { return (lead - 0x81) * 191 + (trail - 0x40); }
    std::array<char16_t, 126 * 191> units_{};
};

}  // namespace

std::u16string gb18030ToUtf16(std::string_view gb, bool editorLineBreaks) {
    if (gb.size() >= kLongText) return gb18030ToUtf16ByTable(gb, editorLineBreaks);
    std::u16string u = decodeWithIconv(gb);
    if (editorLineBreaks) {
        std::size_t o = 0;
        for (const char16_t c : u) {
            if (c == u'\n' && o > 0 && u[o - 1] == u'\r') u[o - 1] = c;
            else u[o++] = c;
        }
        u.resize(o);
    }
    return u;
}

std::u16string gb18030ToUtf16ByTable(std::string_view gb, bool editorLineBreaks) {
    // One-byte and two-byte codes from a table, everything else (four-byte
    // codes, freed codes, bytes that are no character) by iconv as before,
    // a stretch at a time. A stretch ends before a byte that always starts
    // a character of its own, so both ways part the text into the same
    // characters.
    constexpr std::size_t kStretch = 4096;
    static const TwoByteDecoder table;
    const auto* p = reinterpret_cast<const unsigned char*>(gb.data());
    const std::size_t n = gb.size();
    std::u16string out(n, u'\0');  // no character takes more units than bytes
    std::size_t o = 0;
    // A unit "\r" comes only from the byte "\r" (a byte that is no
    // character becomes U+DC80-U+DCFF), so a "\n" written right after one
    // takes its place: "\r\n" becomes "\n" wherever its halves came from.
    for (std::size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            if (editorLineBreaks && p[i] == '\n' && o > 0 && out[o - 1] == u'\r') --o;
            out[o++] = p[i++];
            continue;
        }
        if (i + 1 < n) {
            if (const char16_t u = table.at(p[i], p[i + 1])) {
                out[o++] = u;
                i += 2;
                continue;
            }
        }
        std::size_t end = std::min(n, i + kStretch);
        while (end < n && !isStandaloneByte(p[end])) ++end;
        for (const char16_t u : decodeWithIconv(gb.substr(i, end - i))) {
            if (editorLineBreaks && u == u'\n' && o > 0 && out[o - 1] == u'\r') --o;
            out[o++] = u;
        }
        i = end;
    }
    out.resize(o);
    return out;
}

namespace {

// Every two-byte GB18030 code shape, lead 0x81-0xFE and trail 0x40-0xFE
// but 0x7F, one after another.
std::string twoByteCodes() {
    std::string codes;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            codes += static_cast<char>(lead);
            codes += static_cast<char>(trail);
        }
    }
    return codes;
}

std::size_t gb18030Length(std::string_view s, std::size_t pos) { return charLength(s, pos); }

std::size_t utf8Length(std::string_view s, std::size_t pos) {
    const auto b = static_cast<unsigned char>(s[pos]);
    return b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
}

// Converts each unit of `width` bytes of `units` as if on its own, and calls
// each(k, form) for the k-th unit that iconv takes. The tables are built
// this way: one call of iconv for all units costs a millisecond, one call a
// unit tens. lengthOf(out, pos) is the length of the form that starts at
// `pos` of the output; should the output not part into one form a unit, the
// units go one at a time after all.
template <typename LengthOf, typename Each>
void convertUnits(Iconv& cv, std::string_view units, std::size_t width, LengthOf lengthOf, Each each) {
    const std::size_t count = units.size() / width;
    std::vector<bool> refused(count);
    std::string out;
    cv.convert(units, out, [&](std::string_view, std::size_t pos, std::string&) {
        refused[pos / width] = true;
        return width;
    });
    std::vector<std::pair<std::size_t, std::size_t>> forms;  // start and length in `out`
    forms.reserve(count);
    std::size_t o = 0;
    for (std::size_t k = 0; k < count && o < out.size(); ++k) {
        if (refused[k]) continue;
        const std::size_t len = std::min(lengthOf(out, o), out.size() - o);
        forms.emplace_back(o, len);
        o += len;
    }
    if (o == out.size() && forms.size() == count - static_cast<std::size_t>(std::count(refused.begin(), refused.end(), true))) {
        std::size_t f = 0;
        for (std::size_t k = 0; k < count; ++k) {
            if (refused[k]) continue;
            each(k, std::string_view(out).substr(forms[f].first, forms[f].second));
            ++f;
        }
        return;
    }
    for (std::size_t k = 0; k < count; ++k) {
        out.clear();
        bool bad = false;
        cv.convert(units.substr(k * width, width), out, [&](std::string_view, std::size_t, std::string&) {
            bad = true;
            return width;
        });
        if (!bad) each(k, out);
    }
}

// The GB18030 form of every code point of the Basic Multilingual Plane,
// asked of iconv once: an editor's text is encoded after every keystroke,
// and a table lookup per character keeps that cheap for long texts.
class BmpEncoder {
public:
    BmpEncoder() {
        std::vector<char32_t> cps;
        std::string units;
        cps.reserve(0x10000);
        units.reserve(0x20000);
        for (std::uint32_t cp = 0; cp < 0x10000; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF) continue;  // surrogates are no characters
            cps.push_back(cp);
            units += static_cast<char>(cp & 0xFF);
            units += static_cast<char>(cp >> 8);
        }
        Iconv cv("GB18030", "UTF-16LE");
        convertUnits(cv, units, 2, gb18030Length, [&](std::size_t k, std::string_view form) {
            if (form.empty() || form.size() > 4) return;
            length_[cps[k]] = static_cast<std::uint8_t>(form.size());
            std::memcpy(&bytes_[cps[k]], form.data(), form.size());
        });
        // A few two-byte codes stand for characters above the BMP; those
        // characters are written with them rather than with the four-byte
        // code of their plane.
        const std::string codes = twoByteCodes();
        Iconv dec("UTF-32LE", "GB18030");
        convertUnits(
            dec, codes, 2, [](std::string_view, std::size_t) { return std::size_t{4}; },
            [&](std::size_t k, std::string_view cp) {
                if (cp.size() != 4) return;
                std::uint32_t v;
                std::memcpy(&v, cp.data(), 4);
                if (v > 0xFFFF) twoByteAbove_.push_back({v, std::string(codes.substr(2 * k, 2))});
            });
        std::sort(twoByteAbove_.begin(), twoByteAbove_.end());
        for (const FreedCode& f : kFreedCodes) {
            length_[f.privateUse] = 4;
            std::memcpy(&bytes_[f.privateUse], f.bytes, 4);
        }
    }

    // The two-byte code of a character above the BMP, or nullptr.
    const std::string* twoByteCode(std::uint32_t cp) const {
        const auto it = std::lower_bound(twoByteAbove_.begin(), twoByteAbove_.end(),
                                         std::pair<std::uint32_t, std::string>{cp, {}});
        return it != twoByteAbove_.end() && it->first == cp ? &it->second : nullptr;
    }

    // Writes the form of `cp` at `out`, which has room for four bytes, and
    // returns its length; 0 when it has none.
    std::size_t write(char16_t cp, char* out) const {
        std::memcpy(out, &bytes_[cp], 4);
        return length_[cp];
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
// Writes the four bytes at `out`.
void writeSupplementary(std::uint32_t cp, char* out) {
    std::uint32_t n = cp - 0x10000;
    out[3] = static_cast<char>(0x30 + n % 10);
    n /= 10;
    out[2] = static_cast<char>(0x81 + n % 126);
    n /= 126;
    out[1] = static_cast<char>(0x30 + n % 10);
    n /= 10;
    out[0] = static_cast<char>(0x90 + n);
}

// The GB18030 form of a code point above the BMP at `out` (room for four
// bytes); returns its length.
std::size_t writeAboveBmp(const BmpEncoder& bmp, std::uint32_t cp, char* out) {
    if (const std::string* two = bmp.twoByteCode(cp)) {
        std::memcpy(out, two->data(), 2);
        return 2;
    }
    writeSupplementary(cp, out);
    return 4;
}

constexpr std::string_view kReplacementCharacter = "\x84\x31\xA4\x37";  // U+FFFD

}  // namespace

std::string gb18030FromUtf16(std::u16string_view utf16, bool editorLineBreaks) {
    const BmpEncoder& bmp = bmpEncoder();
    // Written straight into the string, with room for the next unit (no
    // unit takes more than four bytes, a surrogate pair as many).
    constexpr std::size_t kMost = 4;
    std::string out(utf16.size() * 2 + kMost * 4, '\0');
    std::size_t o = 0;
    const auto put = [&](std::string_view bytes) {
        std::memcpy(out.data() + o, bytes.data(), bytes.size());
        o += bytes.size();
    };
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        if (out.size() - o < kMost * 2) out.resize(out.size() * 3 / 2 + kMost * 4);
        const char16_t u = utf16[i];
        if (u < 0x80) {
            if (editorLineBreaks && (u == u'\n' || (u == u'\r' && i + 1 < utf16.size() && utf16[i + 1] == u'\n'))) {
                if (u == u'\r') ++i;
                put("\r\n");
            } else {
                out[o++] = static_cast<char>(u);
            }
            continue;
        }
        if (editorLineBreaks && u == 0x2029) {
            put("\r\n");
            continue;
        }
        const bool high = u >= 0xD800 && u <= 0xDBFF;
        const bool low = u >= 0xDC00 && u <= 0xDFFF;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            const char16_t lowPart = utf16[++i];
            const std::uint32_t cp = 0x10000 + ((std::uint32_t(u) - 0xD800) << 10) + (lowPart - 0xDC00);
            o += writeAboveBmp(bmp, cp, out.data() + o);
        } else if (low && u <= 0xDCFF) {
            out[o++] = static_cast<char>(u & 0xFF);  // an escaped byte
        } else if (high || low) {
            put(kReplacementCharacter);
        } else if (const std::size_t n = bmp.write(u, out.data() + o)) {
            o += n;
        } else {
            put(kReplacementCharacter);
        }
    }
    out.resize(o);
    if (out.capacity() > o + o / 4 + 64) out.shrink_to_fit();  // mostly ASCII: half of it unused
    return out;
}

namespace {

// Bytes of the blocks the UTF-8 ways in and out gather before handing them
// on: large enough to make appending cheap, small enough for the cache.
constexpr std::size_t kBlock = 64 * 1024;
static_assert(std::endian::native == std::endian::little, "the UTF-8 runs read bytes as little-endian words");

// True when one of the eight bytes of `w` is zero.
constexpr bool hasZeroByte(std::uint64_t w) {
    return ((w - 0x0101010101010101ULL) & ~w & 0x8080808080808080ULL) != 0;
}

// Appends the GB18030 form of the UTF-8 text `in` to `out`, a block at a
// time, from the encoder's table; with `crLf`, a "\n" that does not follow
// "\r" becomes "\r\n" on the way. Returns false at the first malformed
// sequence or character without a form in the table (`out` then holds part
// of the text): such input goes the iconv way, which says what is wrong.
// The sequences accepted are exactly those isValidUtf8 accepts.
// After each block, `blockDone(read, written)` is told how many bytes of
// `in` have been converted and how long `out` then is: both are character
// boundaries.
template <typename BlockDone>
bool appendUtf8AsGb18030(std::string_view in, bool crLf, std::string& out, BlockDone&& blockDone) {
    const BmpEncoder& bmp = bmpEncoder();
    char buf[kBlock + 64];
    std::size_t o = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    for (std::size_t i = 0; i < n;) {
        if (o >= kBlock) {
            out.append(buf, o);
            o = 0;
            blockDone(i, out.size());
        }
        const unsigned char c = p[i];
        if (c < 0x80) {
            // Eight ASCII bytes at a time, when none of them is a line feed
            // that may need its "\r".
            if (n - i >= 8) {
                std::uint64_t w;
                std::memcpy(&w, p + i, 8);
                if ((w & 0x8080808080808080ULL) == 0 && !(crLf && hasZeroByte(w ^ 0x0A0A0A0A0A0A0A0AULL))) {
                    std::memcpy(buf + o, &w, 8);
                    o += 8;
                    i += 8;
                    continue;
                }
            }
            if (crLf && c == '\n' && (i == 0 || p[i - 1] != '\r')) buf[o++] = '\r';
            buf[o++] = static_cast<char>(c);
            ++i;
            continue;
        }
        if (c >= 0xE0 && c <= 0xEF && n - i >= 4) {
            // A run of three-byte characters (Chinese text), each checked
            // with one mask on four bytes read at once (little-endian).
            const std::size_t from = i;
            while (n - i >= 4 && o < kBlock) {
                std::uint32_t w;
                std::memcpy(&w, p + i, 4);
                if ((w & 0xC0C0F0) != 0x8080E0) break;
                const std::uint32_t cp = ((w & 0x0F) << 12) | ((w >> 2) & 0xFC0) | ((w >> 16) & 0x3F);
                if (cp < 0x800 || (cp & 0xF800) == 0xD800) return false;  // overlong, surrogate
                const std::size_t len = bmp.write(static_cast<char16_t>(cp), buf + o);
                if (len == 0) return false;
                o += len;
                i += 3;
            }
            if (i != from) continue;
        }
        const auto cont = [&](std::size_t k) { return static_cast<std::uint32_t>(p[i + k] & 0x3F); };
        const auto isCont = [&](std::size_t k) { return (p[i + k] & 0xC0) == 0x80; };
        std::uint32_t cp;
        if (c >= 0xE0 && c <= 0xEF) {  // most Chinese text: three bytes
            if (n - i < 3 || !isCont(1) || !isCont(2)) return false;
            cp = (static_cast<std::uint32_t>(c & 0x0F) << 12) | (cont(1) << 6) | cont(2);
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) return false;  // overlong, surrogate
            i += 3;
        } else if (c >= 0xC2 && c <= 0xDF) {
            if (n - i < 2 || !isCont(1)) return false;
            cp = (static_cast<std::uint32_t>(c & 0x1F) << 6) | cont(1);
            i += 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            if (n - i < 4 || !isCont(1) || !isCont(2) || !isCont(3)) return false;
            cp = (static_cast<std::uint32_t>(c & 0x07) << 18) | (cont(1) << 12) | (cont(2) << 6) | cont(3);
            if (cp < 0x10000 || cp > 0x10FFFF) return false;
            o += writeAboveBmp(bmp, cp, buf + o);
            i += 4;
            continue;
        } else {
            return false;
        }
        const std::size_t len = bmp.write(static_cast<char16_t>(cp), buf + o);
        if (len == 0) return false;
        o += len;
    }
    out.append(buf, o);
    return true;
}

// The UTF-8 form of every two-byte GB18030 code that stands for a
// character, asked of iconv once, indexed by the code's two bytes; length 0
// for the others (any pair that is no such code, left to iconv).
class TwoByteUtf8 {
public:
    TwoByteUtf8() {
        const std::string codes = twoByteCodes();
        Iconv cv("UTF-8", "GB18030");
        convertUnits(cv, codes, 2, utf8Length, [&](std::size_t k, std::string_view form) {
            if (form.empty() || form.size() > 4) return;
            const std::size_t i = static_cast<unsigned char>(codes[2 * k]) << 8 | static_cast<unsigned char>(codes[2 * k + 1]);
            length_[i] = static_cast<std::uint8_t>(form.size());
            std::memcpy(&bytes_[i], form.data(), form.size());
        });
    }
    bool has(unsigned char lead, unsigned char trail) const { return length_[lead << 8 | trail] != 0; }
    // Writes the form of the code `lead` `trail` at `out`, which has room
    // for four bytes, and returns its length; 0 when it has none here.
    std::size_t write(unsigned char lead, unsigned char trail, char* out) const {
        const std::size_t i = lead << 8 | trail;
        std::memcpy(out, &bytes_[i], 4);
        return length_[i];
    }

private:
    std::array<std::uint32_t, 0x10000> bytes_{};
    std::array<std::uint8_t, 0x10000> length_{};
};

const TwoByteUtf8& twoByteUtf8() {
    static const TwoByteUtf8 table;
    return table;
}

// Whether the GB18030 forms of the code points [first, last] read back as
// themselves, each a two-byte code by the table, the four-byte ones with
// one iconv call. With some iconv versions a few private-use characters
// share their form with a standard one. `unsafeLeads`, when given, gets the
// UTF-8 lead byte of each code point that does not.
bool formsReadBack(std::uint32_t first, std::uint32_t last, std::array<bool, 256>* unsafeLeads) {
    const BmpEncoder& bmp = bmpEncoder();
    const TwoByteUtf8& two = twoByteUtf8();
    std::string fourByteForms, fourByteUtf8;
    std::array<bool, 256> fourByteLeads{};
    bool all = true;
    char form[8], back[8], u[4];
    for (std::uint32_t cp = first; cp <= last; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const std::size_t len = cp < 0x10000 ? bmp.write(static_cast<char16_t>(cp), form) : writeAboveBmp(bmp, cp, form);
        if (len == 0) continue;  // no form: the way in declines it
        std::size_t n;
        if (cp < 0x800) {
            u[0] = static_cast<char>(0xC0 | (cp >> 6));
            n = 2;
        } else if (cp < 0x10000) {
            u[0] = static_cast<char>(0xE0 | (cp >> 12));
            u[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            n = 3;
        } else {
            u[0] = static_cast<char>(0xF0 | (cp >> 18));
            u[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            u[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            n = 4;
        }
        u[n - 1] = static_cast<char>(0x80 | (cp & 0x3F));
        const auto lead = static_cast<unsigned char>(u[0]);
        bool same = true;
        if (len == 2) {
            const std::size_t m = two.write(static_cast<unsigned char>(form[0]), static_cast<unsigned char>(form[1]), back);
            same = m == n && std::memcmp(back, u, n) == 0;
        } else if (len == 4) {
            fourByteForms.append(form, 4);
            fourByteUtf8.append(u, n);
            fourByteLeads[lead] = true;
        } else {
            same = false;
        }
        if (!same) {
            all = false;
            if (unsafeLeads) (*unsafeLeads)[lead] = true;
        }
    }
    if (gb18030ToUtf8ByIconv(fourByteForms) != fourByteUtf8) {
        all = false;
        if (unsafeLeads)
            for (std::size_t b = 0; b < 256; ++b) (*unsafeLeads)[b] = (*unsafeLeads)[b] || fourByteLeads[b];
    }
    return all;
}

// UTF-8 lead bytes of the characters of the BMP whose GB18030 form does not
// read back as itself: a text holding none of them (nor characters above
// the BMP, see supplementaryFormsReadBack) is given back byte for byte by
// its GB18030 form.
const std::array<bool, 256>& bmpLeadsNotReadBack() {
    static const std::array<bool, 256> leads = [] {
        std::array<bool, 256> unsafe{};
        formsReadBack(0x80, 0xFFFF, &unsafe);
        return unsafe;
    }();
    return leads;
}

// The same for every character above the BMP (a million of them: asked
// only of a text that holds one).
bool supplementaryFormsReadBack() {
    static const bool all = formsReadBack(0x10000, 0x10FFFF, nullptr);
    return all;
}

// Hands the UTF-8 form of `gb` to `sink` in blocks: one- and two-byte codes
// from the table, every other character (four-byte and freed codes, bytes
// that are no character) by gb18030ToUtf8ByIconv, a run of such characters
// at a time. Both ways part the text into the same characters, so the
// bytes are the same. With `breaks`, each "\r\n" becomes nextBreak().
template <typename NextBreak, typename Sink>
void writeGb18030AsUtf8(std::string_view gb, bool breaks, NextBreak&& nextBreak, Sink&& sink) {
    const TwoByteUtf8& table = twoByteUtf8();
    constexpr std::size_t kRun = 4096;
    std::string block(kBlock + 64, '\0');
    char* const buf = block.data();
    std::size_t o = 0;
    const auto flush = [&] {
        if (o == 0) return;
        sink(std::string_view(buf, o));
        o = 0;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(gb.data());
    const std::size_t n = gb.size();
    for (std::size_t i = 0; i < n;) {
        if (o >= kBlock) flush();
        const unsigned char c = p[i];
        if (c < 0x80) {
            if (n - i >= 8) {
                std::uint64_t w;
                std::memcpy(&w, p + i, 8);
                if ((w & 0x8080808080808080ULL) == 0 && !(breaks && hasZeroByte(w ^ 0x0D0D0D0D0D0D0D0DULL))) {
                    std::memcpy(buf + o, &w, 8);
                    o += 8;
                    i += 8;
                    continue;
                }
            }
            if (breaks && c == '\r' && i + 1 < n && p[i + 1] == '\n') {
                const std::string_view form = nextBreak();
                std::memcpy(buf + o, form.data(), form.size());
                o += form.size();
                i += 2;
                continue;
            }
            buf[o++] = static_cast<char>(c);
            ++i;
            continue;
        }
        if (i + 1 < n && table.has(c, p[i + 1])) {
            // A run of two-byte codes (Chinese text).
            do {
                o += table.write(p[i], p[i + 1], buf + o);
                i += 2;
            } while (i + 1 < n && o < kBlock && table.has(p[i], p[i + 1]));
            continue;
        }
        std::size_t end = i;
        do {
            end += charLength(gb, end);
        } while (end < n && end - i < kRun && p[end] >= 0x80 &&
                 !(end + 1 < n && table.has(p[end], p[end + 1])));
        flush();
        sink(gb18030ToUtf8ByIconv(gb.substr(i, end - i)));
        i = end;
    }
    flush();
}

}  // namespace

std::optional<std::string> utf8ToGb18030ByTable(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 16);  // no character's GB18030 form is longer, but for a few
    if (!appendUtf8AsGb18030(utf8, false, out, [](std::size_t, std::size_t) {})) return std::nullopt;
    return out;
}

std::optional<std::string> utf8ToGb18030(std::string_view utf8, std::size_t* badOffset) {
    // Short texts (captions, names) go the iconv way: the table costs more
    // to build than they take.
    if (utf8.size() >= kLongText)
        if (auto out = utf8ToGb18030ByTable(utf8)) return out;
    return utf8ToGb18030ByIconv(utf8, badOffset);
}

std::string gb18030ToUtf8ByTable(std::string_view gb) {
    std::string out;
    reserveLarge(out, gb.size() + gb.size() / 2 + 16);
    writeGb18030AsUtf8(gb, false, [] { return std::string_view(); },
                       [&out](std::string_view piece) { out += piece; });
    return out;
}

std::string gb18030ToUtf8(std::string_view gb) {
    return gb.size() >= kLongText ? gb18030ToUtf8ByTable(gb) : gb18030ToUtf8ByIconv(gb);
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

void lfToCrLfInPlace(std::string& s, std::vector<std::size_t>* crLfBreaks, std::size_t* lineBreaks) {
    std::size_t lone = 0, breaks = 0;
    for (const char* p = static_cast<const char*>(std::memchr(s.data(), '\n', s.size())); p;
         p = static_cast<const char*>(std::memchr(p + 1, '\n', s.size() - static_cast<std::size_t>(p + 1 - s.data())))) {
        const std::size_t i = static_cast<std::size_t>(p - s.data());
        if (i > 0 && s[i - 1] == '\r') {
            if (crLfBreaks) crLfBreaks->push_back(breaks);
        } else {
            ++lone;
        }
        ++breaks;
    }
    if (lineBreaks) *lineBreaks = breaks;
    if (lone == 0) return;
    // Grow once, then move every byte to its place from the back.
    std::size_t r = s.size();
    s.resize(s.size() + lone);
    std::size_t w = s.size();
    char* d = s.data();
    while (r > 0) {
        const char c = d[--r];
        d[--w] = c;
        if (c == '\n' && (r == 0 || d[r - 1] != '\r')) d[--w] = '\r';
    }
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

namespace {

// What a code point of a UTF-8 reading says about that reading.
enum class Utf8Sign { Chinese, Plain, Rare };

Utf8Sign utf8Sign(char32_t cp) {
    if ((cp >= 0x2E80 && cp <= 0x9FFF) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFF00 && cp <= 0xFFEF) ||
        cp >= 0x20000)
        return Utf8Sign::Chinese;
    struct Range {
        char32_t first, last;
    };
    // Letters of living alphabets and common symbols; anything else of the
    // two-byte range (C1 controls, Latin Extended-B, IPA, modifier letters,
    // combining marks, archaic Cyrillic, Armenian, vowel points, Syriac,
    // Thaana, NKo) is rare in real text and usual in GBK bytes read as UTF-8.
    static constexpr Range kPlain[] = {
        {0x00A0, 0x017F}, {0x0386, 0x03CE}, {0x0400, 0x045F}, {0x0490, 0x04FF},
        {0x05D0, 0x05EA}, {0x0620, 0x064A}, {0x0800, 0x2E7F}, {0xA000, 0xF8FF},
        {0xFB00, 0xFEFF}, {0xFFF0, 0x1FFFF},
    };
    for (const Range& r : kPlain)
        if (cp >= r.first && cp <= r.last) return Utf8Sign::Plain;
    return Utf8Sign::Rare;
}

// Scripts whose letters a text in one language keeps to: the two-byte
// UTF-8 range cut where alphabets begin and end.
int scriptOf(char32_t cp) {
    static constexpr char32_t kStarts[] = {0x0080, 0x0250, 0x0370, 0x0400, 0x0530, 0x0590,
                                           0x0600, 0x0700, 0x0780, 0x0800};
    for (int k = 0; k + 1 < static_cast<int>(std::size(kStarts)); ++k)
        if (cp >= kStarts[k] && cp < kStarts[k + 1]) return k;
    return -1;
}

// True when the letters of a valid UTF-8 text (outside Chinese and ASCII)
// are those of one alphabet: at least three, four in five of one script
// (Armenian, Hebrew, Arabic, …). GBK bytes that happen to be valid UTF-8
// scatter over many scripts and marks.
bool keepsToOneScript(std::string_view bytes) {
    std::array<std::size_t, 9> counts{};
    std::size_t letters = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 1;
        const char32_t cp = utf8At(bytes, i, len);
        i += len;
        const bool mark = cp >= 0x0300 && cp < 0x0370;
        if (cp < 0x00A0 || mark) continue;  // C1 controls and combining marks belong to no alphabet
        ++letters;
        if (const int k = scriptOf(cp); k >= 0) ++counts[static_cast<std::size_t>(k)];
    }
    const std::size_t most = *std::max_element(counts.begin(), counts.end());
    return most >= 3 && most * 5 >= letters * 4;
}

}  // namespace

bool readsBetterAsGb18030(std::string_view bytes) {
    // The UTF-8 reading: no Chinese, and rare letters or marks at least as
    // often as plain ones, and not the letters of one alphabet. Chinese text
    // is told by its first character, before the walk over the whole text
    // that the alphabets take.
    std::size_t plain = 0, rare = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 1;
        switch (utf8Sign(utf8At(bytes, i, len))) {
            case Utf8Sign::Chinese: return false;
            case Utf8Sign::Plain: ++plain; break;
            case Utf8Sign::Rare: ++rare; break;
        }
        i += len;
    }
    if (rare == 0 || rare < plain) return false;
    if (keepsToOneScript(bytes)) return false;
    // The GB18030 reading: whole characters only, at least half of them
    // GB2312 Han characters or Chinese punctuation.
    std::size_t chars = 0, common = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const std::size_t len = charLength(bytes, i);
        if (len == 1 && b0 >= 0x80) return false;
        if (len == 2) {
            const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
            const bool han = b0 >= 0xB0 && b0 <= 0xF7 && b1 >= 0xA1 && b1 <= 0xFE;
            const bool punctuation = b0 >= 0xA1 && b0 <= 0xA3 && b1 >= 0xA1 && b1 <= 0xFE;
            if (han || punctuation) ++common;
        }
        if (len > 1) ++chars;
        i += len;
    }
    return common * 2 >= chars;
}

namespace {

// Unicode text without a byte-order mark: UTF-16 is known by its zero
// bytes (every ASCII character has one), which neither UTF-8 nor GB18030
// text holds, and by reading as text in one byte order: no lone surrogate,
// and nine units in ten letters, punctuation, Chinese or line breaks (the
// more of them decides between the two orders).
std::optional<Encoding> unmarkedUtf16(std::string_view b) {
    if (b.size() < 2 || b.size() % 2 != 0 || std::memchr(b.data(), 0, b.size()) == nullptr) return std::nullopt;
    const std::size_t units = b.size() / 2;
    std::size_t zeros = 0;
    for (const char c : b) zeros += c == 0;
    if (zeros == 0 || zeros * 8 < units) return std::nullopt;
    std::optional<Encoding> best;
    std::size_t bestScore = 0;
    for (const Encoding e : {Encoding::Utf16LE, Encoding::Utf16BE}) {
        const bool le = e == Encoding::Utf16LE;
        std::size_t plausible = 0;
        bool broken = false;
        for (std::size_t i = 0; i < units && !broken; ++i) {
            auto unitAt = [&](std::size_t k) {
                const auto lo = static_cast<unsigned char>(b[2 * k + (le ? 0 : 1)]);
                const auto hi = static_cast<unsigned char>(b[2 * k + (le ? 1 : 0)]);
                return static_cast<char16_t>(hi << 8 | lo);
            };
            const char16_t u = unitAt(i);
            if (u >= 0xD800 && u <= 0xDBFF) {
                if (i + 1 >= units || unitAt(i + 1) < 0xDC00 || unitAt(i + 1) > 0xDFFF) broken = true;
                plausible += 2;
                ++i;
                continue;
            }
            if (u >= 0xDC00 && u <= 0xDFFF) broken = true;
            // ASCII, the alphabets of Europe and the Near East, general
            // punctuation, CJK (with its punctuation), Hangul, full-width forms.
            if (u == '\t' || u == '\n' || u == '\r' || (u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u < 0x250) ||
                (u >= 0x370 && u < 0x700) || (u >= 0x2000 && u < 0x2070) || (u >= 0x2E80 && u < 0xA000) ||
                (u >= 0xAC00 && u < 0xD7A4) || (u >= 0xF900 && u < 0xFB00) || (u >= 0xFE30 && u < 0xFE50) ||
                (u >= 0xFF00 && u < 0xFFF0))
                ++plausible;
        }
        if (!broken && plausible * 10 >= units * 9 && plausible > bestScore) {
            best = e;
            bestScore = plausible;
        }
    }
    return best;
}

// How a text that is not valid UTF-8 reads as UTF-8: its multi-byte
// characters and the bytes that belong to no character (the first at
// `firstStray`).
struct Utf8Damage {
    std::size_t characters = 0, strays = 0, firstStray = 0;
};

Utf8Damage utf8Damage(std::string_view s) {
    Utf8Damage d;
    auto countLeads = [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) d.characters += static_cast<unsigned char>(s[k]) >= 0xC0;
    };
    for (std::size_t i = 0; i < s.size();) {
        std::size_t bad = 0;
        if (isValidUtf8(s.substr(i), &bad)) {
            countLeads(i, s.size());
            break;
        }
        countLeads(i, i + bad);
        if (d.strays++ == 0) d.firstStray = i + bad;
        i += bad + 1;
    }
    return d;
}

// UTF-8 with stray bytes to GB18030: the characters converted, each stray
// byte held as its own code (see appendStrayByte).
std::optional<std::string> utf8WithStraysToGb18030(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (std::size_t i = 0; i < s.size();) {
        std::size_t bad = s.size() - i;
        const bool rest = isValidUtf8(s.substr(i), &bad);
        auto run = utf8ToGb18030(s.substr(i, bad));
        if (!run) return std::nullopt;
        out += *run;
        if (rest) break;
        appendStrayByte(static_cast<unsigned char>(s[i + bad]), out);
        i += bad + 1;
    }
    return out;
}

// Counts the "\n" of `s` that follow "\r" (`pairs`) and those that do not.
void countLineFeeds(std::string_view s, std::size_t& lone, std::size_t& pairs) {
    lone = pairs = 0;
    for (const char* p = static_cast<const char*>(std::memchr(s.data(), '\n', s.size())); p;
         p = static_cast<const char*>(std::memchr(p + 1, '\n', s.size() - static_cast<std::size_t>(p + 1 - s.data())))) {
        if (p > s.data() && p[-1] == '\r') ++pairs;
        else ++lone;
    }
}

// The UTF-8 way in: the line breaks are counted on the UTF-8 bytes (they
// are the same bytes in GB18030), then the text is converted with them in
// one pass, as decodeOwned's long way (iconv, then lfToCrLfInPlace) does in
// two. False for a text the table declines (malformed UTF-8): the long way
// then says what is wrong.
// `body` is the part of `owner` after its first `skip` bytes (a byte-order
// mark). With `owner`, the memory of the bytes converted so far is given
// back as the conversion goes on, so that the input and the text are not
// both held whole at its end. Should the conversion stop, the bytes given
// back are written again from the text made of them: the way back from
// GB18030 gives every character of the table's way in exactly, and the
// line breaks are only released where they can be told apart.
bool decodeUtf8ByTable(std::string_view body, DecodedText& d, std::string* owner = nullptr, std::size_t skip = 0) {
    if (body.size() < kLongText) return false;  // see kLongText
    std::size_t lone = 0, pairs = 0;
    countLineFeeds(body, lone, pairs);
    // Unicode text without any line break of its own is written back with
    // "\n", as below.
    const bool lfOnly = lone + pairs == 0 || lone > pairs;
    std::string text;
    reserveLarge(text, body.size() + (lfOnly ? lone : 0) + 16);
    // With "\n" turned into "\r\n" the text cannot tell which breaks were
    // "\r\n" already when the input held both; and the "\r\n" breaks are
    // looked for in the input after the conversion.
    bool release = owner != nullptr && !(lfOnly && pairs > 0);
    std::size_t releasedIn = 0, releasedOut = 0;  // input bytes given back, and the text made of them
    constexpr std::size_t kReleaseStep = std::size_t{2} << 20;
    const auto blockDone = [&](std::size_t read, std::size_t written) {
        if (!release || read < releasedIn + kReleaseStep) return;
        // Nothing is given back from the first character on whose form
        // would not read back as itself.
        const std::array<bool, 256>& unsafe = bmpLeadsNotReadBack();
        const auto holds = [&](std::size_t b) {
            return std::memchr(body.data() + releasedIn, static_cast<int>(b), read - releasedIn) != nullptr;
        };
        for (std::size_t b = 0xC2; b < 0xF0 && release; ++b)
            if (unsafe[b] && holds(b)) release = false;
        for (std::size_t b = 0xF0; b < 0xF5 && release; ++b)
            if (holds(b) && !supplementaryFormsReadBack()) release = false;
        if (!release) return;
        // The byte before `read` is still looked at (a "\r" before "\n").
        releaseFront(*owner, skip + read - 1);
        releasedIn = read;
        releasedOut = written;
    };
    if (!appendUtf8AsGb18030(body, lfOnly, text, blockDone)) {
        if (releasedIn > 0) {
            std::string front(kUtf8Bom.substr(0, skip));  // the only mark before UTF-8
            front.reserve(skip + releasedIn);
            writeGb18030AsUtf8(std::string_view(text).substr(0, releasedOut), lfOnly,
                               [] { return std::string_view("\n"); }, [&front](std::string_view piece) { front += piece; });
            std::memcpy(owner->data(), front.data(), std::min(front.size(), skip + releasedIn));
        }
        return false;
    }
    d.text = std::move(text);
    d.format.encoding = Encoding::Utf8;
    if (lfOnly) {
        d.format.lfOnly = true;
        d.format.lineBreaks = lone + pairs;
        if (pairs > 0) {
            std::size_t index = 0;
            for (std::size_t i = body.find('\n'); i != std::string_view::npos; i = body.find('\n', i + 1), ++index)
                if (i > 0 && body[i - 1] == '\r') d.format.crLfBreaks.push_back(index);
        }
    }
    return true;
}

std::optional<DecodedText> decodeOwned(std::string& bytes, EncodingChoice choice, std::string* error) {
    DecodedText d;
    if (choice == EncodingChoice::Gb18030) {
        d.text.swap(bytes);
        return d;
    }
    std::string_view body = bytes;
    std::size_t bomSize = 0;
    Encoding enc = Encoding::Utf8;
    bool strays = false;  // UTF-8 with bytes outside any character
    if (body.starts_with(kUtf8Bom)) {
        bomSize = kUtf8Bom.size();
    } else if (choice == EncodingChoice::Auto && body.starts_with(kUtf16LeBom)) {
        bomSize = 2;
        enc = Encoding::Utf16LE;
    } else if (choice == EncodingChoice::Auto && body.starts_with(kUtf16BeBom)) {
        bomSize = 2;
        enc = Encoding::Utf16BE;
    } else if (const auto utf16 = choice == EncodingChoice::Auto ? unmarkedUtf16(body) : std::nullopt) {
        // No mark, but the zero bytes of UTF-16 (which are valid UTF-8 too).
        enc = *utf16;
    } else if (choice == EncodingChoice::Auto) {
        // The table's way checks the UTF-8 as it converts it, so a text
        // that is UTF-8 (most files here) is read in one pass; any other
        // stops it at its first byte that is no UTF-8.
        if (!readsBetterAsGb18030(body) && decodeUtf8ByTable(body, d, &bytes)) {
            std::string().swap(bytes);
            return d;
        }
        d = DecodedText{};
        if (!isValidUtf8(body)) {
            // Not UTF-8 as it stands: UTF-8 with a few stray bytes when its
            // characters far outnumber them; GB18030 when UTF-8 is a minority
            // reading. Between the two no reading is sound, and the file is
            // refused rather than written back as a mixture of encodings.
            const Utf8Damage damage = utf8Damage(body);
            if (damage.characters > 0 && damage.characters >= 2 * damage.strays) {
                strays = true;
            } else if (damage.characters > damage.strays) {
                if (error)
                    *error = "mixed encodings: " + std::to_string(damage.characters) + " UTF-8 characters and " +
                             std::to_string(damage.strays) + " bytes that are none (the first at byte " +
                             std::to_string(damage.firstStray) + "); choose the encoding (--encoding)";
                return std::nullopt;
            } else {
                enc = Encoding::Gb18030;
            }
        } else if (readsBetterAsGb18030(body)) {
            enc = Encoding::Gb18030;
        }
    }
    body.remove_prefix(bomSize);
    d.format.bom = bomSize > 0;
    d.format.encoding = enc;

    std::optional<std::string> text;
    switch (enc) {
        case Encoding::Gb18030: text.emplace().swap(bytes); break;
        case Encoding::Utf8: {
            if (decodeUtf8ByTable(body, d, &bytes, bomSize)) {
                std::string().swap(bytes);
                return d;
            }
            std::size_t bad = 0;
            if (strays) {
                text = utf8WithStraysToGb18030(body);
                if (!text && error) *error = "a character has no GB18030 form";
                break;
            }
            if (!isValidUtf8(body, &bad)) {
                if (error) *error = "not valid UTF-8 at byte " + std::to_string(bad + bomSize);
                return std::nullopt;
            }
            text = utf8ToGb18030(body, &bad);
            if (!text && error) {
                std::size_t len = 1;
                char buf[16];
                std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(utf8At(body, bad, len)));
                *error = std::string("the character ") + buf + " at byte " + std::to_string(bad + bomSize) +
                         " has no GB18030 form";
            }
            break;
        }
        case Encoding::Utf16LE: text = utf16ToGb18030(body, "UTF-16LE", bomSize, error); break;
        case Encoding::Utf16BE: text = utf16ToGb18030(body, "UTF-16BE", bomSize, error); break;
    }
    if (!text) return std::nullopt;
    std::string().swap(bytes);
    // Unicode text without any line break of its own is written back with
    // "\n", the usual break of such files here.
    const bool noBreaks = enc != Encoding::Gb18030 && text->find('\n') == std::string::npos;
    d.text = std::move(*text);
    if (noBreaks || mostlyLfOnly(d.text)) {
        d.format.lfOnly = true;
        lfToCrLfInPlace(d.text, &d.format.crLfBreaks, &d.format.lineBreaks);
    }
    return d;
}

constexpr std::size_t kPieceSize = 1 << 20;

}  // namespace

std::string_view finalBreakOf(std::string_view t) {
    if (t.ends_with("\r\n")) return "\r\n";
    if (t.ends_with('\n')) return "\n";
    if (t.ends_with('\r')) return "\r";
    return {};
}

void keepFinalBreak(std::string& result, const TextFormat& format) {
    if (!format.finalBreak.empty() && finalBreakOf(result).empty()) result += format.finalBreak;
}

std::optional<DecodedText> decodeText(std::string_view bytes, EncodingChoice choice, std::string* error) {
    std::string copy(bytes);
    return decodeTakingBytes(std::move(copy), choice, error);
}

std::optional<DecodedText> decodeTakingBytes(std::string&& bytes, EncodingChoice choice, std::string* error) {
    auto d = decodeOwned(bytes, choice, error);
    if (d) d->format.finalBreak = std::string(finalBreakOf(d->text));
    return d;
}

void encodeTextTo(std::string_view text, const TextFormat& format,
                  const std::function<void(std::string_view)>& sink) {
    const bool le = format.encoding == Encoding::Utf16LE;
    if (format.bom) {
        switch (format.encoding) {
            case Encoding::Gb18030: break;
            case Encoding::Utf8: sink(kUtf8Bom); break;
            case Encoding::Utf16LE:
            case Encoding::Utf16BE: sink(le ? kUtf16LeBom : kUtf16BeBom); break;
        }
    }
    // Each line's own break comes back when the text has as many breaks as
    // the file had; otherwise every break is "\n".
    bool ownBreaks = false;
    if (format.lfOnly && !format.crLfBreaks.empty()) {
        std::size_t n = 0;
        for (std::size_t p = text.find("\r\n"); p != std::string_view::npos; p = text.find("\r\n", p + 2)) ++n;
        ownBreaks = n == format.lineBreaks;
    }
    std::size_t breakIndex = 0;
    std::size_t nextCrLf = 0;  // index into crLfBreaks
    if (format.encoding == Encoding::Utf8 && text.size() >= kLongText) {
        // The way out most long files take: the text converted and its
        // breaks changed in one pass.
        writeGb18030AsUtf8(
            text, format.lfOnly,
            [&]() -> std::string_view {
                const bool keepCr = ownBreaks && nextCrLf < format.crLfBreaks.size() &&
                                    format.crLfBreaks[nextCrLf] == breakIndex;
                if (keepCr) ++nextCrLf;
                ++breakIndex;
                return keepCr ? "\r\n" : "\n";
            },
            sink);
        return;
    }
    std::string body, out;
    std::optional<Iconv> utf16;
    if (format.encoding == Encoding::Utf16LE || format.encoding == Encoding::Utf16BE)
        utf16.emplace(le ? "UTF-16LE" : "UTF-16BE", "GB18030");
    for (std::size_t start = 0; start < text.size();) {
        // Pieces end after a "\r\n" (or at the end): a character boundary.
        std::size_t end = text.size();
        if (text.size() - start > kPieceSize) {
            const std::size_t p = text.find("\r\n", start + kPieceSize);
            if (p != std::string_view::npos) end = p + 2;
        }
        std::string_view piece = text.substr(start, end - start);
        start = end;
        if (format.lfOnly) {
            body.clear();
            std::size_t copied = 0;
            for (std::size_t p = piece.find("\r\n"); p != std::string_view::npos; p = piece.find("\r\n", p + 2)) {
                const bool keepCr = ownBreaks && nextCrLf < format.crLfBreaks.size() &&
                                    format.crLfBreaks[nextCrLf] == breakIndex;
                if (keepCr) ++nextCrLf;
                ++breakIndex;
                body.append(piece, copied, p - copied);
                body += keepCr ? "\r\n" : "\n";
                copied = p + 2;
            }
            body.append(piece, copied);
            piece = body;
        }
        switch (format.encoding) {
            case Encoding::Gb18030: sink(piece); break;
            case Encoding::Utf8: sink(gb18030ToUtf8ByIconv(piece)); break;
            case Encoding::Utf16LE:
            case Encoding::Utf16BE:
                out.clear();
                // A byte that is no character has no UTF-16 form: it becomes U+FFFD.
                convertFromGb18030(
                    *utf16, piece, out,
                    [le](const FreedCode& f, std::string& o) {
                        const char hi = static_cast<char>(f.privateUse >> 8), lo = static_cast<char>(f.privateUse & 0xFF);
                        o += le ? lo : hi;
                        o += le ? hi : lo;
                    },
                    [le](std::string_view, std::size_t, std::string& o) {
                        o += le ? std::string_view("\xFD\xFF") : std::string_view("\xFF\xFD");
                        return std::size_t{1};
                    });
                sink(out);
                break;
        }
    }
}

std::string encodeText(std::string_view text, const TextFormat& format) {
    std::string out;
    encodeTextTo(text, format, [&out](std::string_view piece) { out += piece; });
    return out;
}

}  // namespace folvane::text

#include "corrections/opencc_converter.h"

#include <cstring>
#include <list>
#include <mutex>
#include <opencc/Config.hpp>
#include <opencc/Conversion.hpp>
#include <opencc/ConversionChain.hpp>
#include <opencc/Converter.hpp>
#include <opencc/Dict.hpp>
#include <opencc/DictEntry.hpp>
#include <opencc/Exception.hpp>
#include <opencc/Segmentation.hpp>
#include <opencc/Segments.hpp>

#include "text/codec.h"
#include "text/gb18030.h"
#include "text/iconv.h"

namespace folvane::corrections {
namespace {

std::size_t utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

std::size_t utf8Count(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

std::size_t gbCount(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); i += text::charLength(s, i)) ++n;
    return n;
}

// Converts one piece of text with one dictionary by longest match from left
// to right, as OpenCC's own conversion does, but keeps one character out for
// one character in: a phrase whose value has another number of characters
// is converted character by character instead.
void convertAligned(std::string_view s, const opencc::Dict& dict, std::string& out) {
    std::size_t p = 0;
    while (p < s.size()) {
        const auto match = dict.MatchPrefix(s.data() + p, s.size() - p);
        const std::string key = match.IsNull() ? std::string() : match.Get()->Key();
        if (key.empty() || key.size() > s.size() - p) {
            const std::size_t len = std::min(utf8Length(static_cast<unsigned char>(s[p])), s.size() - p);
            out.append(s, p, len);
            p += len;
            continue;
        }
        const std::string value = match.Get()->GetDefault();
        if (utf8Count(value) == utf8Count(key)) {
            out += value;
        } else {
            for (std::size_t i = 0; i < key.size();) {
                const std::size_t len = std::min(utf8Length(static_cast<unsigned char>(key[i])), key.size() - i);
                const auto single = dict.Match(key.data() + i, len);
                const std::string one = single.IsNull() ? std::string() : single.Get()->GetDefault();
                if (utf8Count(one) == 1) out += one;
                else out.append(key, i, len);
                i += len;
            }
        }
        p += key.size();
    }
}

// Converts `gb` (GB18030 characters that all decode, no NUL) into `dest`,
// which holds a copy of it, character by character where the converted
// character has the original's byte length.
void convertPiece(std::string_view gb, const std::string& utf8, const opencc::Converter& converter,
                  text::Iconv& encoder, char* dest) {
    const opencc::SegmentsPtr segments = converter.GetSegmentation()->Segment(utf8);
    const std::list<opencc::ConversionPtr> chain = converter.GetConversionChain()->GetConversions();
    std::string converted;
    converted.reserve(utf8.size() + 16);
    std::string piece, next;
    for (const char* segment : *segments) {
        piece.assign(segment);
        for (const auto& conversion : chain) {
            next.clear();
            convertAligned(piece, *conversion->GetDict(), next);
            piece.swap(next);
        }
        converted += piece;
    }
    if (!text::isValidUtf8(converted)) return;
    std::string back;
    if (encoder.convertUntilInvalid(converted, 0, back) != converted.size()) return;
    const std::size_t n = gbCount(gb);
    if (utf8Count(utf8) != n || utf8Count(converted) != n || gbCount(back) != n) return;

    std::size_t g = 0, u = 0, v = 0, w = 0;
    while (g < gb.size()) {
        const std::size_t gl = text::charLength(gb, g);
        const std::size_t ul = utf8Length(static_cast<unsigned char>(utf8[u]));
        const std::size_t vl = utf8Length(static_cast<unsigned char>(converted[v]));
        const std::size_t wl = text::charLength(back, w);
        const bool changed = ul != vl || std::memcmp(utf8.data() + u, converted.data() + v, ul) != 0;
        if (changed && gl == wl) std::memcpy(dest + g, back.data() + w, gl);
        g += gl;
        u += ul;
        v += vl;
        w += wl;
    }
}

// True for a character OpenCC may see: not NUL, not a byte that is no character.
bool convertible(std::string_view s, std::size_t pos, std::size_t len) {
    const auto b = static_cast<unsigned char>(s[pos]);
    return len > 1 || (b != 0 && b < 0x80);
}

constexpr std::size_t kPieceBytes = 64 * 1024;

// Converts `s` in place: a piece is decoded before any of its characters is
// written, each character is written over itself only after it was read,
// and nothing behind the piece being converted is read again.
void convertTextInPlace(std::string& s, const opencc::Converter& converter) {
    const std::string_view gb = s;
    char* const out = s.data();
    static const text::Iconv keepDecoderLoaded("UTF-8", "GB18030"), keepEncoderLoaded("GB18030", "UTF-8");
    text::Iconv decoder("UTF-8", "GB18030");
    text::Iconv encoder("GB18030", "UTF-8");
    if (!decoder.ok() || !encoder.ok()) return;
    std::string utf8;
    std::size_t i = 0;
    while (i < gb.size()) {
        // A run of characters OpenCC may see.
        // A long run is cut after a line break (no phrase spans one), so
        // that OpenCC's copies and segments of it stay small.
        std::size_t end = i;
        bool cut = false;
        while (end < gb.size()) {
            if (end - i >= kPieceBytes && gb[end - 1] == '\n') {
                cut = true;
                break;
            }
            const std::size_t len = text::charLength(gb, end);
            if (!convertible(gb, end, len)) break;
            end += len;
        }
        const std::string_view run = gb.substr(i, end - i);
        // Characters iconv cannot decode (unassigned four-byte codes) stay
        // and split the run.
        text::BoundaryWalker boundaries(run);
        std::size_t start = 0;
        while (start < run.size()) {
            const std::size_t stop = decoder.convertUntilInvalid(run, start, utf8);
            // iconv stops only at the start of a character; should it not,
            // the rest of the run stays as it is.
            if (!boundaries.reach(stop)) break;
            if (stop > start)
                convertPiece(run.substr(start, stop - start), utf8, converter, encoder, out + i + start);
            if (stop >= run.size()) break;
            start = stop + text::charLength(run, stop);
        }
        i = cut || end >= gb.size() ? end : end + text::charLength(gb, end);
    }
}

}  // namespace

class OpenccConverter::Direction {
public:
    explicit Direction(std::string configPath) : path_(std::move(configPath)) {}

    // The converter, loaded on the first call; nullptr when it cannot be.
    const opencc::Converter* get(std::string* error) const {
        std::call_once(once_, [this] {
            try {
                opencc::Config config;
                converter_ = config.NewFromFile(path_);
            } catch (const opencc::Exception& e) {
                error_ = e.what();
            } catch (const std::exception& e) {
                error_ = e.what();
            } catch (...) {
                error_ = "unknown error";
            }
            if (!converter_ && error_.empty()) error_ = "no converter";
        });
        if (!converter_ && error) *error = "cannot load " + path_ + ": " + error_;
        return converter_.get();
    }

    std::string convert(std::string_view text) const {
        const opencc::Converter* c = get(nullptr);
        std::string out(text);
        if (!c || text.empty()) return out;
        try {
            convertTextInPlace(out, *c);
        } catch (...) {
            // OpenCC's exceptions do not derive from std::exception.
            return std::string(text);
        }
        return out;
    }

    void convertInPlace(std::string& text) const {
        const opencc::Converter* c = get(nullptr);
        if (!c || text.empty()) return;
        try {
            convertTextInPlace(text, *c);
        } catch (...) {
            // OpenCC's exceptions do not derive from std::exception. Each
            // piece is written only once it is converted whole, so the text
            // stays valid: the pieces before the failure are converted.
        }
    }

private:
    std::string path_;
    mutable std::once_flag once_;
    mutable opencc::ConverterPtr converter_;
    mutable std::string error_;
};

OpenccConverter::OpenccConverter(std::string configDirectory)
    : toTraditional_(std::make_unique<Direction>(configDirectory + "/s2t.json")),
      toSimplified_(std::make_unique<Direction>(configDirectory + "/t2s.json")) {}

OpenccConverter::~OpenccConverter() = default;

std::string OpenccConverter::toTraditionalChinese(std::string_view text) const {
    return toTraditional_->convert(text);
}

std::string OpenccConverter::toSimplifiedChinese(std::string_view text) const {
    return toSimplified_->convert(text);
}

void OpenccConverter::toTraditionalChineseInPlace(std::string& text) const { toTraditional_->convertInPlace(text); }
void OpenccConverter::toSimplifiedChineseInPlace(std::string& text) const { toSimplified_->convertInPlace(text); }

bool OpenccConverter::loadTraditional(std::string* error) const { return toTraditional_->get(error) != nullptr; }
bool OpenccConverter::loadSimplified(std::string* error) const { return toSimplified_->get(error) != nullptr; }

}  // namespace folvane::corrections

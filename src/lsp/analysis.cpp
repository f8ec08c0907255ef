#include "lsp/analysis.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>
#include <utility>

#include "editor/text_diff.h"
#include "engine/run_context.h"
#include "text/codec.h"

namespace folvane::lsp {
namespace {

bool isHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The document as UTF-16 with every line break "\n" (what the run's
// result becomes when read back), and the kind of break it holds most.
std::u16string utf16WithLineFeeds(std::string_view s, std::string& eol) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t lf = 0, crlf = 0, cr = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b == '\r') {
            if (i + 1 < s.size() && s[i + 1] == '\n') ++crlf, i += 2;
            else ++cr, ++i;
            out += u'\n';
            continue;
        }
        if (b == '\n') {
            ++lf, ++i;
            out += u'\n';
            continue;
        }
        const std::size_t len = std::min(utf8LengthOfLead(b), s.size() - i);
        char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    eol = crlf > lf && crlf >= cr ? "\r\n" : cr > lf && cr > crlf ? "\r" : "\n";
    return out;
}

// UTF-8 of UTF-16 units, each "\n" written as `eol`; a lone surrogate
// becomes U+FFFD, so the result is always valid UTF-8.
std::string utf8Of(std::u16string_view s, std::string_view eol) {
    std::string out;
    out.reserve(s.size() * 3);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'\n') out += eol;
        else if (isHigh(c) && i + 1 < s.size() && isLow(s[i + 1])) {
            text::appendUtf8(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00), out);
            ++i;
        } else if (isHigh(c) || isLow(c)) {
            text::appendUtf8(0xFFFD, out);
        } else {
            text::appendUtf8(c, out);
        }
    }
    return out;
}

// Walks the document's UTF-16 units forward, counting lines, the agreed
// units and characters of the line.
struct Walker {
    std::u16string_view s;
    PositionEncoding encoding;
    std::size_t pos = 0, line = 0, units = 0, chars = 0;
    std::size_t lineStart = 0;

    void to(std::size_t target) {
        while (pos < target && pos < s.size()) {
            const char16_t c = s[pos];
            if (c == u'\n') {
                ++line, ++pos;
                units = chars = 0;
                lineStart = pos;
                continue;
            }
            ++chars;
            if (isHigh(c) && pos + 1 < s.size() && isLow(s[pos + 1])) {
                units += unitsOfUtf8Length(4, encoding);
                pos += 2;
                continue;
            }
            units += unitsOfUtf8Length(c < 0x80 ? 1 : c < 0x800 ? 2 : 3, encoding);
            ++pos;
        }
    }
};

struct Span {
    std::size_t bs, be, as, ae;
};

// The diff's changes at character boundaries: none splits a surrogate pair
// (the units beside a change are equal in both texts, so a change can grow
// over them), and changes that then touch become one.
std::vector<Span> characterSpans(std::u16string_view before, std::u16string_view after) {
    std::vector<Span> out;
    for (const editor::TextChange& c : editor::diffTexts(before, after)) {
        Span s{c.beforePos, c.beforePos + c.beforeLen, c.afterPos, c.afterPos + c.afterLen};
        if (s.bs > 0 && s.as > 0 && isHigh(before[s.bs - 1])) --s.bs, --s.as;
        if (s.be > 0 && s.be < before.size() && s.ae < after.size() && isHigh(before[s.be - 1]) && isLow(before[s.be]))
            ++s.be, ++s.ae;
        if (!out.empty() && out.back().be >= s.bs) {
            out.back().be = s.be;
            out.back().ae = s.ae;
        } else {
            out.push_back(s);
        }
    }
    return out;
}

using LineColumn = std::pair<std::size_t, std::size_t>;  // from 1, columns in characters

}  // namespace

namespace {

// Where a fix lies in the run's terms (lines and columns of characters),
// and the lines that hold it.
struct FixPlace {
    LineColumn from, to;
    std::size_t firstLineStart, lastLineEnd;  // UTF-16 offsets in the document
};

// A run's records that meet each fix name its switches.
void nameByRecords(std::vector<Fix>& fixes, const std::vector<FixPlace>& places,
                   const std::vector<engine::Change>& records) {
    std::size_t record = 0;
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const LineColumn from = places[i].from, to = places[i].to;
        std::vector<std::string>& rules = fixes[i].rules;
        rules.clear();
        while (record < records.size() && LineColumn{records[record].endLine, records[record].endColumn} < from)
            ++record;
        for (std::size_t r = record; r < records.size(); ++r) {
            const engine::Change& c = records[r];
            const LineColumn rs{c.line, c.column}, re{c.endLine, c.endColumn};
            if (rs > to) break;
            // Ranges that share characters, or an insertion at or inside
            // the other's range.
            const bool meets = (rs < to && from < re) || (rs == re && from <= rs && rs <= to) ||
                               (from == to && rs <= from && from <= re);
            if (meets && std::find(rules.begin(), rules.end(), c.rule) == rules.end()) rules.push_back(c.rule);
        }
        if (rules.empty()) rules.push_back("typeset");
    }
}

std::string typesetOf(std::u16string_view before, const DocumentSetup& setup,
                      const corrections::ScriptConverter* converter, std::vector<engine::Change>* records) {
    std::string input = text::gb18030FromUtf16(before, true);
    const bool finalBreak = input.ends_with("\r\n");
    engine::RunContext ctx;
    ctx.scriptConverter = converter;
    ctx.scriptStandard = setup.standard;
    std::string result =
        engine::typesetDocument(std::move(input), setup.format, false, setup.options, ctx, nullptr, records);
    if (finalBreak) {
        text::TextFormat format;
        format.finalBreak = "\r\n";
        text::keepFinalBreak(result, format);
    }
    return result;
}

// Past this many fixes not named from memory, the whole document is run
// again with records rather than each fix's lines on their own.
constexpr std::size_t kMaxNamedAlone = 16;
// Lines longer than this (UTF-16 units) are not run alone.
constexpr std::size_t kMaxLineAlone = 64 * 1024;

}  // namespace

Analysis analyseDocument(std::string_view utf8, const DocumentSetup& setup,
                         const corrections::ScriptConverter* converter, PositionEncoding encoding,
                         RuleMemory* memory) {
    std::string eol;
    const std::u16string before = utf16WithLineFeeds(utf8, eol);
    const bool markdown = setup.format == engine::DocumentFormat::Markdown;
    // Without a memory the switches are named from the run's own records.
    std::vector<engine::Change> records;
    const bool recordsNow = markdown && !memory;
    const std::u16string after =
        text::gb18030ToUtf16(typesetOf(before, setup, converter, recordsNow ? &records : nullptr), true);

    Analysis a;
    std::vector<FixPlace> places;
    Walker walk{before, encoding};
    std::size_t lineEnd = std::u16string::npos;
    for (const Span& s : characterSpans(before, after)) {
        Fix f;
        FixPlace p;
        walk.to(s.bs);
        const std::size_t startLine = walk.lineStart;
        f.start = {walk.line, walk.units};
        p.from = {walk.line + 1, walk.chars + 1};
        walk.to(s.be);
        f.end = {walk.line, walk.units};
        p.to = {walk.line + 1, walk.chars + 1};
        p.firstLineStart = startLine;
        // The end of the last line, found once for all the fixes on it.
        if (lineEnd == std::u16string::npos || lineEnd < s.be) lineEnd = std::min(before.find(u'\n', s.be), before.size());
        p.lastLineEnd = lineEnd;
        const std::u16string_view changedAfter = std::u16string_view(after).substr(s.as, s.ae - s.as);
        f.newText = utf8Of(changedAfter, eol);
        f.before = utf8Of(std::u16string_view(before).substr(s.bs, s.be - s.bs), "\n");
        f.after = utf8Of(changedAfter, "\n");
        a.fixes.push_back(std::move(f));
        places.push_back(p);
    }
    if (!markdown) {
        for (Fix& f : a.fixes) f.rules = {"typeset"};
        return a;
    }
    if (recordsNow) {
        nameByRecords(a.fixes, places, records);
        return a;
    }

    // A fix met before on the same lines, at the same place and with the
    // same texts, was made by the same switches; the others are named by a
    // run over their lines alone when it makes the very same change, else
    // by a run over the whole document with records.
    const bool remembered = memory->setup == setup;
    std::unordered_map<std::string, std::vector<std::string>> known;
    std::vector<std::string> keys;
    std::vector<std::size_t> unnamed;
    // The lines of a fix enter its key as a hash, taken once for all the
    // fixes on the same lines: a long line with many fixes costs its length
    // once.
    std::size_t hashedStart = std::u16string::npos, hashedEnd = 0, lineHash = 0;
    for (std::size_t i = 0; i < a.fixes.size(); ++i) {
        const FixPlace& p = places[i];
        if (p.firstLineStart != hashedStart || p.lastLineEnd != hashedEnd) {
            hashedStart = p.firstLineStart;
            hashedEnd = p.lastLineEnd;
            lineHash = std::hash<std::u16string_view>{}(std::u16string_view(before).substr(hashedStart, hashedEnd - hashedStart));
        }
        std::string key = std::to_string(lineHash) + '\x1F' + std::to_string(p.lastLineEnd - p.firstLineStart);
        key += '\x1F' + std::to_string(p.from.second) + '\x1F' + std::to_string(p.to.first - p.from.first) + '\x1F' +
               std::to_string(p.to.second) + '\x1F' + a.fixes[i].before + '\x1F' + a.fixes[i].after;
        const auto it = remembered ? memory->byKey.find(key) : memory->byKey.end();
        if (it != memory->byKey.end()) a.fixes[i].rules = it->second;
        else unnamed.push_back(i);
        keys.push_back(std::move(key));
    }
    bool whole = unnamed.size() > kMaxNamedAlone;
    std::optional<Analysis> alone;  // of the lines of the fix before, when this one's are the same
    std::size_t aloneStart = 0, aloneEnd = 0;
    for (std::size_t k = 0; k < unnamed.size() && !whole; ++k) {
        const std::size_t i = unnamed[k];
        const FixPlace& p = places[i];
        if (p.lastLineEnd - p.firstLineStart > kMaxLineAlone) {
            whole = true;
            break;
        }
        if (!alone || aloneStart != p.firstLineStart || aloneEnd != p.lastLineEnd) {
            const std::string lines =
                utf8Of(std::u16string_view(before).substr(p.firstLineStart, p.lastLineEnd - p.firstLineStart), "\n");
            alone = analyseDocument(lines, setup, converter, PositionEncoding::Utf32, nullptr);
            aloneStart = p.firstLineStart;
            aloneEnd = p.lastLineEnd;
        }
        const Position start{0, p.from.second - 1}, end{p.to.first - p.from.first, p.to.second - 1};
        whole = true;
        for (const Fix& g : alone->fixes)
            if (g.start == start && g.end == end && g.before == a.fixes[i].before && g.after == a.fixes[i].after) {
                a.fixes[i].rules = g.rules;
                whole = false;
            }
    }
    if (whole) {
        typesetOf(before, setup, converter, &records);
        nameByRecords(a.fixes, places, records);
    }
    memory->setup = setup;
    memory->byKey.clear();
    for (std::size_t i = 0; i < a.fixes.size(); ++i) memory->byKey.emplace(std::move(keys[i]), a.fixes[i].rules);
    return a;
}

Fix combinedFix(std::string_view utf8, const LineIndex& index, const std::vector<Fix>& fixes,
                PositionEncoding encoding) {
    Fix all;
    if (fixes.empty()) return all;
    all.start = fixes.front().start;
    all.end = fixes.back().end;
    PositionCursor cursor(utf8, index, encoding);
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        if (i > 0) {
            const std::size_t a = cursor.offsetOf(fixes[i - 1].end);
            const std::size_t b = cursor.offsetOf(fixes[i].start);
            all.newText.append(utf8.substr(a, b - a));
        }
        all.newText += fixes[i].newText;
    }
    all.rules.push_back("typeset");
    return all;
}

std::string ruleCaption(std::string_view rule) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kCaptions{{
        {"fixPunctuation", "标点修正"},
        {"fixQuotes", "引号修正"},
        {"spaceHanLatin", "中英文间加空格"},
        {"fullToHalfWidth", "全角转半角"},
        {"halfToFullWidth", "半角转全角"},
        {"toTraditional", "统一成繁体"},
        {"toSimplified", "统一成简体"},
        {"mixedPunctuation", "中英混排标点"},
        {"typeset", "排版"},
    }};
    for (const auto& [name, caption] : kCaptions)
        if (name == rule) return std::string(caption);
    if (const engine::TypesetOptionField* f = engine::findTypesetOptionField(rule))
        return std::string(f->captionUtf8.empty() ? f->configKeyUtf8 : f->captionUtf8);
    return std::string(rule);
}

namespace {

// A piece of text as a message shows it: line breaks as "↵", long pieces cut.
std::string shown(std::string_view s) {
    constexpr std::size_t kMaxChars = 20;
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size();) {
        if (++chars > kMaxChars) {
            out += "…";
            break;
        }
        const std::size_t len = std::min(utf8LengthOfLead(static_cast<unsigned char>(s[i])), s.size() - i);
        if (s[i] == '\n') out += "↵";
        else out.append(s.substr(i, len));
        i += len;
    }
    return out;
}

}  // namespace

std::string fixMessage(const Fix& fix) {
    std::string m;
    for (const std::string& r : fix.rules) {
        if (!m.empty()) m += "、";
        m += ruleCaption(r);
    }
    m += "：";
    if (fix.before.empty()) m += "插入“" + shown(fix.after) + "”";
    else if (fix.after.empty()) m += "删除“" + shown(fix.before) + "”";
    else m += shown(fix.before) + " → " + shown(fix.after);
    return m;
}

}  // namespace folvane::lsp

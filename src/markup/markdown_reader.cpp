#include "markup/markdown_reader.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "text/codec.h"
#include "text/gb18030.h"

namespace folvane::markup {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// Line starts as the CommonMark reader counts lines: after "\r\n", "\n" or
// a lone "\r". Line and column numbers of its nodes are taken from here.
std::vector<std::size_t> lineStarts(std::string_view s) {
    std::vector<std::size_t> starts{0};
    const char* d = s.data();
    const std::size_t n = s.size();
    // Line feeds are found with memchr; a lone "\r" is rare and looked for
    // only in the stretches between them.
    for (std::size_t from = 0; from < n;) {
        const void* lf = std::memchr(d + from, '\n', n - from);
        const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - d) : n;
        for (const char* cr = static_cast<const char*>(std::memchr(d + from, '\r', end - from)); cr;) {
            const auto i = static_cast<std::size_t>(cr - d);
            if (i + 1 < end) starts.push_back(i + 1);  // a "\r" not before the line feed
            cr = i + 1 < end ? static_cast<const char*>(std::memchr(d + i + 1, '\r', end - i - 1)) : nullptr;
        }
        if (!lf) break;
        starts.push_back(end + 1);
        from = end + 1;
    }
    return starts;
}

// Length of the line's content starting at `start` (its break not included).
std::size_t contentEnd(std::string_view s, std::size_t start) {
    std::size_t i = start;
    while (i < s.size() && s[i] != '\r' && s[i] != '\n') ++i;
    return i;
}

std::string_view trimmed(std::string_view s) {
    const std::size_t a = s.find_first_not_of(" \t");
    if (a == npos) return {};
    const std::size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

// Length of the UTF-8 unit at `p`: a well-formed character, else one byte.
// The reader's input holds no malformed bytes (they are replaced by one
// byte each before it), so a unit is always a character there.
std::size_t utf8UnitLength(std::string_view s, std::size_t p) {
    const auto c = static_cast<unsigned char>(s[p]);
    std::size_t len = c < 0x80 ? 1 : c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (len == 0 || p + len > s.size()) return 1;
    for (std::size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[p + k]) & 0xC0) != 0x80) return 1;
    if (len == 3) {
        const auto c1 = static_cast<unsigned char>(s[p + 1]);
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0)) return 1;
    } else if (len == 4) {
        const auto c1 = static_cast<unsigned char>(s[p + 1]);
        if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90)) return 1;
    }
    return len;
}

// Every byte that is no part of a UTF-8 character, and NUL, becomes 0x1A:
// the reader would replace each with three bytes and shift the columns of
// the rest of the line. One byte for one byte keeps every offset.
void replaceMalformed(std::string& s) {
    if (text::isValidUtf8(s) && std::memchr(s.data(), '\0', s.size()) == nullptr) return;
    for (std::size_t p = 0; p < s.size();) {
        if (s[p] == '\0') {
            s[p++] = '\x1A';
            continue;
        }
        const std::size_t len = utf8UnitLength(s, p);
        if (len == 1 && static_cast<unsigned char>(s[p]) >= 0x80) s[p] = '\x1A';
        p += len;
    }
}

bool isAsciiPunctuation(char c) {
    return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') || (c >= '{' && c <= '~');
}

bool isAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Length of an entity or numeric character reference at `p` ("&amp;",
// "&#123;", "&#x1F;"), or 0.
std::size_t entityLength(std::string_view s, std::size_t p) {
    if (p >= s.size() || s[p] != '&') return 0;
    std::size_t i = p + 1;
    auto digits = [&](auto isDigit, std::size_t most) {
        const std::size_t from = i;
        while (i < s.size() && i - from < most && isDigit(s[i])) ++i;
        return i > from;
    };
    if (i < s.size() && s[i] == '#') {
        ++i;
        bool ok;
        if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
            ++i;
            ok = digits([](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }, 6);
        } else {
            ok = digits([](char c) { return c >= '0' && c <= '9'; }, 7);
        }
        if (!ok) return 0;
    } else {
        if (i >= s.size() || !std::isalpha(static_cast<unsigned char>(s[i]))) return 0;
        digits([](char c) { return isAsciiAlnum(c); }, 32);
    }
    return i < s.size() && s[i] == ';' ? i + 1 - p : 0;
}

// The reader, set up once: CommonMark with the GFM extensions, and the node
// types the extensions register (read off a parsed sample, as the library
// exports no names for them).
struct Extensions {
    cmark_syntax_extension* table;
    cmark_syntax_extension* strikethrough;
    cmark_syntax_extension* autolink;
    cmark_syntax_extension* tasklist;
    cmark_node_type tableCell = CMARK_NODE_NONE;
    cmark_node_type strikethroughNode = CMARK_NODE_NONE;
};

const Extensions& extensions() {
    static const Extensions e = [] {
        cmark_gfm_core_extensions_ensure_registered();
        Extensions x{cmark_find_syntax_extension("table"), cmark_find_syntax_extension("strikethrough"),
                     cmark_find_syntax_extension("autolink"), cmark_find_syntax_extension("tasklist")};
        cmark_parser* p = cmark_parser_new(CMARK_OPT_DEFAULT);
        for (cmark_syntax_extension* ext : {x.table, x.strikethrough})
            if (ext) cmark_parser_attach_syntax_extension(p, ext);
        const char sample[] = "| a |\n|---|\n| ~~b~~ |\n";
        cmark_parser_feed(p, sample, sizeof sample - 1);
        cmark_node* doc = cmark_parser_finish(p);
        cmark_iter* it = cmark_iter_new(doc);
        for (cmark_event_type ev; (ev = cmark_iter_next(it)) != CMARK_EVENT_DONE;) {
            cmark_node* n = cmark_iter_get_node(it);
            const char* name = cmark_node_get_type_string(n);
            if (!name) continue;
            if (std::strcmp(name, "table_cell") == 0) x.tableCell = cmark_node_get_type(n);
            if (std::strcmp(name, "strikethrough") == 0) x.strikethroughNode = cmark_node_get_type(n);
        }
        cmark_iter_free(it);
        cmark_node_free(doc);
        cmark_parser_free(p);
        return x;
    }();
    return e;
}

struct ParserDeleter {
    void operator()(cmark_parser* p) const { cmark_parser_free(p); }
};
struct NodeDeleter {
    void operator()(cmark_node* n) const { cmark_node_free(n); }
};
struct IterDeleter {
    void operator()(cmark_iter* i) const { cmark_iter_free(i); }
};

// Positions of the UTF-8 form (what the reader reads) mapped back to the
// GB18030 text, character by character within a line. Both forms have the
// same line breaks; a line whose characters do not pair up one to one is
// refused (no position on it maps).
class PositionMap {
public:
    PositionMap(std::string_view gb, std::string_view u8) : gb_(gb), u8_(u8), gbLines_(lineStarts(gb)),
                                                            u8Lines_(lineStarts(u8)) {}

    bool linesAgree() const { return gbLines_.size() == u8Lines_.size(); }
    const std::vector<std::size_t>& gbLines() const { return gbLines_; }
    std::size_t lineCount() const { return u8Lines_.size(); }
    std::size_t u8LineStart(std::size_t line) const { return u8Lines_[line]; }
    std::size_t gbLineStart(std::size_t line) const {
        return line < gbLines_.size() ? gbLines_[line] : gb_.size();
    }

    // The GB18030 offset of UTF-8 offset `u8` on line `line` (from 0), or
    // npos when it falls inside a character or the line does not pair up.
    std::size_t toGb(std::size_t line, std::size_t u8) {
        if (line != line_ || u8 < u8Pos_) {
            line_ = line;
            u8Pos_ = u8Lines_[line];
            gbPos_ = gbLines_[line];
        }
        while (u8Pos_ < u8) {
            if (gbPos_ >= gb_.size()) return npos;
            const std::size_t gbLen = text::charLength(gb_, gbPos_);
            const auto g = static_cast<unsigned char>(gb_[gbPos_]);
            const std::size_t u8Len = utf8UnitLength(u8_, u8Pos_);
            if ((g < 0x80) != (static_cast<unsigned char>(u8_[u8Pos_]) < 0x80) || (g < 0x80 && u8Len != 1) ||
                (g == '\r' || g == '\n')) {
                line_ = npos;  // out of step: start over next time
                return npos;
            }
            gbPos_ += gbLen;
            u8Pos_ += u8Len;
        }
        return u8Pos_ == u8 ? gbPos_ : npos;
    }

private:
    std::string_view gb_, u8_;
    std::vector<std::size_t> gbLines_, u8Lines_;
    std::size_t line_ = npos, u8Pos_ = 0, gbPos_ = 0;
};

struct Range {
    std::size_t start, end;
};

// The math of a document, in GB18030 offsets: blocks from a line that starts
// with "$$" to a line that ends with it, and "$…$" or "$$…$$" within a line
// (an opening "$" before a character that is no space, a closing one after
// such a character and before no digit, neither escaped). A "$$" without
// its closing line is the math of its own line only.
void mathRanges(std::string_view s, const std::vector<std::size_t>& lines, std::vector<Range>& out) {
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::size_t a = lines[l], e = contentEnd(s, a);
        const std::string_view t = trimmed(s.substr(a, e - a));
        if (t.starts_with("$$") && !(t.size() >= 4 && t.ends_with("$$"))) {
            std::size_t m = l + 1;
            while (m < lines.size() && !trimmed(s.substr(lines[m], contentEnd(s, lines[m]) - lines[m])).ends_with("$$"))
                ++m;
            if (m < lines.size()) {
                out.push_back({a, contentEnd(s, lines[m])});
                l = m;
                continue;
            }
        }
        for (std::size_t i = a; i < e; ++i) {
            if (s[i] != '$' || (i > a && s[i - 1] == '\\')) continue;
            const std::size_t marks = (i + 1 < e && s[i + 1] == '$') ? 2 : 1;
            const std::size_t open = i + marks;
            if (open >= e || s[open] == ' ' || s[open] == '\t') {
                i = open - 1;
                continue;
            }
            std::size_t close = npos;
            for (std::size_t j = open + 1; j < e; ++j) {
                if (s[j] != '$' || s[j - 1] == '\\' || s[j - 1] == ' ' || s[j - 1] == '\t') continue;
                if (marks == 2 && (j + 1 >= e || s[j + 1] != '$')) continue;
                const std::size_t after = j + marks;
                if (marks == 1 && after < e && s[after] >= '0' && s[after] <= '9') continue;
                close = after;
                break;
            }
            if (close == npos) {
                i = open - 1;
                continue;
            }
            out.push_back({i, close});
            i = close - 1;
        }
    }
}

bool isMarkupNode(cmark_node_type t, const Extensions& e) {
    return t == CMARK_NODE_EMPH || t == CMARK_NODE_STRONG || t == CMARK_NODE_LINK ||
           (t == e.strikethroughNode && t != CMARK_NODE_NONE);
}

bool isBlockOfProse(cmark_node_type t, const Extensions& e) {
    return t == CMARK_NODE_PARAGRAPH || t == CMARK_NODE_HEADING || (t == e.tableCell && t != CMARK_NODE_NONE);
}

// A link the reader made of an address (an autolink "<…>" or a bare
// address): its one text is its destination, less "mailto:" or "http://".
bool isAutolink(cmark_node* link) {
    cmark_node* child = cmark_node_first_child(link);
    if (!child || cmark_node_next(child) || cmark_node_get_type(child) != CMARK_NODE_TEXT) return false;
    const char* url = cmark_node_get_url(link);
    const char* lit = cmark_node_get_literal(child);
    if (!url || !lit) return false;
    const std::string_view u(url), l(lit);
    auto prefixed = [&](std::string_view prefix) { return u.size() == prefix.size() + l.size() && u.starts_with(prefix) && u.ends_with(l); };
    return u == l || prefixed("mailto:") || prefixed("http://");
}

enum class Marker { None, Disable, Enable, DisableNextLine };

Marker markerOf(const char* literal) {
    if (!literal) return Marker::None;
    std::string_view t = trimmed(literal);
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t = trimmed(t.substr(0, t.size() - 1));
    if (!t.starts_with("<!--") || !t.ends_with("-->")) return Marker::None;
    t = trimmed(t.substr(4, t.size() - 7));
    if (t == "folvane-disable") return Marker::Disable;
    if (t == "folvane-enable") return Marker::Enable;
    if (t == "folvane-disable-next-line") return Marker::DisableNextLine;
    return Marker::None;
}

class ProseCollector {
public:
    ProseCollector(std::string_view gb, std::string_view u8) : gb_(gb), u8_(u8), map_(gb, u8), ext_(extensions()) {}

    std::vector<ProseRun> collect(cmark_node* document) {
        if (!map_.linesAgree()) return {};
        std::unique_ptr<cmark_iter, IterDeleter> it(cmark_iter_new(document));
        cmark_event_type ev;
        while ((ev = cmark_iter_next(it.get())) != CMARK_EVENT_DONE) {
            cmark_node* n = cmark_iter_get_node(it.get());
            const bool enter = ev == CMARK_EVENT_ENTER;
            const cmark_node_type t = cmark_node_get_type(n);
            if (isBlockOfProse(t, ext_)) {
                if (enter) {
                    ++block_;
                    depth_ = 0;
                    markupOnly_ = false;
                    lastDepth_ = 0;
                }
                continue;
            }
            if (t == CMARK_NODE_LINK && isAutolink(n)) {
                skip_ += enter ? 1 : -1;
                markupOnly_ = false;
                continue;
            }
            if (isMarkupNode(t, ext_)) {
                depth_ += enter ? 1 : -1;
                continue;
            }
            if (!enter) continue;
            if (t == CMARK_NODE_HTML_BLOCK || t == CMARK_NODE_HTML_INLINE) noteMarker(n);
            if (t == CMARK_NODE_TEXT && skip_ == 0) {
                addText(n);
                continue;
            }
            markupOnly_ = false;
        }
        if (disabledFrom_ != npos) excluded_.push_back({disabledFrom_, gb_.size()});
        return finish();
    }

private:
    void noteMarker(cmark_node* n) {
        const Marker m = markerOf(cmark_node_get_literal(n));
        if (m == Marker::None) return;
        // The reader's end line of an HTML block is not that of its last
        // line: count the lines of its text.
        const int startLine = cmark_node_get_start_line(n);
        if (startLine <= 0) return;
        std::string_view lit(cmark_node_get_literal(n));
        while (!lit.empty() && (lit.back() == '\n' || lit.back() == '\r')) lit.remove_suffix(1);
        std::size_t lines = 1;
        for (std::size_t i = 0; i < lit.size(); ++i)
            if (lit[i] == '\n' || (lit[i] == '\r' && (i + 1 >= lit.size() || lit[i + 1] != '\n'))) ++lines;
        const std::size_t after = static_cast<std::size_t>(startLine - 1) + lines;  // the line after, from 0
        if (m == Marker::Disable && disabledFrom_ == npos) {
            disabledFrom_ = map_.gbLineStart(static_cast<std::size_t>(startLine - 1));
        } else if (m == Marker::Enable && disabledFrom_ != npos) {
            excluded_.push_back({disabledFrom_, map_.gbLineStart(after)});
            disabledFrom_ = npos;
        } else if (m == Marker::DisableNextLine) {
            excluded_.push_back({map_.gbLineStart(after), map_.gbLineStart(after + 1)});
        }
    }

    // The pieces of a text node that are its source as written: a
    // backslash escape or an entity (whose text differs from its source)
    // ends one piece, and the next starts behind it.
    // Where the literal of a text node is written in the source from `a`
    // on (within the line ending at `lineEnd`): the pieces that are its
    // source as written, without the escapes and entities between them.
    // False when the source from `a` is not that literal.
    bool align(std::size_t a, std::size_t lineEnd, std::string_view literal,
               std::vector<std::pair<std::size_t, std::size_t>>& pieces) const {
        pieces.clear();
        const std::string_view src = u8_.substr(a, lineEnd - a);
        std::size_t i = 0, j = 0, pieceStart = 0;
        auto piece = [&](std::size_t to) {
            if (to > pieceStart) pieces.emplace_back(a + pieceStart, a + to);
        };
        while (j < literal.size()) {
            if (i >= src.size()) return false;
            const char c = src[i];
            if (c == '\\' && i + 1 < src.size() && isAsciiPunctuation(src[i + 1])) {
                if (literal[j] != src[i + 1]) return false;
                piece(i);
                i += 2;
                j += 1;
                pieceStart = i;
                continue;
            }
            if (c == '&') {
                const std::size_t e = entityLength(src, i);
                if (e > 0 && literal.substr(j, e) != src.substr(i, e)) {
                    piece(i);
                    std::size_t k = utf8UnitLength(literal, j);
                    const std::size_t next = i + e;
                    if (j + k < literal.size() && next < src.size() && literal[j + k] != src[next] &&
                        src[next] != '&' && src[next] != '\\')
                        k += utf8UnitLength(literal, j + k);
                    i = next;
                    j += k;
                    pieceStart = i;
                    continue;
                }
            }
            if (c != literal[j]) return false;
            ++i;
            ++j;
        }
        piece(i);
        return true;
    }

    // The pieces of a text node that are its source as written: a
    // backslash escape or an entity (whose text differs from its source)
    // ends one piece, and the next starts behind it. The reader's column
    // is taken first; where the literal is not written there (columns on
    // the continuation lines of some containers, and after a backslash
    // break, are off), the line is searched: the last place at or before
    // the reader's column, else the first after it, behind what this line
    // gave already.
    void addText(cmark_node* n) {
        const int line = cmark_node_get_start_line(n);
        const int col = cmark_node_get_start_column(n);
        const char* lit = cmark_node_get_literal(n);
        const bool first = !markupOnly_ || lastBlock_ != block_;
        markupOnly_ = false;
        lastBlock_ = block_;
        if (!lit || line <= 0 || col <= 0 || !*lit) return;
        std::size_t l = static_cast<std::size_t>(line - 1);
        if (l >= map_.lineCount()) return;
        std::size_t a = map_.u8LineStart(l) + static_cast<std::size_t>(col - 1);
        if (a > u8_.size()) return;
        // A column past its line's end counts on into the lines after it.
        while (l + 1 < map_.lineCount() && a >= contentEnd(u8_, map_.u8LineStart(l))) ++l;
        const std::size_t lineStart = map_.u8LineStart(l);
        a = std::max(a, lineStart);
        const std::size_t lineEnd = contentEnd(u8_, lineStart);
        const std::string_view literal(lit);
        const std::size_t floor = lastLine_ == l ? lastEnd_ : lineStart;
        bool found = a >= floor && a <= lineEnd && align(a, lineEnd, literal, pieces_);
        if (!found) {
            std::size_t best = npos;
            for (std::size_t p = floor; p < lineEnd; ++p) {
                if (u8_[p] != literal[0] && u8_[p] != '\\' && u8_[p] != '&') continue;
                if (!align(p, lineEnd, literal, spare_)) continue;
                if (p <= a || best == npos) best = p;
                if (p > a) break;
            }
            if (best == npos) return;
            align(best, lineEnd, literal, pieces_);
            found = true;
        }
        bool joined = !first;
        for (const auto& [from, to] : pieces_) {
            addRun(l, from, to, joined);
            joined = false;
        }
        if (!pieces_.empty()) {
            lastLine_ = l;
            lastEnd_ = pieces_.back().second;
        }
        markupOnly_ = true;
        lastDepth_ = depth_;
    }

    void addRun(std::size_t line, std::size_t u8a, std::size_t u8b, bool joined) {
        const std::size_t ga = map_.toGb(line, u8a);
        if (ga == npos) return;
        const std::size_t gbEnd = map_.toGb(line, u8b);
        if (gbEnd == npos) return;
        ProseRun r;
        r.start = ga;
        r.end = gbEnd;
        r.block = block_;
        r.afterMarkup = joined && !runs_.empty() && runs_.back().block == block_ && runs_.back().end < ga;
        r.spaceBeforeMarkers = depth_ > lastDepth_;
        runs_.push_back(r);
    }

    // Runs in text order, less the excluded stretches (math, disabled
    // passages); the block numbers rise with the text.
    std::vector<ProseRun> finish() {
        mathRanges(gb_, map_.gbLines(), excluded_);
        std::stable_sort(runs_.begin(), runs_.end(),
                         [](const ProseRun& x, const ProseRun& y) { return x.start < y.start; });
        std::sort(excluded_.begin(), excluded_.end(), [](const Range& x, const Range& y) { return x.start < y.start; });
        std::vector<ProseRun> out;
        out.reserve(runs_.size());
        std::size_t e = 0;
        std::uint32_t lastOld = 0, renumbered = 0;
        for (ProseRun r : runs_) {
            if (r.block != lastOld) {
                lastOld = r.block;
                ++renumbered;
            }
            r.block = renumbered;
            while (e < excluded_.size() && excluded_[e].end <= r.start) ++e;
            std::size_t k = e;
            bool cut = false;
            while (r.start < r.end && k < excluded_.size() && excluded_[k].start < r.end) {
                const Range& x = excluded_[k];
                if (x.start > r.start) {
                    ProseRun head = r;
                    head.end = x.start;
                    out.push_back(head);
                }
                r.start = std::max(r.start, std::min(x.end, r.end));
                cut = true;
                ++k;
            }
            if (cut) r.afterMarkup = false;
            if (r.start < r.end) out.push_back(r);
        }
        return out;
    }

    std::string_view gb_, u8_;
    PositionMap map_;
    const Extensions& ext_;
    std::vector<ProseRun> runs_;
    std::vector<Range> excluded_;
    std::vector<std::pair<std::size_t, std::size_t>> pieces_, spare_;
    std::size_t lastLine_ = npos, lastEnd_ = 0;  // the end of the last text taken, and its line
    std::uint32_t block_ = 0, lastBlock_ = 0;
    int depth_ = 0, lastDepth_ = 0, skip_ = 0;
    bool markupOnly_ = false;
    std::size_t disabledFrom_ = npos;
};

}  // namespace

std::size_t frontMatterLength(std::string_view s) {
    const std::size_t firstEnd = contentEnd(s, 0);
    const std::string_view first = s.substr(0, firstEnd);
    std::string_view fence;
    if (first.find_last_not_of(" \t") == 2 && (first.starts_with("---") || first.starts_with("+++")))
        fence = first.substr(0, 3);
    if (fence.empty()) return 0;
    auto nextLine = [&](std::size_t end) {
        if (end < s.size() && s[end] == '\r') ++end;
        if (end < s.size() && s[end] == '\n') ++end;
        return end;
    };
    for (std::size_t a = nextLine(firstEnd); a < s.size();) {
        const std::size_t e = contentEnd(s, a);
        const std::string_view line = s.substr(a, e - a);
        const std::string_view t = line.substr(0, line.find_last_not_of(" \t") + 1);
        if (t == fence || (fence == "---" && t == "...")) return nextLine(e);
        if (e == a && e >= s.size()) break;
        a = nextLine(e);
    }
    return 0;
}

std::vector<ProseRun> markdownProse(std::string_view gb) {
    if (gb.empty()) return {};
    std::string u8 = text::gb18030ToUtf8(gb);
    replaceMalformed(u8);
    // The front matter becomes blank lines: the reader sees none of it, and
    // the lines after it keep their numbers.
    const std::size_t front = frontMatterLength(u8);
    for (std::size_t i = 0; i < front; ++i)
        if (u8[i] != '\r' && u8[i] != '\n') u8[i] = ' ';

    const Extensions& ext = extensions();
    std::unique_ptr<cmark_parser, ParserDeleter> parser(
        cmark_parser_new(CMARK_OPT_SOURCEPOS | CMARK_OPT_FOOTNOTES));
    for (cmark_syntax_extension* e : {ext.table, ext.strikethrough, ext.autolink, ext.tasklist})
        if (e) cmark_parser_attach_syntax_extension(parser.get(), e);
    cmark_parser_feed(parser.get(), u8.data(), u8.size());
    std::unique_ptr<cmark_node, NodeDeleter> document(cmark_parser_finish(parser.get()));
    if (!document) return {};
    ProseCollector collector(gb, u8);
    return collector.collect(document.get());
}

}  // namespace folvane::markup

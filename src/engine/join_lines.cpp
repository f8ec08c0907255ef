#include "engine/join_lines.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/paragraph_ends.h"
#include "text/codec.h"
#include "text/gb18030.h"
#include "text/release.h"
#include "text/search.h"

namespace folvane::engine {
namespace {

// The sixteen sentence-final characters: 。？.?!！}】]>》”'：:’ (GB18030).
bool isSentenceEnd(std::string_view c) {
    if (c.size() == 1) {
        switch (c[0]) {
            case '.': case '?': case '!': case '}': case ']': case '>': case '\'': case ':':
                return true;
            default:
                return false;
        }
    }
    if (c.size() != 2) return false;
    static constexpr std::string_view kWide[] = {
        "\xA1\xA3",  // 。
        "\xA3\xBF",  // ？
        "\xA3\xA1",  // ！
        "\xA1\xBF",  // 】
        "\xA1\xB7",  // 》
        "\xA1\xB1",  // ”
        "\xA3\xBA",  // ：
        "\xA1\xAF",  // ’
    };
    for (std::string_view w : kWide)
        if (c == w) return true;
    return false;
}

// True when a character ending in byte `b` may be one of the sentence ends.
bool mayEndSentence(unsigned char b) {
    switch (b) {
        case '.': case '?': case '!': case '}': case ']': case '>': case '\'': case ':':
        case 0xA3: case 0xBF: case 0xA1: case 0xB7: case 0xB1: case 0xBA: case 0xAF:
            return true;
        default:
            return false;
    }
}

// True when the character that ends at `end` (after `floor`) may be one of
// the sentence ends: an ASCII one's byte (which may also be the second byte
// of a character), or a pair of bytes that is one of the wide ones.
bool mayEndSentenceAt(const char* s, std::size_t end, std::size_t floor) {
    const auto b = static_cast<unsigned char>(s[end - 1]);
    switch (b) {
        case '.': case '?': case '!': case '}': case ']': case '>': case '\'': case ':':
            return true;
        default:
            break;
    }
    if (end - floor < 2) return false;
    const auto a = static_cast<unsigned char>(s[end - 2]);
    if (a == 0xA1) return b == 0xA3 || b == 0xBF || b == 0xB7 || b == 0xB1 || b == 0xAF;
    if (a == 0xA3) return b == 0xBF || b == 0xA1 || b == 0xBA;
    return false;
}

// Steps 2 and 3 in one pass: every "\r\n" right after a sentence-final
// character becomes the paragraph mark; every other "\r\n" followed by two
// full-width spaces is deleted with them. This equals one replace-all per
// sentence-final character and then one for "\r\n　　": a mark neither ends
// in such a character nor holds a line break, and the bytes after a line
// break are the same whether or not an earlier one became a mark.
// `s` is replaced by the result, so the lines done are given back as it
// grows (only the current line is ever looked at behind the search).
void markEndsAndDropIndents(std::string& s, const std::string& mark) {
    static constexpr std::string_view kIndent = "\xA1\xA1\xA1\xA1";
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    std::size_t copied = 0;
    std::size_t floor = 0;  // a boundary: the end of the previous line break
    std::size_t outFloor = 0;  // a boundary of `out` behind which nothing can join any more
    text::FrontReleaser done(s);
    for (std::size_t c = text::findAligned(s, "\r\n"); c != text::npos;
         c = text::findAligned(s, "\r\n", c + 2)) {
        const std::size_t lineStart = floor;
        done.consumed(std::min(copied, lineStart));
        floor = c + 2;
        bool end = false;
        if (c > lineStart && mayEndSentence(static_cast<unsigned char>(s[c - 1]))) {
            const std::size_t prev = text::charStartBefore(s, c, lineStart);
            end = isSentenceEnd(std::string_view(s).substr(prev, c - prev));
        }
        if (end) {
            out.append(s, copied, c - copied);
            out += mark;
            copied = c + 2;
        } else if (std::string_view(s).substr(c + 2, kIndent.size()) == kIndent) {
            out.append(s, copied, c - copied);
            copied = c + 2 + kIndent.size();
            floor = copied;
            // Kept where deleting it would join an opaque byte before it
            // with the bytes after it into one character.
            if (text::joinsOpaqueByte(out, outFloor, std::string_view(s).substr(copied), {}, &outFloor))
                out.append(s, c, copied - c);
        }
    }
    out.append(s, copied, std::string::npos);
    s.swap(out);
}

std::string separatorFor(std::string_view indent, const TypesetOptions& options) {
    const std::string i(indent);
    std::string separator = "\r\n";
    if (options.doubleBreak) separator = options.fillBlankLines ? "\r\n" + i + "\r\n" : "\r\n\r\n" + i;
    if (options.tripleBreak)
        separator = options.fillBlankLines ? "\r\n" + i + "\r\n" + i + "\r\n" : "\r\n\r\n\r\n" + i;
    return separator;
}

// The byte that stands for a paragraph mark while the text is joined in
// place; where the marks are is recorded apart, so the byte itself is never
// searched for.
constexpr char kMarkByte = '$';

// markParagraphEnds, the first step of joinLines (an explicit mark and the
// break after it become the paragraph mark) and markEndsAndDropIndents in one
// pass, in place, with one byte for each paragraph mark; the positions of the
// marks go to `marks`. Returns true when a byte '\n' is left, which the later
// deletions have to see.
// Why this equals the three steps, for a text without marks of its own:
// - markParagraphEnds puts the explicit mark before a break and the first
//   step turns that mark and the break into the paragraph mark (matches of
//   mark and break cannot overlap), so a break that `ends` names becomes the
//   paragraph mark directly. Such a break is also one the second step would
//   make a mark when it follows a sentence end, which is why `ends` is only
//   asked about the other breaks.
// - markEndsAndDropIndents then sees the breaks that are left, with a mark
//   where a named break stood. Both a mark and a break begin and end with a
//   byte that is always a character of its own and is no digit, so the
//   character before a break, the four bytes after it and whether a deleted
//   indent would join an opaque byte with what follows are the same here.
// - The one-byte stand-in has that property too, and a mark is never split
//   by any step, so the opaque test on the output gives the same answer with
//   it as with the whole mark (an opaque lead byte before it can never join
//   across it).
// The output is never longer than what has been read (a break of two bytes
// becomes one, or goes with its indent), and every byte looked at (the line,
// the character before the break, the bytes after it) lies ahead of it.
bool markAndDropInPlace(std::string& s, ExplicitParagraphEnds* ends, std::vector<std::size_t>& marks) {
    static constexpr std::string_view kIndent = "\xA1\xA1\xA1\xA1";
    const std::string_view v = s;
    char* d = s.data();
    const std::size_t n = s.size();
    std::size_t written = 0;
    std::size_t copied = 0;     // bytes before this are written or dropped
    std::size_t floor = 0;      // a boundary of the text at or before the line's start
    std::size_t lineStart = 0;  // start of the line as markParagraphEnds splits the text
    std::size_t outFloor = 0;   // a boundary of the output behind which nothing can join any more
    std::size_t number = 0;
    bool breaksLeft = false;
    auto emit = [&](std::size_t from, std::size_t to) {
        if (written != from) std::memmove(d + written, d + from, to - from);
        written += to - from;
    };
    // Each "\r\n" is found by its '\n'. A '\n' without a '\r' before it is
    // left for the deletions; a '\r' without a '\n' after it does not
    // matter to them: they delete "\r\n" only, and with no '\n' left
    // there is none.
    for (std::size_t scan = 0; scan < n;) {
        const void* hit = std::memchr(d + scan, '\n', n - scan);
        if (!hit) break;
        const auto i = static_cast<std::size_t>(static_cast<const char*>(hit) - d);
        if (i == 0 || d[i - 1] != '\r') {
            breaksLeft = true;
            scan = i + 1;
            continue;
        }
        const std::size_t c = i - 1;
        scan = c + 2;
        bool end = false;
        if (c > floor && mayEndSentenceAt(d, c, floor)) {
            const std::size_t prev = text::charStartBefore(v, c, floor);
            end = isSentenceEnd(v.substr(prev, c - prev));
        }
        if (!end && ends) end = ends->at(v.substr(lineStart, c - lineStart), number);
        ++number;
        lineStart = c + 2;
        floor = c + 2;
        if (end) {
            emit(copied, c);
            marks.push_back(written);
            d[written++] = kMarkByte;
            copied = c + 2;
        } else if (v.substr(c + 2, kIndent.size()) == kIndent) {
            emit(copied, c);
            copied = c + 2 + kIndent.size();
            floor = copied;
            // Kept where deleting it would join an opaque byte before it
            // with the bytes after it into one character: the break and
            // the indent are then written with the next stretch. Nothing
            // joins with a byte that is always a character of its own (the
            // next line break), and without the test `outFloor` stays a
            // boundary behind which nothing joins.
            if ((copied < n && !text::isStandaloneByte(static_cast<unsigned char>(d[copied]))) &&
                text::joinsOpaqueByte(std::string_view(d, written), outFloor, v.substr(copied), {}, &outFloor)) {
                copied = c;
                breaksLeft = true;
            }
        } else {
            breaksLeft = true;
        }
    }
    emit(copied, n);
    s.resize(written);
    return breaksLeft;
}

// Writes `repl` for each one-byte mark at `marks` (ascending), working from
// the end so that the text grows in place.
void expandMarks(std::string& s, const std::vector<std::size_t>& marks, std::string_view repl) {
    const std::size_t n = s.size();
    const std::size_t size = n + marks.size() * (repl.size() - 1);
    if (size > s.capacity()) s.reserve(size);
    s.resize(size);
    char* d = s.data();
    std::size_t read = n, written = size;
    for (auto k = marks.size(); k-- > 0;) {
        const std::size_t q = marks[k];
        const std::size_t len = read - (q + 1);
        written -= len;
        std::memmove(d + written, d + q + 1, len);
        written -= repl.size();
        std::memcpy(d + written, repl.data(), repl.size());
        read = q;
    }
}

// Collapses each mark followed by `indent` and another mark to the first
// mark, as often as that is found: of a run "mark (indent mark)*" the first
// mark stays. A mark is dropped with the indent before it exactly when the
// stretch between it and the mark before it is `indent`, whether that mark
// stayed or not, since dropping leaves the mark before followed by the same
// stretch.
void collapseMarkRuns(std::string& s, std::vector<std::size_t>& marks, std::string_view indent) {
    std::vector<bool> drop(marks.size(), false);
    bool any = false;
    for (std::size_t k = 1; k < marks.size(); ++k) {
        if (marks[k] - marks[k - 1] - 1 == indent.size() &&
            std::string_view(s).substr(marks[k - 1] + 1, indent.size()) == indent) {
            drop[k] = any = true;
        }
    }
    if (!any) return;
    char* d = s.data();
    std::size_t read = 0, written = 0, kept = 0;
    for (std::size_t k = 0; k < marks.size(); ++k) {
        const std::size_t q = marks[k];
        if (drop[k]) {
            // Drop the indent before the mark and the mark itself.
            const std::size_t cut = q - indent.size();
            std::memmove(d + written, d + read, cut - read);
            written += cut - read;
            read = q + 1;
        } else {
            marks[kept++] = written + (q - read);
        }
    }
    std::memmove(d + written, d + read, s.size() - read);
    s.resize(written + s.size() - read);
    marks.resize(kept);
}

// False when the text can hold no paragraph or explicit mark of its own,
// nor bytes that deletions could make into one, so that every mark any step
// finds is one that was put in. A mark found takes its 'Q' either from a
// mark put in (and then is that mark: those are never split) or from the
// text, and then its seventh byte '$' too (a '$' beginning a mark put in is
// followed by 'Q', not by the rest of the mark).
bool mayHoldMarks(std::string_view s) {
    return std::memchr(s.data(), '$', s.size()) && std::memchr(s.data(), 'Q', s.size());
}

}  // namespace

const std::string& paragraphEndMark() {
    static const std::string mark = text::gb("$Qelvo$行为艺术二$");
    return mark;
}

const std::string& explicitEndMark() {
    static const std::string mark = text::gb("$Qelvo$行为艺术$");
    return mark;
}

namespace {

// The steps of joinLines after the marks are made.
void deleteBreaksAndSeparate(std::string& buf, std::string_view indent, const TypesetOptions& options) {
    const std::string& mark = paragraphEndMark();
    // No deletion joins an opaque byte with the bytes after it.
    text::replaceAllInPlace(buf, "\r\n    ", "", true);
    // Deleting a "\r\n" can bring a "\r" and a "\n" together: repeat.
    text::replaceAllRepeat(buf, "\r\n", "", true);
    const std::string doubled = mark + std::string(indent) + mark;
    text::replaceAllRepeat(buf, doubled, mark);
    text::replaceAllInPlace(buf, mark, separatorFor(indent, options));
}

}  // namespace

std::string joinLinesByTheSteps(std::string buf, std::string_view indent, const TypesetOptions& options) {
    const std::string& mark = paragraphEndMark();
    text::replaceAllInPlace(buf, explicitEndMark() + "\r\n", mark);
    markEndsAndDropIndents(buf, mark);
    deleteBreaksAndSeparate(buf, indent, options);
    return buf;
}

std::string joinLines(std::string buf, std::string_view indent, const TypesetOptions& options,
                      ExplicitParagraphEnds* ends) {
    if (mayHoldMarks(buf)) {
        if (ends) buf = markParagraphEnds(std::move(buf), *ends);
        return joinLinesByTheSteps(std::move(buf), indent, options);
    }
    std::vector<std::size_t> marks;
    if (markAndDropInPlace(buf, ends, marks)) {
        // Line break bytes are left for the deletions: the marks are
        // written out whole and the remaining steps run as they are.
        expandMarks(buf, marks, paragraphEndMark());
        deleteBreaksAndSeparate(buf, indent, options);
        return buf;
    }
    // Without line break bytes the two deletions find nothing: what is left
    // is collapsing the runs of marks and writing the separators.
    collapseMarkRuns(buf, marks, indent);
    expandMarks(buf, marks, separatorFor(indent, options));
    return buf;
}

}  // namespace folvane::engine

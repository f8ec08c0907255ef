#include "engine/join_lines.h"

#include <algorithm>
#include <cstring>

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

}  // namespace

const std::string& paragraphEndMark() {
    static const std::string mark = text::gb("$Qelvo$行为艺术二$");
    return mark;
}

const std::string& explicitEndMark() {
    static const std::string mark = text::gb("$Qelvo$行为艺术$");
    return mark;
}

std::string joinLines(std::string buf, std::string_view indent, const TypesetOptions& options) {
    const std::string& mark = paragraphEndMark();
    text::replaceAllInPlace(buf, explicitEndMark() + "\r\n", mark);
    markEndsAndDropIndents(buf, mark);
    // No deletion joins an opaque byte with the bytes after it.
    text::replaceAllInPlace(buf, "\r\n    ", "", true);
    // Deleting a "\r\n" can bring a "\r" and a "\n" together: repeat.
    text::replaceAllRepeat(buf, "\r\n", "", true);
    const std::string doubled = mark + std::string(indent) + mark;
    text::replaceAllRepeat(buf, doubled, mark);

    const std::string i(indent);
    std::string separator = "\r\n";
    if (options.doubleBreak) separator = options.fillBlankLines ? "\r\n" + i + "\r\n" : "\r\n\r\n" + i;
    if (options.tripleBreak)
        separator = options.fillBlankLines ? "\r\n" + i + "\r\n" + i + "\r\n" : "\r\n\r\n\r\n" + i;
    text::replaceAllInPlace(buf, mark, separator);
    return buf;
}

}  // namespace folvane::engine

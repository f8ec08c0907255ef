#include "corrections/punctuation.h"

#include <array>
#include <cstring>
#include <utility>

#include "corrections/line_builder.h"
#include "text/search.h"

namespace folvane::corrections {
namespace {

// GB18030 forms of the marks.
constexpr std::string_view kFullStopWide = "\xA3\xAE";  // ．
constexpr std::string_view kEllipsis = "\xA1\xAD";      // …
constexpr std::string_view kEllipsis2 = "\xA1\xAD\xA1\xAD";
constexpr std::string_view kEllipsis3 = "\xA1\xAD\xA1\xAD\xA1\xAD";
constexpr std::string_view kIdeoStop = "\xA1\xA3";  // 。
constexpr std::string_view kComma = "\xA3\xAC";     // ，

// Replaces every ASCII `mark` whose preceding character (in the text as
// rewritten so far) is not half-width by `wide`; returns how many. A mark at
// the start of the line follows nothing and stays. The text in front of a
// mark, with the earlier marks already replaced, is exactly what has been
// written to `out`, so one pass decides as a search from the start would.
// The marks are bytes that only ever stand alone: a byte search finds
// exactly the characters.
std::size_t convertAfterNonHalfWidth(std::string& s, char mark, std::string_view wide, std::string& work) {
    std::size_t p = s.find(mark);
    if (p == std::string::npos) return 0;
    std::size_t replaced = 0;
    LineBuilder out(std::move(work), s.size() + s.size() / 2);
    std::size_t copied = 0;
    for (; p != std::string::npos; p = s.find(mark, copied)) {
        out.append(std::string_view(s).substr(copied, p - copied));
        if (out.endsHalfWidth()) {
            out.append(mark);
        } else {
            out.append(wide);
            ++replaced;
        }
        copied = p + 1;
    }
    out.append(std::string_view(s).substr(copied));
    work = std::exchange(s, out.take());
    return replaced;
}

// Replaces every run of exactly two `sign` bytes by `mark`: a pair is
// converted only when neither the byte before nor the byte after it is the
// sign, so longer runs stay whole. A pair at the start of the line counts as
// not preceded by the sign. "《" and "》" hold no "<" or ">" byte, so a
// conversion never changes a later decision.
void convertIsolatedPairs(std::string& s, char sign, std::string_view mark) {
    const std::size_t n = s.size();
    for (std::size_t p = s.find(sign); p != std::string::npos; p = s.find(sign, p)) {
        std::size_t end = p;
        while (end < n && s[end] == sign) ++end;
        if (end - p == 2) std::memcpy(s.data() + p, mark.data(), 2);
        p = end;
    }
}

// The ASCII marks the steps look for, one bit each. No step makes any of
// them but ".", so a line without one needs none of the steps that look
// for it.
enum Mark : unsigned {
    kHasDot = 1, kHasComma = 2, kHasQuestion = 4, kHasExclamation = 8, kHasColon = 16, kHasSemicolon = 32,
    kHasOpenParen = 64, kHasCloseParen = 128, kHasLess = 256, kHasGreater = 512,
};

constexpr std::array<unsigned, 256> kMarkOf = [] {
    std::array<unsigned, 256> t{};
    t['.'] = kHasDot;
    t[','] = kHasComma;
    t['?'] = kHasQuestion;
    t['!'] = kHasExclamation;
    t[':'] = kHasColon;
    t[';'] = kHasSemicolon;
    t['('] = kHasOpenParen;
    t[')'] = kHasCloseParen;
    t['<'] = kHasLess;
    t['>'] = kHasGreater;
    return t;
}();

// "While the pattern is found, replace every occurrence": the collapsing
// pass rebuilds the line, so it runs only where there is something to do.
void collapse(std::string& s, std::string_view run, std::string_view kept) {
    if (text::containsAligned(s, run)) text::replaceAllRepeat(s, run, kept);
}

}  // namespace

std::string correctPunctuation(std::string_view line) {
    std::string out, work;
    correctPunctuationInto(line, out, work);
    return out;
}

void correctPunctuationInto(std::string_view line, std::string& s, std::string& work) {
    s.assign(line);
    // Which marks and multi-byte patterns the line holds as bytes, wherever
    // they stand, in one pass: a step whose pattern is neither there nor
    // made by an earlier step is skipped. Most lines have nothing for most
    // steps.
    const std::string_view v(s);
    auto at = [&](std::size_t i, std::string_view pattern) { return v.substr(i, pattern.size()) == pattern; };
    bool wideStop = false, stopPair = false, ellipsisStop = false, ellipsisRun = false, commaPair = false;
    unsigned marks = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const auto b = static_cast<unsigned char>(v[i]);
        marks |= kMarkOf[b];
        if (i + 1 == v.size()) break;
        if (b == 0xA3) {
            wideStop |= v[i + 1] == '\xAE';
            commaPair |= at(i, "\xA3\xAC\xA3\xAC");
        } else if (b == 0xA1) {
            stopPair |= at(i, "\xA1\xA3\xA1\xA3");
            ellipsisStop |= at(i, "\xA1\xAD\xA1\xA3");
            ellipsisRun |= at(i, kEllipsis3);
        }
    }
    // Dots and ellipses, in this order: each step sees the result of the
    // previous ones, so "......." ends as "……" and "...." as "…".
    if (wideStop && text::replaceAllInPlace(s, kFullStopWide, ".") > 0) marks |= kHasDot;
    bool ellipsesMade = false;  // a step put in an ellipsis or took a mark from beside one
    if ((marks & kHasDot) && (s.find("..") != std::string::npos || s.find("\xA1\xAD.") != std::string::npos)) {
        text::replaceAllInPlace(s, "......", kEllipsis2);
        text::replaceAllInPlace(s, "...", kEllipsis);
        text::replaceAllInPlace(s, "\xA1\xAD..", kEllipsis2);
        text::replaceAllInPlace(s, "\xA1\xAD.", kEllipsis);
        text::replaceAllInPlace(s, "..", "");
        ellipsesMade = true;
    }
    if (stopPair && text::replaceAllInPlace(s, "\xA1\xA3\xA1\xA3", kEllipsis2) > 0) ellipsesMade = true;  // 。。
    if ((ellipsisStop || ellipsesMade) && text::replaceAllInPlace(s, "\xA1\xAD\xA1\xA3", kEllipsis) > 0)  // …。
        ellipsesMade = true;
    if (marks & kHasOpenParen) s = text::replaceAll(s, "(", "\xA3\xA8");
    if (marks & kHasCloseParen) s = text::replaceAll(s, ")", "\xA3\xA9");
    if (ellipsisRun || ellipsesMade) collapse(s, kEllipsis3, kEllipsis2);
    if (marks & kHasDot) convertAfterNonHalfWidth(s, '.', kIdeoStop, work);
    if (((marks & kHasComma) && convertAfterNonHalfWidth(s, ',', kComma, work) > 0) || commaPair)
        collapse(s, "\xA3\xAC\xA3\xAC", kComma);
    if (marks & kHasQuestion) convertAfterNonHalfWidth(s, '?', "\xA3\xBF", work);     // ？
    if (marks & kHasExclamation) convertAfterNonHalfWidth(s, '!', "\xA3\xA1", work);  // ！
    if (marks & kHasColon) convertAfterNonHalfWidth(s, ':', "\xA3\xBA", work);        // ：
    if (marks & kHasSemicolon) convertAfterNonHalfWidth(s, ';', "\xA3\xBB", work);    // ；
    if (marks & kHasLess) convertIsolatedPairs(s, '<', "\xA1\xB6");                  // 《
    if (marks & kHasGreater) convertIsolatedPairs(s, '>', "\xA1\xB7");               // 》
}

}  // namespace folvane::corrections

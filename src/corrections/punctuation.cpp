#include "corrections/punctuation.h"

#include <array>
#include <cstring>
#include <utility>

#include "corrections/line_builder.h"
#include "text/search.h"
#include "text/width.h"

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
// rewritten so far) is not half-width by `wide`; returns how many. A mark
// after a lead byte standing alone stays: its wide form would join that byte. A mark at
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
        if (out.endsHalfWidth() || out.endsInLoneLead()) {
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
// conversion never changes a later decision. A pair right after a lead byte
// standing alone stays, as the mark would join that byte.
void convertIsolatedPairs(std::string& s, char sign, std::string_view mark) {
    const std::size_t n = s.size();
    std::size_t floor = 0;  // a boundary at or before the search
    for (std::size_t p = s.find(sign); p != std::string::npos; p = s.find(sign, p)) {
        std::size_t end = p;
        while (end < n && s[end] == sign) ++end;
        if (end - p == 2 &&
            !(p > 0 && text::isLeadByte(static_cast<unsigned char>(s[p - 1])) &&
              text::charStartBefore(s, p, floor) == p - 1))
            std::memcpy(s.data() + p, mark.data(), 2);
        p = end;
        floor = end;
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
    if (text::containsAligned(s, run)) text::replaceAllRepeat(s, run, kept, true);
}

// The single pass over a line that does the twenty steps at once where the
// line allows it, and says so; otherwise the steps run one by one.
//
// Why one pass gives what the steps give, on the lines it takes:
//   - It gives up on a line where any of the dot and ellipsis steps would
//     change something once "．" is ".", but for a run of exactly three or
//     six dots after neither a dot nor "…": a "." after a "." or "…", a "。"
//     after a "。" or "…", three "…" in a row (counting those the runs
//     give). Such a run becomes "…" or "……" by the first dot steps, and
//     no pattern of the others reaches into it from before (the character
//     there is no dot or "…") or after (its end is no dot); what follows it
//     is checked as after any "…". On these lines the dot and ellipsis steps
//     do that and nothing else, and "．" becomes ".".
//   - It gives up where an ASCII mark or parenthesis follows a lead byte
//     standing alone: its wide form would take that byte in as its first
//     byte and move the boundaries after it. On the other lines every wide
//     form starts and ends on a boundary and every other character parses
//     as before, so each step sees the characters of the line, some of
//     them replaced.
//   - Each mark step decides on the character before the mark as that step
//     sees it: a mark of an earlier step (or of its own, further left) in
//     the form it was given, a mark of a later step still ASCII and so
//     half-width, "(" and ")" already full-width, "<" and ">" still ASCII.
//     That is what `halfWidthBefore` answers, whatever the single pass has
//     written in front.
//   - Runs of "，" collapse where the comma step has finished, and the
//     steps after it neither make nor take a "，", nor see a change in the
//     character before a mark (a run keeps its first "，"). The collapse is
//     skipped in the steps when no comma was converted and the line held no
//     "，，" as bytes; then no run can be there, as on these lines no step
//     before leaves nothing where there was something (a run of dots
//     leaves an ellipsis), so no two "，" come together.
//   - "<<" and ">>" are decided on bytes only, which no other step makes.
class OnePass {
public:
    explicit OnePass(std::string_view line) : line_(line) {}

    // The corrected line into `out`; false (with `out` undefined) for a line
    // that needs the steps one by one.
    bool run(std::string& out) {
        out_ = &out;
        out.clear();
        const auto* p = reinterpret_cast<const unsigned char*>(line_.data());
        const std::size_t n = line_.size();
        for (std::size_t i = 0; i < n;) {
            const unsigned char b = p[i];
            if (b < 0x80) {
                const int step = kMarkStep[b];
                if (step >= 0) {
                    if (afterLoneLead_) return false;
                    if (step == 0) {
                        if (!dots(i)) return false;
                        continue;
                    }
                    mark(i, 1, step);
                    ++i;
                } else if (b == '(' || b == ')') {
                    if (afterLoneLead_) return false;
                    replace(i, 1, b == '(' ? "\xA3\xA8" : "\xA3\xA9");  // （ ）
                    other(false);
                    ++i;
                } else if (b == '<' || b == '>') {
                    if (afterLoneLead_) return false;
                    std::size_t end = i + 1;
                    while (end < n && p[end] == b) ++end;
                    if (end - i == 2) replace(i, 2, b == '<' ? "\xA1\xB6" : "\xA1\xB7");  // 《 》
                    other(true);
                    i = end;
                } else {
                    other(b != 0);
                    ++i;
                }
                continue;
            }
            // Two-byte characters led by neither A1 nor A3 (most of a Chinese
            // text) are all the same to every step: skipped as a run.
            if (b != 0xA1 && b != 0xA3) {
                const std::size_t start = i;
                while (i + 1 < n && p[i] >= 0x81 && p[i] != 0xFF && p[i] != 0xA1 && p[i] != 0xA3 &&
                       p[i + 1] >= 0x40 && p[i + 1] != 0x7F && p[i + 1] != 0xFF)
                    i += 2;
                if (i != start) {
                    other(false);
                    continue;
                }
            }
            const std::size_t len = text::charLength(line_, i);
            if (len != 2) {
                other(false);
                afterLoneLead_ = len == 1 && text::isLeadByte(b);
                i += len;
                continue;
            }
            const unsigned char b1 = p[i + 1];
            if (b == 0xA3 && b1 == 0xAE) {  // ．, a "." for every later step
                if (!dots(i)) return false;
                continue;
            } else if (b == 0xA1 && b1 == 0xA3) {  // 。
                if (before_ == kStopChar || before_ == kEllipsisChar) return false;
                other(false);
                before_ = kStopChar;
            } else if (b == 0xA1 && b1 == 0xAD) {  // …
                const int run = before_ == kEllipsisChar ? ellipses_ + 1 : 1;
                if (run == 3) return false;
                other(false);
                before_ = kEllipsisChar;
                ellipses_ = run;
            } else if (b == 0xA3 && b1 == 0xAC) {  // ，
                if (lastComma_) replace(i, 2, {});
                other(false);
                lastComma_ = true;
            } else {
                other(b == 0xA1 && b1 == 0xA1);
            }
            i += 2;
        }
        if (copied_ == 0) {
            out.assign(line_);
        } else {
            out.append(line_.substr(copied_));
        }
        return true;
    }

private:
    // What the dot and ellipsis steps would look at in the character before.
    enum Before { kOtherChar, kDotChar, kStopChar, kEllipsisChar };

    // Whether the mark step `step` sees a half-width character before the
    // current position (the start of the line counts as one).
    bool halfWidthBefore(int step) const {
        if (atStart_) return true;
        if (markStep_ >= 0) return markStep_ > step || !converted_;
        return halfWidth_;
    }

    // The `len` bytes at `pos` are replaced by `by`.
    void replace(std::size_t pos, std::size_t len, std::string_view by) {
        out_->append(line_.substr(copied_, pos - copied_));
        out_->append(by);
        copied_ = pos + len;
    }

    // The run of dots ("." or "．") that starts at `i`, which moves past it;
    // false for a run the single pass does not take.
    bool dots(std::size_t& i) {
        if (before_ == kDotChar || before_ == kEllipsisChar) return false;
        const auto* p = reinterpret_cast<const unsigned char*>(line_.data());
        const std::size_t n = line_.size();
        std::size_t end = i, count = 0;
        for (;; ++count) {
            if (end < n && p[end] == '.') {
                end += 1;
            } else if (end + 1 < n && p[end] == 0xA3 && p[end + 1] == 0xAE) {
                end += 2;
            } else {
                break;
            }
        }
        if (count == 1) {
            mark(i, end - i, 0);
        } else if (count == 3 || count == 6) {
            replace(i, end - i, count == 3 ? kEllipsis : kEllipsis2);
            other(false);
            before_ = kEllipsisChar;
            ellipses_ = count == 3 ? 1 : 2;
        } else {
            return false;
        }
        i = end;
        return true;
    }

    // The mark of step `step` at `pos`, `len` bytes ("．" is a ".").
    void mark(std::size_t pos, std::size_t len, int step) {
        const bool convert = !halfWidthBefore(step);
        if (convert) {
            if (step == 1 && lastComma_) {
                replace(pos, len, {});  // a converted comma joins the run before it
            } else {
                replace(pos, len, kWideMark[step]);
            }
        } else if (len == 2) {
            replace(pos, len, ".");
        }
        const bool comma = convert && step == 1;
        other(false);
        markStep_ = step;
        converted_ = convert;
        lastComma_ = comma;
        before_ = step == 0 ? kDotChar : kOtherChar;
    }

    // Any character; `halfWidth` as the mark steps see it.
    void other(bool halfWidth) {
        atStart_ = false;
        markStep_ = -1;
        halfWidth_ = halfWidth;
        afterLoneLead_ = false;
        lastComma_ = false;
        before_ = kOtherChar;
        ellipses_ = 0;
    }

    // The step of each ASCII mark, in the order the steps run: ". , ? ! : ;".
    static constexpr std::array<signed char, 128> kMarkStep = [] {
        std::array<signed char, 128> t{};
        t.fill(-1);
        t['.'] = 0;
        t[','] = 1;
        t['?'] = 2;
        t['!'] = 3;
        t[':'] = 4;
        t[';'] = 5;
        return t;
    }();
    static constexpr std::string_view kWideMark[6] = {
        kIdeoStop, kComma, "\xA3\xBF", "\xA3\xA1", "\xA3\xBA", "\xA3\xBB",  // 。 ， ？ ！ ： ；
    };

    std::string_view line_;
    std::string* out_ = nullptr;
    std::size_t copied_ = 0;  // the line before this is in out_
    bool atStart_ = true;
    int markStep_ = -1;       // the step of the character before, when it is a mark
    bool converted_ = false;  // that mark was given its wide form
    bool halfWidth_ = false;  // the character before, when no mark, is half-width
    bool afterLoneLead_ = false;
    bool lastComma_ = false;  // the text written ends in "，"
    Before before_ = kOtherChar;
    int ellipses_ = 0;  // "…" in a row before
};

// The single pass of the width conversions and the punctuation steps
// together. The width conversions give each character of the line one
// character (see toHalfThenFullWidthInto). Their result parses into those
// characters unless a lead byte standing alone is followed by an ASCII
// character, whose full-width form would take it in as a first byte: such
// lines are given up. The result holds no ASCII character 0x20-0x7E, so no
// ASCII mark or parenthesis and no "<" or ">"; its "．" are the line's ".",
// "。" and "．", and it holds no "。"; its "，" are the line's "," and "，";
// its half-width characters the full-width space (from " " and "　") and
// the control bytes but NUL. Of the single pass above only this is left: a
// dot alone or in a run of three or six and what is before it, and the runs
// of "，" and of "…"; the lines it gives up are given up here too. Given up
// lines take the two passes.
bool widthAndPunctuationInOnePass(std::string_view line, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t n = line.size();
    // At most two bytes out for each byte in; the length is cut back at the end.
    out.clear();
    out.resize(n * 2);
    auto* const base = reinterpret_cast<unsigned char*>(out.data());
    unsigned char* o = base;
    auto put = [&o](unsigned char b0, unsigned char b1) {
        o[0] = b0;
        o[1] = b1;
        o += 2;
    };
    bool atStart = true;    // no character before
    bool halfWidth = false;  // the character before is half-width
    bool afterLoneLead = false;
    bool lastComma = false;  // the text written ends in "，"
    int ellipses = 0;        // "…" in a row before
    auto after = [&](bool half) {
        atStart = false;
        halfWidth = half;
        afterLoneLead = false;
        lastComma = false;
        ellipses = 0;
    };
    // The length of the ".", "。" or "．" at `i`, or 0.
    auto dotAt = [&](std::size_t i) -> std::size_t {
        if (i >= n) return 0;
        if (p[i] == '.') return 1;
        if (i + 1 < n && ((p[i] == 0xA1 && p[i + 1] == 0xA3) || (p[i] == 0xA3 && p[i + 1] == 0xAE))) return 2;
        return 0;
    };
    for (std::size_t i = 0; i < n;) {
        const unsigned char b0 = p[i];
        // Most characters: two bytes led by neither A1 nor A3, kept as they are.
        if (b0 >= 0x81 && b0 != 0xFF && b0 != 0xA1 && b0 != 0xA3) {
            const std::size_t start = i;
            while (i + 1 < n && p[i] >= 0x81 && p[i] != 0xFF && p[i] != 0xA1 && p[i] != 0xA3 && p[i + 1] >= 0x40 &&
                   p[i + 1] != 0x7F && p[i + 1] != 0xFF) {
                put(p[i], p[i + 1]);
                i += 2;
            }
            if (i != start) {
                after(false);
                continue;
            }
        }
        if (afterLoneLead && b0 >= 0x20 && b0 <= 0x7E) return false;
        if (const std::size_t first = dotAt(i)) {
            if (ellipses > 0) return false;
            std::size_t end = i + first, count = 1;
            for (std::size_t len; (len = dotAt(end)) != 0; end += len) ++count;
            if (count == 1) {
                if (atStart || halfWidth) {
                    *o++ = '.';
                } else {
                    put(0xA1, 0xA3);  // 。
                }
                after(false);
            } else if (count == 3 || count == 6) {
                put(0xA1, 0xAD);  // …
                if (count == 6) put(0xA1, 0xAD);
                after(false);
                ellipses = count == 3 ? 1 : 2;
            } else {
                return false;
            }
            i = end;
            continue;
        }
        if (b0 < 0x80) {
            if (b0 == ',') {
                if (!lastComma) put(0xA3, 0xAC);
                after(false);
                lastComma = true;
            } else if (b0 >= 0x20 && b0 <= 0x7E) {
                const text::FullWidthForm f = text::fullWidthForm(b0);
                put(f.b0, f.b1);
                after(b0 == ' ');
            } else {
                *o++ = b0;
                after(b0 != 0);
            }
            ++i;
            continue;
        }
        const std::size_t len = text::charLength(line, i);
        if (len != 2) {
            std::memcpy(o, p + i, len);
            o += len;
            after(false);
            afterLoneLead = len == 1 && text::isLeadByte(b0);
            i += len;
            continue;
        }
        const unsigned char b1 = p[i + 1];
        if (b0 == 0xA3 && b1 == 0xAC) {  // ，
            if (!lastComma) put(b0, b1);
            after(false);
            lastComma = true;
        } else if (b0 == 0xA1 && b1 == 0xAD) {  // …
            if (ellipses == 2) return false;
            const int run = ellipses + 1;
            put(b0, b1);
            after(false);
            ellipses = run;
        } else if (b0 == 0xA1) {
            switch (b1) {
                case 0xAA: put(0xA3, 0xAD); break;              // — to －
                case 0xB0: case 0xB1: put(0xA3, 0xA2); break;   // “ ” to ＂
                case 0xAE: case 0xAF: put(0xA3, 0xA7); break;   // ‘ ’ to ＇
                default: put(b0, b1); break;
            }
            after(b1 == 0xA1);  // the full-width space
        } else {
            put(b0, b1);
            after(false);
        }
        i += 2;
    }
    out.resize(static_cast<std::size_t>(o - base));
    return true;
}

}  // namespace

std::string correctWidthAndPunctuation(std::string_view line) {
    std::string out, work;
    correctWidthAndPunctuationInto(line, out, work);
    return out;
}

void correctWidthAndPunctuationInto(std::string_view line, std::string& out, std::string& work) {
    if (widthAndPunctuationInOnePass(line, out)) return;
    // `line` may be in `work`: it is read whole before `work` is written.
    text::toHalfThenFullWidthInto(line, out);
    correctPunctuationInto(out, work, out);
    out.swap(work);
}

std::string correctPunctuation(std::string_view line) {
    std::string out, work;
    correctPunctuationInto(line, out, work);
    return out;
}

std::string correctPunctuationInSteps(std::string_view line) {
    std::string out, work;
    correctPunctuationInStepsInto(line, out, work);
    return out;
}

void correctPunctuationInto(std::string_view line, std::string& s, std::string& work) {
    if (OnePass(line).run(s)) return;
    correctPunctuationInStepsInto(line, s, work);
}

void correctPunctuationInStepsInto(std::string_view line, std::string& s, std::string& work) {
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
    // previous ones, so "......." ends as "……" and "...." as "…". No
    // replacement here or below joins a lead byte standing alone with the
    // mark put after it, or with what a removal brings next to it.
    auto all = [&s](std::string_view find, std::string_view repl) {
        return text::replaceAllInPlace(s, find, repl, true);
    };
    if (wideStop && all(kFullStopWide, ".") > 0) marks |= kHasDot;
    bool ellipsesMade = false;  // a step put in an ellipsis or took a mark from beside one
    bool dotsRemoved = false;   // "..": the marks on either side may meet
    if ((marks & kHasDot) && (s.find("..") != std::string::npos || s.find("\xA1\xAD.") != std::string::npos)) {
        all("......", kEllipsis2);
        all("...", kEllipsis);
        all("\xA1\xAD..", kEllipsis2);
        all("\xA1\xAD.", kEllipsis);
        dotsRemoved = all("..", "") > 0;
        ellipsesMade = true;
    }
    if ((stopPair || dotsRemoved) && all("\xA1\xA3\xA1\xA3", kEllipsis2) > 0) ellipsesMade = true;  // 。。
    if ((ellipsisStop || ellipsesMade) && all("\xA1\xAD\xA1\xA3", kEllipsis) > 0)  // …。
        ellipsesMade = true;
    if (marks & kHasOpenParen) all("(", "\xA3\xA8");
    if (marks & kHasCloseParen) all(")", "\xA3\xA9");
    if (ellipsisRun || ellipsesMade) collapse(s, kEllipsis3, kEllipsis2);
    if (marks & kHasDot) convertAfterNonHalfWidth(s, '.', kIdeoStop, work);
    if (((marks & kHasComma) && convertAfterNonHalfWidth(s, ',', kComma, work) > 0) || commaPair || dotsRemoved)
        collapse(s, "\xA3\xAC\xA3\xAC", kComma);
    if (marks & kHasQuestion) convertAfterNonHalfWidth(s, '?', "\xA3\xBF", work);     // ？
    if (marks & kHasExclamation) convertAfterNonHalfWidth(s, '!', "\xA3\xA1", work);  // ！
    if (marks & kHasColon) convertAfterNonHalfWidth(s, ':', "\xA3\xBA", work);        // ：
    if (marks & kHasSemicolon) convertAfterNonHalfWidth(s, ';', "\xA3\xBB", work);    // ；
    if (marks & kHasLess) convertIsolatedPairs(s, '<', "\xA1\xB6");                  // 《
    if (marks & kHasGreater) convertIsolatedPairs(s, '>', "\xA1\xB7");               // 》
}

}  // namespace folvane::corrections

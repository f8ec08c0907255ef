#include "engine/typeset.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "corrections/mixed_punctuation.h"
#include "corrections/protected_spans.h"
#include "corrections/punctuation.h"
#include "corrections/quotes.h"
#include "corrections/spacing.h"
#include "engine/join_lines.h"
#include "engine/line_noise.h"
#include "engine/paragraph_ends.h"
#include "engine/prose_corrections.h"
#include "text/codec.h"
#include "text/gb18030.h"
#include "text/release.h"
#include "text/search.h"
#include "text/spaces.h"
#include "text/width.h"

namespace folvane::engine {
namespace {

constexpr int kBarMaximum = 200;

// The lines of a text, cut at every "\r\n". "\r" and "\n" are bytes that
// no character contains, so every byte match is aligned: the cut looks for
// "\r" with memchr and checks the byte after it, once per line.
class Lines {
public:
    explicit Lines(std::string_view s) : s_(s) {}

    std::size_t count() const {
        std::size_t n = 1;
        for (std::size_t p = nextBreak(0); p != text::npos; p = nextBreak(p + 2)) ++n;
        return n;
    }

    // Calls fn(line) for every line. A text without "\r\n" is one line; a
    // text ending in "\r\n" ends with an empty line.
    template <typename Fn>
    void forEach(Fn&& fn) const {
        std::size_t start = 0;
        for (std::size_t p = nextBreak(0); p != text::npos; p = nextBreak(start)) {
            fn(s_.substr(start, p - start));
            start = p + 2;
        }
        fn(s_.substr(start));
    }

private:
    // The first "\r\n" at or after `from`.
    std::size_t nextBreak(std::size_t from) const {
        const char* d = s_.data();
        const std::size_t n = s_.size();
        while (from + 1 < n) {
            const void* cr = std::memchr(d + from, '\r', n - 1 - from);
            if (!cr) break;
            const auto p = static_cast<std::size_t>(static_cast<const char*>(cr) - d);
            if (d[p + 1] == '\n') return p;
            from = p + 1;
        }
        return text::npos;
    }

    std::string_view s_;
};

// The progress tick of the per-line phases: about 200 ticks per phase from
// 200 lines on, one per line below that (when the bar is hidden anyway).
class Ticker {
public:
    Ticker(TypesetProgress* sink, bool fromBatch) : sink_(sink), batch_(fromBatch) {}

    void setStep(std::size_t step) { step_ = step; }

    void tick() {
        if (!sink_) return;
        if (++counter_ < step_) return;
        counter_ = 0;
        sink_->mainPosition(++mainPos_);
        if (batch_) sink_->batchFileBar(kBarMaximum, ++batchPos_);
    }

    void reset() {
        counter_ = 0;
        if (!sink_) return;
        mainPos_ = 0;
        sink_->mainPosition(0);
        if (batch_) {
            batchPos_ = 0;
            sink_->batchFileBar(kBarMaximum, 0);
        }
    }

    void phase(const std::string& label) {
        if (sink_) sink_->phase(label);
    }

private:
    TypesetProgress* sink_;
    bool batch_;
    std::size_t step_ = 0;
    std::size_t counter_ = 0;
    int mainPos_ = 0;
    int batchPos_ = 0;
};

// Steps 5a-5c: interfering characters at the heads and tails of the lines,
// each line followed by "\r\n". Done in place: a line never grows, so the
// write position stays behind the line being read.
void stripNoise(std::string& buf, const TypesetOptions& o, Ticker& ticker) {
    std::size_t w = 0;
    buf.reserve(buf.size() + 2);  // the last line gains a "\r\n"
    char* data = buf.data();
    Lines(buf).forEach([&](std::string_view line) {
        if (o.stripHeadNoise) line = removeHeadNoise(line);
        if (o.stripTailNoise && !line.empty()) line = removeTailNoise(line);
        std::memmove(data + w, line.data(), line.size());
        w += line.size();
        if (w + 2 > buf.size()) {  // only after the last line
            buf.resize(w);
            buf += "\r\n";
            data = buf.data();
        } else {
            data[w] = '\r';
            data[w + 1] = '\n';
        }
        w += 2;
        ticker.tick();
    });
    buf.resize(w);
}

}  // namespace

const std::string& PhaseLabels::stripNoise() {
    static const std::string s = text::gb("\r\n正在去掉干扰符");
    return s;
}
const std::string& PhaseLabels::paragraphs() {
    static const std::string s = text::gb("\r\n正在整理段落");
    return s;
}
const std::string& PhaseLabels::script() {
    static const std::string s = text::gb("\r\n处理尾段落");
    return s;
}
const std::string& PhaseLabels::tail() {
    static const std::string s = text::gb("\r\n去掉尾段落空格");
    return s;
}
const std::string& PhaseLabels::joining() {
    static const std::string s = text::gb("\r\n去掉非段落换行");
    return s;
}
const std::string& PhaseLabels::signatures() {
    static const std::string s = text::gb("\r\n将处理好的文本发送回窗口");
    return s;
}

void normalizeOddSpacesInPlace(std::string& s) {
    if (s.empty()) return;
    // The odd spaces are found by aligned search; they have the length of
    // the full-width space that replaces them.
    for (const std::string_view odd : {std::string_view("\xA3\xA0"), std::string_view("\xAA\xA5")}) {
        for (std::size_t p = text::findAligned(s, odd); p != text::npos; p = text::findAligned(s, odd, p + 2)) {
            s[p] = '\xA1';
            s[p + 1] = '\xA1';
        }
    }
    // Tabs are always whole characters. One is kept where deleting it would
    // fuse an opaque byte before it with the bytes after it ("81 09 41"
    // must not become the character "81 41").
    char* d = s.data();
    const std::size_t n = s.size();
    std::size_t w = 0, r = 0, floor = 0;
    for (;;) {
        const void* tab = std::memchr(d + r, '\t', n - r);
        const std::size_t t = tab ? static_cast<std::size_t>(static_cast<const char*>(tab) - d) : n;
        std::memmove(d + w, d + r, t - r);
        w += t - r;
        if (t == n) break;
        std::size_t settled = 0;
        if (text::joinsOpaqueByte(std::string_view(d, w), floor, std::string_view(d + t + 1, n - t - 1), {},
                                  &settled)) {
            d[w++] = '\t';
            settled = w;
        }
        floor = settled;
        r = t + 1;
    }
    s.resize(w);
}

std::string normalizeOddSpaces(std::string_view s) {
    if (s.empty()) return {};
    std::string out(s);
    normalizeOddSpacesInPlace(out);
    return out;
}

std::string typesetText(std::string_view textIn, std::string_view rawBytes, bool fromBatch,
                        const TypesetOptions& o, RunContext& ctx, TypesetProgress* progress) {
    const std::string_view in = fromBatch ? rawBytes : textIn;
    return typesetOwnedText(in.empty() ? std::string() : std::string(in), fromBatch, o, ctx, progress);
}

std::string typesetOwnedText(std::string&& text, bool fromBatch, const TypesetOptions& o, RunContext& ctx,
                             TypesetProgress* progress) {
    // 1. Input.
    if (fromBatch && progress) progress->batchFileBar(kBarMaximum, 0);
    // 2. Odd spaces and tabs.
    std::string buf = std::move(text);
    normalizeOddSpacesInPlace(buf);
    // 3. The previous run's signatures.
    if (ctx.signature.signatureEnabled) corrections::removeSignatures(buf, ctx.signature);

    // 4. Lines.
    Lines lines(buf);
    Ticker ticker(progress, fromBatch);
    if (progress) {
        const std::size_t lineCount = lines.count();
        if (lineCount < kProgressMinLines) progress->hideMainProgress();
        ticker.setStep(lineCount / kProgressMinLines);
    }
    const std::string indent = indentText(o);

    // 5. Interfering characters.
    if (o.stripHeadNoise || o.stripTailNoise) {
        ticker.phase(PhaseLabels::stripNoise());
        stripNoise(buf, o, ticker);
        ticker.reset();
        lines = Lines(buf);
    }

    // 6. Paragraphs.
    ticker.phase(PhaseLabels::paragraphs());
    std::string out;
    // Room for what the paragraphs add to every line (an upper bound from
    // the line feeds, so that the result is never copied as it grows), and
    // for ASCII made full width; room never written takes no memory.
    std::size_t lineFeeds = 1;  // memchr, as std::count is a byte loop at this optimisation level
    for (const char *p = buf.data(), *end = p + buf.size();
         (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr; ++p)
        ++lineFeeds;
    std::size_t perLine = indent.size() + 2;
    if (o.doubleBreak) perLine += (o.fillBlankLines ? indent.size() : 0) + 2;
    if (o.tripleBreak) perLine += (o.fillBlankLines ? 2 * indent.size() : 0) + 4;
    text::reserveLarge(out, buf.size() * (o.halfToFullWidth ? 2 : 1) + buf.size() / 8 + lineFeeds * perLine + 64);
    ProseCorrector corrector(o);
    // Breaks of the output after which joining must end a paragraph: around
    // the headings that smartJoin finds here, where blank lines still show.
    const bool smart = o.smartJoin && o.joinNonParagraphBreaks;
    std::vector<std::size_t> headingBreaks;
    std::size_t breaks = 0;  // "\r\n" appended to the output so far
    // The break after the last line that was not blank, and a short line
    // that a blank line after it would make a heading (its break and the
    // break before it).
    std::size_t previousBreak = text::npos, candidateBreak = text::npos, candidatePrevious = text::npos;
    auto markHeading = [&headingBreaks](std::size_t before, std::size_t after) {
        if (before != text::npos) headingBreaks.push_back(before);
        headingBreaks.push_back(after);
    };
    // The lines already done are given back as the result grows, so that the
    // input and the (longer) result are not both held whole at the end.
    // What a line that is not blank gets after it: its break and the blank
    // lines of the double and triple breaks, in the order they were once
    // appended one by one.
    std::string lineEnd = "\r\n";
    std::size_t lineEndBreaks = 1;
    if (o.doubleBreak) {
        if (o.fillBlankLines) lineEnd += indent;
        lineEnd += "\r\n";
        ++lineEndBreaks;
    }
    if (o.tripleBreak) {
        if (o.fillBlankLines) lineEnd += indent;
        lineEnd += "\r\n";
        if (o.fillBlankLines) lineEnd += indent;
        lineEnd += "\r\n";
        lineEndBreaks += 2;
    }
    text::FrontReleaser done(buf);
    lines.forEach([&](std::string_view raw) {
        done.consumed(static_cast<std::size_t>(raw.data() - buf.data()));
        std::string_view line = corrector.correct(raw, ctx.quotes);
        std::string_view trimmed = text::trimSpaces(line);
        // A tab left at the end now is one that step 2 kept to part an
        // opaque byte from a full-width space that the trim has just taken
        // off; before a line break or the end of the text nothing can fuse,
        // and a second run would take it off (a tab is always a character
        // of its own).
        if (!trimmed.empty() && trimmed.back() == '\t') trimmed.remove_suffix(1);
        const bool blank = trimmed.empty();
        if (smart) {
            // A heading is a paragraph of its own: joining ends before and after it.
            if (blank && candidateBreak != text::npos) markHeading(candidatePrevious, candidateBreak);
            candidateBreak = text::npos;
            if (!blank) {
                if (isChapterHeading(trimmed)) {
                    markHeading(previousBreak, breaks);
                } else if (mayBeHeading(trimmed)) {
                    candidateBreak = breaks;
                    candidatePrevious = previousBreak;
                }
                previousBreak = breaks;
            }
        }
        if (!blank) {
            out += indent;
            out += o.trimParagraphEnds ? trimmed : line;
            out += lineEnd;
            breaks += lineEndBreaks;
        } else if (!o.lineBreakFix) {
            out += indent;
            out += o.trimParagraphEnds ? trimmed : line;
            out += "\r\n";
            ++breaks;
        }
        ticker.tick();
    });
    std::string().swap(buf);

    // 7. Script.
    ticker.phase(PhaseLabels::script());
    if (ctx.scriptConverter) {
        if (o.toTraditional) out = ctx.scriptConverter->toTraditionalChinese(out, ctx.scriptStandard);
        if (o.toSimplified) out = ctx.scriptConverter->toSimplifiedChinese(out, ctx.scriptStandard);
    }

    // 8. Tail.
    ticker.phase(PhaseLabels::tail());
    while (out.ends_with("\r\n")) out.resize(out.size() - 2);
    if (!indent.empty()) {
        const std::string suffix = "\r\n" + indent;
        while (out.size() > 5 && out.ends_with(suffix)) out.resize(out.size() - suffix.size());
    }

    // 9. Joining.
    ticker.phase(PhaseLabels::joining());
    if (o.joinNonParagraphBreaks) {
        std::sort(headingBreaks.begin(), headingBreaks.end());
        ExplicitParagraphEnds ends(headingBreaks, smart, o.protectLinks);
        out = joinLines(std::move(out), indent, o, smart || o.protectLinks ? &ends : nullptr);
    }

    // 10. New signatures.
    ticker.phase(PhaseLabels::signatures());
    if (ctx.signature.signatureEnabled) corrections::insertSignatures(out, ctx.signature, ctx.clock);

    // 11. End.
    if (progress) {
        if (fromBatch) progress->batchFileBar(kBarMaximum, kBarMaximum);
        progress->finished();
    }
    return out;
}

}  // namespace folvane::engine

#include "engine/document_typeset.h"

#include <algorithm>
#include <array>

#include "corrections/spacing.h"
#include "engine/prose_corrections.h"
#include "engine/typeset.h"
#include "markup/markdown_reader.h"
#include "text/gb18030.h"
#include "text/release.h"

namespace folvane::engine {
namespace {

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool isAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Whether a space belongs between a run that ends in `tail` (its last
// character) and one that starts with `head`: a Chinese character beside an
// ASCII letter or digit, as spaceHanLatin puts within a run.
bool spaceBetween(std::string_view tail, std::string_view head) {
    if (tail.empty() || head.empty()) return false;
    const std::size_t headLen = text::charLength(head, 0);
    if (tail.size() == 1 && isAsciiAlnum(tail[0])) return corrections::isHanCharacter(head, 0, headLen);
    if (headLen == 1 && isAsciiAlnum(head[0])) return corrections::isHanCharacter(tail, 0, tail.size());
    return false;
}

// Where the changes of the steps of one run came from: each step's hunks,
// to take a position of a later step's text back to the run as it came.
class StepPositions {
public:
    void clear() { steps_.clear(); }
    void add(std::vector<Hunk> hunks) { steps_.push_back(std::move(hunks)); }

    // `pos` of the text after the steps so far, in the run as it came; a
    // position inside a changed stretch goes to its start (or its end).
    std::size_t original(std::size_t pos, bool isEnd) const {
        for (auto s = steps_.rbegin(); s != steps_.rend(); ++s) {
            long delta = 0;
            std::size_t mapped = std::string::npos;
            for (const Hunk& h : *s) {
                if (pos >= h.newEnd && !(pos == h.newEnd && h.newStart == h.newEnd && !isEnd)) {
                    delta += static_cast<long>(h.oldEnd - h.oldStart) - static_cast<long>(h.newEnd - h.newStart);
                    continue;
                }
                if (pos > h.newStart) mapped = isEnd ? h.oldEnd : h.oldStart;
                break;
            }
            pos = mapped != std::string::npos ? mapped : static_cast<std::size_t>(static_cast<long>(pos) + delta);
        }
        return pos;
    }

private:
    std::vector<std::vector<Hunk>> steps_;
};

}  // namespace

std::string_view documentFormatName(DocumentFormat format) {
    return format == DocumentFormat::Markdown ? "markdown" : "text";
}

std::optional<DocumentFormat> documentFormatNamed(std::string_view name) {
    if (name == "text") return DocumentFormat::Text;
    if (name == "markdown") return DocumentFormat::Markdown;
    return std::nullopt;
}

DocumentFormat documentFormatOfPath(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return DocumentFormat::Text;
    const std::string ext = lowerAscii(name.substr(dot + 1));
    return ext == "md" || ext == "markdown" || ext == "mdown" ? DocumentFormat::Markdown : DocumentFormat::Text;
}

bool appliesToMarkdown(std::string_view name) {
    static constexpr std::array<std::string_view, 9> kProse = {
        "fixPunctuation", "fixQuotes",     "spaceHanLatin", "fullToHalfWidth",  "halfToFullWidth",
        "protectLinks",   "toTraditional", "toSimplified",  "mixedPunctuation"};
    return std::find(kProse.begin(), kProse.end(), name) != kProse.end();
}

TypesetOptions markdownDefaults() {
    TypesetOptions o;
    o.fixPunctuation = true;
    o.spaceHanLatin = true;
    o.protectLinks = true;
    return o;
}

std::string typesetMarkdown(std::string_view text, const TypesetOptions& o, RunContext& ctx,
                            std::vector<Change>* changes) {
    ctx.quotes.reset();
    const corrections::ScriptConverter* converter =
        (o.toTraditional || o.toSimplified) ? ctx.scriptConverter : nullptr;
    if (!correctsProse(o) && !converter) return std::string(text);
    const std::vector<markup::ProseRun> runs = markup::markdownProse(text);

    std::string out;
    text::reserveLarge(out, text.size() + text.size() / 8 + 64);
    ProseCorrector corrector(o);
    corrections::QuoteState quotes;
    std::uint32_t block = 0;
    std::size_t pos = 0;
    std::string tail;  // the last character of the previous run as corrected
    std::vector<std::pair<std::size_t, std::size_t>> placed;  // the runs in `out`, for the script
    std::optional<TextPositions> where;
    if (changes) where.emplace(text);
    StepPositions steps;
    std::string stepped, again;
    constexpr int kMaxPasses = 4;

    auto record = [&](std::size_t start, std::size_t end, std::string_view rule, std::string_view before,
                      std::string_view after) {
        Change c;
        where->locate(start, c.line, c.column);
        where->locate(end, c.endLine, c.endColumn);
        c.rule = std::string(rule);
        c.before = std::string(before);
        c.after = std::string(after);
        changes->push_back(std::move(c));
    };
    auto convert = [&](std::string_view s) {
        std::string r(s);
        if (o.toTraditional) r = converter->toTraditionalChinese(r, ctx.scriptStandard);
        if (o.toSimplified) r = converter->toSimplifiedChinese(r, ctx.scriptStandard);
        return r;
    };

    for (const markup::ProseRun& r : runs) {
        if (r.block != block) {
            quotes.reset();
            block = r.block;
        }
        const std::string_view piece = text.substr(r.start, r.end - r.start);
        const corrections::QuoteState quotesBefore = quotes;
        std::string_view corrected;
        if (changes) {
            steps.clear();
            const std::size_t recordedBefore = changes->size();
            auto step = [&](std::string_view rule, std::string_view before, std::string_view after) {
                std::vector<Hunk> hunks = characterHunks(before, after);
                for (const Hunk& h : hunks)
                    record(r.start + steps.original(h.oldStart, false), r.start + steps.original(h.oldEnd, true), rule,
                           before.substr(h.oldStart, h.oldEnd - h.oldStart),
                           after.substr(h.newStart, h.newEnd - h.newStart));
                steps.add(std::move(hunks));
            };
            stepped = corrector.correctBySteps(piece, quotes, step);
            // A run the first pass left as it was stays so (the pass
            // again would see the same text and quotes), as below.
            for (int pass = 1; pass < kMaxPasses && stepped != piece; ++pass) {
                corrections::QuoteState replay = quotesBefore;
                std::string next = corrector.correctBySteps(stepped, replay, step);
                quotes = replay;
                if (next == stepped) break;
                stepped.swap(next);
            }
            if (converter) {
                for (const bool toTraditional : {true, false}) {
                    if (toTraditional ? !o.toTraditional : !o.toSimplified) continue;
                    std::string next = toTraditional ? converter->toTraditionalChinese(stepped, ctx.scriptStandard)
                                                     : converter->toSimplifiedChinese(stepped, ctx.scriptStandard);
                    if (next != stepped) step(toTraditional ? "toTraditional" : "toSimplified", stepped, next);
                    stepped.swap(next);
                }
            }
            // Steps that undo each other (a width step and the punctuation
            // step after it) leave the run as it was: nothing to report.
            if (stepped == piece) changes->resize(recordedBefore);
            corrected = stepped;
        } else {
            corrected = corrector.correct(piece, quotes);
            // One switch can make work for another (a quote curled after
            // the punctuation step was done): the run is corrected until
            // it stays, so that a second run changes nothing.
            for (int pass = 1; pass < kMaxPasses && corrected != piece; ++pass) {
                again.assign(corrected);
                corrections::QuoteState q = quotesBefore;
                const std::string_view next = corrector.correct(again, q);
                quotes = q;
                if (next == again) {
                    corrected = again;  // the corrector's storage has been reused
                    break;
                }
                stepped.assign(next);
                corrected = stepped;
            }
        }
        const bool space = o.spaceHanLatin && r.afterMarkup && spaceBetween(tail, corrected);
        if (space && r.spaceBeforeMarkers) {
            out += ' ';
            if (changes) record(pos, pos, "spaceHanLatin", {}, " ");
        }
        out.append(text, pos, r.start - pos);
        if (space && !r.spaceBeforeMarkers) {
            out += ' ';
            if (changes) record(r.start, r.start, "spaceHanLatin", {}, " ");
        }
        placed.emplace_back(out.size(), corrected.size());
        out += corrected;
        tail.clear();
        if (!corrected.empty()) tail = corrected.substr(text::lastCharStart(corrected));
        pos = r.end;
    }
    out.append(text, pos, std::string_view::npos);

    if (converter && !changes && !placed.empty()) {
        // One conversion for all the prose: the runs joined by line breaks,
        // which no conversion changes or joins across.
        std::string joined;
        for (const auto& [at, len] : placed) {
            if (!joined.empty()) joined += "\r\n";
            joined.append(out, at, len);
        }
        const std::string converted = convert(joined);
        std::vector<std::string_view> pieces;
        for (std::size_t a = 0;;) {
            const std::size_t b = converted.find("\r\n", a);
            pieces.push_back(std::string_view(converted).substr(a, b == std::string::npos ? std::string::npos : b - a));
            if (b == std::string::npos) break;
            a = b + 2;
        }
        if (pieces.size() == placed.size()) {
            std::string rebuilt;
            text::reserveLarge(rebuilt, out.size() + out.size() / 8 + 64);
            std::size_t from = 0;
            for (std::size_t i = 0; i < placed.size(); ++i) {
                rebuilt.append(out, from, placed[i].first - from);
                rebuilt += pieces[i];
                from = placed[i].first + placed[i].second;
            }
            rebuilt.append(out, from, std::string::npos);
            out.swap(rebuilt);
        }
    }
    if (changes)
        std::stable_sort(changes->begin(), changes->end(), [](const Change& a, const Change& b) {
            return a.line != b.line ? a.line < b.line : a.column < b.column;
        });
    return out;
}

std::string typesetDocument(std::string&& text, DocumentFormat format, bool fromBatch, const TypesetOptions& o,
                            RunContext& ctx, TypesetProgress* progress, std::vector<Change>* changes) {
    if (format == DocumentFormat::Markdown) {
        if (progress) {
            if (fromBatch) progress->batchFileBar(200, 0);
            progress->hideMainProgress();
            progress->phase(PhaseLabels::paragraphs());
        }
        std::string out = typesetMarkdown(text, o, ctx, changes);
        std::string().swap(text);
        if (progress) {
            if (fromBatch) progress->batchFileBar(200, 200);
            progress->finished();
        }
        return out;
    }
    std::string before;
    if (changes) before = text;
    std::string out = typesetOwnedText(std::move(text), fromBatch, o, ctx, progress);
    if (changes) {
        // The text's own last line break is the file's, kept by whoever
        // writes it: it is no change.
        const bool finalBreak = before.ends_with("\r\n");
        if (finalBreak && !out.ends_with("\r\n")) {
            out += "\r\n";
            *changes = changesBetween(before, out, "typeset");
            out.resize(out.size() - 2);
        } else {
            *changes = changesBetween(before, out, "typeset");
        }
    }
    return out;
}

}  // namespace folvane::engine

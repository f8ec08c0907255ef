// The corrections of one piece of prose (a line of a text, a run of a
// Markdown document): widths, punctuation, quotation marks around the
// protected stretches, then the spaces between Chinese and Latin.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "corrections/protected_spans.h"
#include "corrections/quote_state.h"
#include "corrections/spacing.h"
#include "engine/typeset_options.h"

namespace folvane::engine {

// True when one of the switches that correct a piece is on.
bool correctsProse(const TypesetOptions& options);

class ProseCorrector {
public:
    explicit ProseCorrector(const TypesetOptions& options) : o_(options) {}

    // The corrected piece: the piece itself when no switch changes it, else
    // a view of storage of this object, valid until the next call. The
    // quote pairing continues from `quotes` and is left in it.
    std::string_view correct(std::string_view piece, corrections::QuoteState& quotes);

    // The same, one switch after another: `step(rule, before, after)` is
    // called for each switch that changed the piece, with the piece before
    // and after it (`rule` is the switch's name for "--set"). Gives what
    // correct() gives.
    template <typename Step>
    std::string correctBySteps(std::string_view piece, corrections::QuoteState& quotes, Step&& step);

private:
    std::string_view correctBetweenSpans(std::string_view line, corrections::QuoteState& quotes);

    const TypesetOptions& o_;
    std::string scratch_, spare_, assembled_;
    std::vector<corrections::Span> spans_;
};

// One switch applied to a piece with no protected stretch in it.
enum class ProseStep { Width, Punctuation, Quotes };
std::string applyProseStep(ProseStep step, std::string_view piece, const TypesetOptions& options,
                           corrections::QuoteState& quotes);
// The switch named for a step's changes, "" when it does nothing here.
std::string_view proseStepRule(ProseStep step, const TypesetOptions& options);

template <typename Step>
std::string ProseCorrector::correctBySteps(std::string_view piece, corrections::QuoteState& quotes, Step&& step) {
    // The protected stretches are those of the piece as it came; each switch
    // acts on the pieces between them in turn, as correct() does.
    std::vector<corrections::Span> spans;
    const bool corrects = o_.fullToHalfWidth || o_.halfToFullWidth || o_.fixPunctuation || o_.fixQuotes;
    if (o_.protectLinks && corrects) corrections::protectedSpansInto(piece, spans);
    std::vector<std::string> parts;   // between the stretches, and after the last
    std::vector<std::string_view> kept;
    std::size_t pos = 0;
    for (const corrections::Span& s : spans) {
        parts.emplace_back(piece.substr(pos, s.start - pos));
        kept.push_back(piece.substr(s.start, s.end - s.start));
        pos = s.end;
    }
    parts.emplace_back(piece.substr(pos));
    auto assemble = [&] {
        std::string out;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            out += parts[i];
            if (i < kept.size()) out += kept[i];
        }
        return out;
    };
    std::string current(piece);
    for (const ProseStep s : {ProseStep::Width, ProseStep::Punctuation, ProseStep::Quotes}) {
        const std::string_view rule = proseStepRule(s, o_);
        if (rule.empty()) continue;
        for (std::string& part : parts)
            if (!part.empty()) part = applyProseStep(s, part, o_, quotes);
        std::string next = assemble();
        if (next != current) step(rule, std::string_view(current), std::string_view(next));
        current.swap(next);
    }
    if (o_.spaceHanLatin) {
        std::string next = corrections::spaceHanLatin(current);
        if (next != current) step(std::string_view("spaceHanLatin"), std::string_view(current), std::string_view(next));
        current.swap(next);
    }
    return current;
}

}  // namespace folvane::engine

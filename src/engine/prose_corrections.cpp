#include "engine/prose_corrections.h"

#include "corrections/mixed_punctuation.h"
#include "corrections/punctuation.h"
#include "corrections/quotes.h"
#include "text/width.h"

namespace folvane::engine {
namespace {

// The width, punctuation and quote corrections of one piece. Returns the
// piece itself when no switch changes it, else a view of `scratch`. Each
// step writes into `spare`, which then changes places with `scratch`: piece
// after piece, both keep their storage.
std::string_view correctPiece(std::string_view line, const TypesetOptions& o, corrections::QuoteState& quotes,
                              std::string& scratch, std::string& spare) {
    const bool bothWidths = o.fullToHalfWidth && o.halfToFullWidth;
    if (bothWidths && o.fixPunctuation && !o.mixedPunctuation) {
        corrections::correctWidthAndPunctuationInto(line, spare, scratch);
        scratch.swap(spare);
        line = scratch;
    } else {
        if (bothWidths) {
            text::toHalfThenFullWidthInto(line, spare);
            scratch.swap(spare);
            line = scratch;
        } else if (o.fullToHalfWidth) {
            text::toHalfWidthInto(line, spare);
            scratch.swap(spare);
            line = scratch;
        } else if (o.halfToFullWidth) {
            text::toFullWidthInto(line, spare);
            scratch.swap(spare);
            line = scratch;
        }
        if (o.fixPunctuation && o.mixedPunctuation) {
            scratch = corrections::correctMixedPunctuation(line);
            line = scratch;
        } else if (o.fixPunctuation) {
            corrections::correctPunctuationInto(line, spare, scratch);
            scratch.swap(spare);
            line = scratch;
        }
    }
    if (o.fixQuotes && corrections::correctQuotesIfAny(line, quotes, spare)) {
        scratch.swap(spare);
        line = scratch;
    }
    return line;
}

}  // namespace

bool correctsProse(const TypesetOptions& o) {
    return o.fullToHalfWidth || o.halfToFullWidth || o.fixPunctuation || o.fixQuotes || o.spaceHanLatin;
}

std::string_view ProseCorrector::correctBetweenSpans(std::string_view line, corrections::QuoteState& quotes) {
    return correctPiece(line, o_, quotes, scratch_, spare_);
}

std::string_view ProseCorrector::correct(std::string_view line, corrections::QuoteState& quotes) {
    const bool corrects = o_.fullToHalfWidth || o_.halfToFullWidth || o_.fixPunctuation || o_.fixQuotes;
    if (o_.protectLinks && corrects) {
        corrections::protectedSpansInto(line, spans_);
        if (!spans_.empty()) {
            assembled_.clear();
            corrections::correctAround(
                line, spans_, [&](std::string_view piece) { return correctBetweenSpans(piece, quotes); }, assembled_);
            line = assembled_;
        } else {
            line = correctBetweenSpans(line, quotes);
        }
    } else {
        line = correctBetweenSpans(line, quotes);
    }
    if (o_.spaceHanLatin) {
        std::string spaced = corrections::spaceHanLatin(line);
        assembled_.swap(spaced);
        line = assembled_;
    }
    return line;
}

std::string applyProseStep(ProseStep step, std::string_view piece, const TypesetOptions& o,
                           corrections::QuoteState& quotes) {
    std::string out, spare;
    switch (step) {
        case ProseStep::Width:
            if (o.fullToHalfWidth && o.halfToFullWidth) {
                text::toHalfThenFullWidthInto(piece, out);
            } else if (o.fullToHalfWidth) {
                text::toHalfWidthInto(piece, out);
            } else if (o.halfToFullWidth) {
                text::toFullWidthInto(piece, out);
            } else {
                return std::string(piece);
            }
            return out;
        case ProseStep::Punctuation:
            if (!o.fixPunctuation) return std::string(piece);
            // correctWidthAndPunctuation is this after the width step.
            if (o.mixedPunctuation) return corrections::correctMixedPunctuation(piece);
            corrections::correctPunctuationInto(piece, out, spare);
            return out;
        case ProseStep::Quotes:
            if (!o.fixQuotes || !corrections::correctQuotesIfAny(piece, quotes, out)) return std::string(piece);
            return out;
    }
    return std::string(piece);
}

std::string_view proseStepRule(ProseStep step, const TypesetOptions& o) {
    switch (step) {
        case ProseStep::Width:
            if (o.fullToHalfWidth && o.halfToFullWidth) return "halfToFullWidth";
            if (o.fullToHalfWidth) return "fullToHalfWidth";
            if (o.halfToFullWidth) return "halfToFullWidth";
            return "";
        case ProseStep::Punctuation:
            if (!o.fixPunctuation) return "";
            return o.mixedPunctuation ? "mixedPunctuation" : "fixPunctuation";
        case ProseStep::Quotes: return o.fixQuotes ? "fixQuotes" : "";
    }
    return "";
}

}  // namespace folvane::engine

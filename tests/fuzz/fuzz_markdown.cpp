// The Markdown reader and Markdown mode.
//
// Invariants: the prose runs lie within the text, in order, apart, on one
// line each, at character boundaries, with block numbers that never fall;
// Markdown mode changes bytes only inside them (what is not prose comes out
// byte for byte, in order); with no switch on it changes nothing; the
// change records agree with the result.
#include "engine/document_typeset.h"
#include "fuzz_input.h"
#include "markup/markdown_reader.h"
#include "text/gb18030.h"

using namespace folvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t flags = in.byte();
    const std::string text(in.rest());

    const std::vector<markup::ProseRun> runs = markup::markdownProse(text);
    std::size_t end = 0;
    std::uint32_t block = 0;
    for (const markup::ProseRun& r : runs) {
        fuzz::require(r.start >= end && r.start < r.end && r.end <= text.size(), "runs in order, apart, inside");
        fuzz::require(r.block >= block, "block numbers never fall");
        for (std::size_t i = r.start; i < r.end; ++i)
            fuzz::require(text[i] != '\r' && text[i] != '\n', "a run on one line");
        text::BoundaryWalker w(text);
        fuzz::require(w.reach(r.start) && w.reach(r.end), "runs at character boundaries");
        end = r.end;
        block = r.block;
    }

    engine::TypesetOptions o;
    o.fixPunctuation = flags & 1;
    o.fixQuotes = flags & 2;
    o.spaceHanLatin = flags & 4;
    o.protectLinks = flags & 8;
    o.halfToFullWidth = flags & 16;
    o.fullToHalfWidth = flags & 32;
    engine::RunContext ctx;
    const std::string out = engine::typesetMarkdown(text, o, ctx);
    // What lies between the runs comes out unchanged and in order (a space
    // may be put beside emphasis markers, which are outside the runs).
    std::size_t at = 0, from = 0;
    for (const markup::ProseRun& r : runs) {
        const std::string_view gap = std::string_view(text).substr(from, r.start - from);
        const std::size_t found = std::string_view(out).find(gap, at);
        fuzz::require(found != std::string_view::npos, "what is not prose stays");
        at = found + gap.size();
        from = r.end;
    }
    fuzz::require(std::string_view(out).find(std::string_view(text).substr(from), at) != std::string_view::npos,
                  "the text after the last run stays");
    fuzz::require(engine::typesetMarkdown(text, engine::TypesetOptions{}, ctx) == text, "no switch, no change");
    std::vector<engine::Change> changes;
    fuzz::require(engine::typesetMarkdown(text, o, ctx, &changes) == out, "records and result agree");
    fuzz::require(changes.empty() == (out == text), "a change is recorded exactly when there is one");
    return 0;
}

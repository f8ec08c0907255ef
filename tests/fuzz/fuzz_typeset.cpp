// The paragraph pipeline on any bytes under any switches.
//
// Invariants: bytes 0xFF (never part of a character) all survive; without
// signatures and indentation the result never ends with a line break; with trimmed
// paragraph ends and the line-break fix and no switch that rewrites
// characters, typesetting the result again changes nothing.
#include <algorithm>

#include "engine/typeset.h"
#include "fuzz_input.h"

using namespace folvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint32_t bits = in.byte() | (in.byte() << 8) | (in.byte() << 16);
    const std::uint8_t flags = in.byte();
    engine::TypesetOptions o;
    int k = 0;
    for (const auto& f : engine::typesetOptionFields()) o.*(f.member) = (bits >> k++) & 1;
    o.toTraditional = o.toSimplified = false;  // the script target covers them
    const bool signature = flags & 1, batch = flags & 2;
    engine::RunContext ctx;
    ctx.clock = [] { return corrections::DateTime{2024, 2, 29, 23, 59, 58}; };
    ctx.signature.signatureEnabled = signature;
    if (signature) {
        ctx.signature.headSignatureTemplate = std::string(in.piece());
        ctx.signature.tailSignatureTemplate = std::string(in.piece());
    }
    const std::string_view text = in.rest();
    const std::string out = batch ? engine::typesetText({}, text, true, o, ctx) : engine::typesetText(text, {}, false, o, ctx);

    if (!signature) {
        fuzz::require(std::count(out.begin(), out.end(), '\xFF') == std::count(text.begin(), text.end(), '\xFF'),
                      "a byte 0xFF was lost or made up");
        // (With an indentation, taking off a trailing indented line may
        // bare a line break before it; the tail rule stops there.)
        if (engine::indentText(o).empty() && !o.joinNonParagraphBreaks)
            fuzz::require(!out.ends_with("\r\n"), "the result ends with a line break");
        const bool rewrites = o.stripHeadNoise || o.stripTailNoise || o.fullToHalfWidth || o.halfToFullWidth ||
                              o.fixPunctuation || o.fixQuotes || o.joinNonParagraphBreaks;
        if (o.trimParagraphEnds && o.lineBreakFix && !rewrites) {
            engine::RunContext again;
            fuzz::require(engine::typesetText(out, {}, false, o, again) == out, "typesetting twice changes the text");
        }
    }
    return 0;
}

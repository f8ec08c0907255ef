#include "engine/typeset.h"

#include <gtest/gtest.h>

#include <vector>

#include "gbtext.h"
#include "random_text.h"

namespace folvane::engine {
namespace {

using folvane::testing::g;

const std::string kI = "\xA1\xA1\xA1\xA1";  // "　　"

TypesetOptions defaults() { return TypesetOptions::defaults(); }

TypesetOptions with(std::initializer_list<bool TypesetOptions::*> on,
                    std::initializer_list<bool TypesetOptions::*> off = {}) {
    TypesetOptions o = defaults();
    for (auto m : on) o.*m = true;
    for (auto m : off) o.*m = false;
    return o;
}

std::string typeset(std::string_view input, const TypesetOptions& o) {
    RunContext ctx;
    return typesetText(input, {}, false, o, ctx);
}

struct PipelineCase {
    const char* name;
    std::string input;
    TypesetOptions options;
    std::string expected;
};

// The worked example: six lines and one more line break.
const std::string kExample = g("  第一段第一行\r\n第一段第二行。\r\n\r\n   \r\n第二段，结束！\r\n\r\n");

TEST(TypesetText, WorkedExample) {
    const PipelineCase cases[] = {
        {"defaults", kExample, defaults(),
         kI + g("第一段第一行\r\n") + kI + g("第一段第二行。\r\n") + kI + g("第二段，结束！")},
        {"joining", kExample, with({&TypesetOptions::joinNonParagraphBreaks}),
         kI + g("第一段第一行第一段第二行。\r\n") + kI + g("第二段，结束！")},
        {"no line-break fix", kExample, with({}, {&TypesetOptions::lineBreakFix}),
         kI + g("第一段第一行\r\n") + kI + g("第一段第二行。\r\n") + kI + "\r\n" + kI + "\r\n" + kI +
             g("第二段，结束！")},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(typeset(c.input, c.options), c.expected) << c.name;
}

TEST(TypesetText, LayoutOfTwoParagraphs) {
    using O = TypesetOptions;
    const std::string in = "A\r\n\r\nB\r\n";
    const std::string A = kI + "A", B = kI + "B";
    const PipelineCase cases[] = {
        {"single", in, defaults(), A + "\r\n" + B},
        {"double", in, with({&O::doubleBreak}), A + "\r\n\r\n" + B},
        {"double filled", in, with({&O::doubleBreak, &O::fillBlankLines}), A + "\r\n" + kI + "\r\n" + B},
        {"triple", in, with({&O::tripleBreak}), A + "\r\n\r\n\r\n" + B},
        {"triple filled", in, with({&O::tripleBreak, &O::fillBlankLines}),
         A + "\r\n" + kI + "\r\n" + kI + "\r\n" + B},
        {"double and triple give three blank lines", in, with({&O::doubleBreak, &O::tripleBreak}),
         A + "\r\n\r\n\r\n\r\n" + B},
        {"half-width indentation", in, with({}, {&O::indentFullWidth}), "    A\r\n    B"},
        {"no indentation", in, with({}, {&O::addIndent}), "A\r\nB"},
        {"no trimming keeps spaces", " A \r\nB", with({}, {&O::trimParagraphEnds}), kI + " A \r\n" + B},
        {"double with joining", g("甲\r\n乙。\r\n丙"), with({&O::doubleBreak, &O::joinNonParagraphBreaks}),
         kI + g("甲乙。\r\n\r\n") + kI + g("丙")},
        {"double filled with joining", g("甲\r\n乙。\r\n丙"),
         with({&O::doubleBreak, &O::fillBlankLines, &O::joinNonParagraphBreaks}),
         kI + g("甲乙。\r\n") + kI + "\r\n" + kI + g("丙")},
        {"triple with joining", g("甲\r\n乙。\r\n丙"), with({&O::tripleBreak, &O::joinNonParagraphBreaks}),
         kI + g("甲乙。\r\n\r\n\r\n") + kI + g("丙")},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(typeset(c.input, c.options), c.expected) << c.name;
}

TEST(TypesetText, EdgeCases) {
    using O = TypesetOptions;
    const PipelineCase cases[] = {
        {"empty input", "", defaults(), ""},
        {"only line breaks", "\r\n\r\n\r\n", defaults(), ""},
        {"one line without a break", g("一行"), defaults(), kI + g("一行")},
        {"space-only line dropped even without trimming", g("甲\r\n 　 \r\n乙"),
         with({}, {&O::trimParagraphEnds}), kI + g("甲\r\n") + kI + g("乙")},
        {"digits at the head are noise", g("2009年"), with({&O::stripHeadNoise}), kI + g("年")},
        {"tail noise after the full stop", g("好。 abc　"), with({&O::stripTailNoise}), kI + g("好。")},
        {"head noise leaves an empty line", "abc\r\n" + g("中"), with({&O::stripHeadNoise}), kI + g("中")},
        {"odd spaces become full-width and are trimmed", "\xA3\xA0" + g("甲") + "\xAA\xA5", defaults(),
         kI + g("甲")},
        {"odd space inside stays a full-width space", g("甲") + "\xA3\xA0" + g("乙"), defaults(),
         kI + g("甲　乙")},
        {"odd-space bytes straddling characters are kept", "\xB0\xA3\xA0\xB0", defaults(),
         kI + "\xB0\xA3\xA0\xB0"},
        {"tabs vanish everywhere", "\t" + g("甲\t乙") + "\t", defaults(), kI + g("甲乙")},
        {"trailing indentation-only lines go", g("甲\r\n　　\r\n"), with({}, {&O::lineBreakFix}), kI + g("甲")},
        {"empty indentation: only line breaks trimmed at the tail", g("甲\r\n "),
         with({}, {&O::addIndent, &O::lineBreakFix, &O::trimParagraphEnds}), g("甲\r\n ")},
        {"full to half width", g("ＡＢＣ，好。"), with({&O::fullToHalfWidth}), kI + "ABC," + g("好.")},
        {"half to full width", "ab 1", with({&O::halfToFullWidth}), kI + g("ａｂ　１")},
        {"half to full then trimmed", "  ab  ", with({&O::halfToFullWidth}), kI + g("ａｂ")},
        {"nul bytes kept", std::string("a\0b", 3), defaults(), kI + std::string("a\0b", 3)},
        {"invalid bytes kept", "\x80\xFF\x81", defaults(), kI + "\x80\xFF\x81"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(typeset(c.input, c.options), c.expected) << c.name;
}

TEST(NormalizeOddSpaces, AnOpaqueByteNeverFusesWithItsNeighbour) {
    struct Case {
        const char* name;
        std::string input, expected;
    };
    const Case cases[] = {
        {"lead byte, tab, letter", "\x81\tA", "\x81\tA"},
        {"lead byte, tab, lead byte and trail", "\x81\t\xB0\xA1", "\x81\t\xB0\xA1"},
        {"lead byte, tab, odd space", "\x81\t\xA3\xA0", "\x81\t\xA1\xA1"},
        {"four-byte code split by a tab", "\x81\x30\t\x81\x30", "\x81\x30\t\x81\x30"},
        {"four-byte code split late", "\x81\x30\x81\t\x30", "\x81\x30\x81\t\x30"},
        {"four-byte code split early", "\x81\t\x30\x81\x30", "\x81\t\x30\x81\x30"},
        {"two tabs keep one", "\x81\t\tA", "\x81\tA"},
        {"lead byte, tab, control", "\x81\t\r\n", "\x81\r\n"},
        {"lead byte at the end", "A\x81\t", "A\x81"},
        {"whole character, tab, letter", "\xB0\xA1\tA", "\xB0\xA1" "A"},
        {"opaque byte that never leads", "\x80\tA", "\x80" "A"},
        {"lead byte far before", "\x81" "abcd\tA", "\x81" "abcdA"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(normalizeOddSpaces(c.input), c.expected) << c.name;
}

TEST(TypesetText, ATabThatPartedAnOpaqueByteFromATrimmedSpaceGoes) {
    // Step 2 keeps the tab ("A1 A1" after it would fuse with the opaque
    // "A1"); trimming the paragraph's end takes the space off, and the tab
    // has nothing left to part. Typesetting the result again changes nothing.
    struct Case {
        const char* name;
        std::string input, expected;
    };
    const std::string fw = "\xA1\xA1";  // the full-width space
    const Case cases[] = {
        {"at the end of the text", "x\xA1\t" + fw, kI + "x\xA1"},
        {"before a line break", "x\xA1\t" + fw + "\r\ny", kI + "x\xA1\r\n" + kI + "y"},
        {"still needed inside the line", "x\xA1\t" + fw + "y", kI + "x\xA1\t" + fw + "y"},
        {"the fuzzer's case", "\xA1\x34\xA1\t" + fw, kI + "\xA1\x34\xA1"},
    };
    for (const auto& c : cases) {
        const std::string once = typeset(c.input, defaults());
        EXPECT_GB_EQ(once, c.expected) << c.name;
        EXPECT_GB_EQ(typeset(once, defaults()), once) << c.name;
    }
}

TEST(TypesetText, EmptyViewWithoutData) {
    RunContext ctx;
    EXPECT_EQ(typesetText(std::string_view(), std::string_view(), false, defaults(), ctx), "");
    EXPECT_EQ(typesetText(std::string_view(), std::string_view(), true, defaults(), ctx), "");
    EXPECT_EQ(normalizeOddSpaces(std::string_view()), "");
}

TEST(TypesetText, OwnedInputGivesTheSameResult) {
    for (const std::string& in : {kExample, std::string("\t\xA3\xA0x\r\n\r\ny"), std::string()}) {
        RunContext a, b;
        EXPECT_EQ(typesetOwnedText(std::string(in), false, defaults(), a), typesetText(in, {}, false, defaults(), b));
    }
}

TEST(TypesetText, ALongOwnedInputKeepsEveryLine) {
    // Far beyond the stretch after which the lines done are given back.
    std::string in, expected;
    const std::string indent = "\xA1\xA1\xA1\xA1";
    for (int i = 0; i < 1'500'000; ++i) {
        const std::string line = std::to_string(i) + "\xB0\xA1";
        in += line + "\r\n";
        expected += indent + line + "\r\n";
    }
    expected.resize(expected.size() - 2);
    RunContext ctx;
    const std::string out = typesetOwnedText(std::move(in), false, TypesetOptions::defaults(), ctx);
    EXPECT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
}

TEST(TypesetText, ALongInputJoinedKeepsEveryLine) {
    // Lines without a sentence end join the next one; again far beyond the
    // stretch after which the lines done are given back.
    std::string in, expected;
    const std::string indent = "\xA1\xA1\xA1\xA1";
    for (int i = 0; i < 1'200'000; ++i) {
        const std::string n = std::to_string(i);
        if (i % 3 == 0) {
            in += n + "\xBC\xD7\r\n";  // 甲
            expected += indent + n + "\xBC\xD7";
        } else {
            in += n + "\xA1\xA3\r\n";  // 。
            expected += (i % 3 == 2 ? indent : std::string()) + n + "\xA1\xA3\r\n";
        }
    }
    expected.resize(expected.size() - 2);
    TypesetOptions o = TypesetOptions::defaults();
    o.joinNonParagraphBreaks = true;
    RunContext ctx;
    const std::string out = typesetOwnedText(std::move(in), false, o, ctx);
    EXPECT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
}

TEST(TypesetText, BatchInputComesFromRawBytes) {
    RunContext ctx;
    EXPECT_GB_EQ(typesetText("ignored", g("文件"), true, defaults(), ctx), kI + g("文件"));
    EXPECT_GB_EQ(typesetText(g("编辑器"), "ignored", false, defaults(), ctx), kI + g("编辑器"));
}

// Records what the pipeline reports.
class Recorder : public TypesetProgress {
public:
    void phase(std::string_view label) override { phases.emplace_back(label); }
    void hideMainProgress() override { hidden = true; }
    void mainPosition(int p) override {
        mainPositions.push_back(p);
        if (p > 0) ++mainTicks;
    }
    void batchFileBar(int maximum, int position) override {
        batchMax = maximum;
        batch.push_back(position);
    }
    void finished() override { ++finishedCalls; }

    std::vector<std::string> phases;
    bool hidden = false;
    std::vector<int> mainPositions;
    int mainTicks = 0;
    int batchMax = 0;
    std::vector<int> batch;
    int finishedCalls = 0;
};

// Lines end at "\r\n" only: a lone "\r" or "\n" stays inside its line, and
// an opaque byte before a break stays with its line.
TEST(TypesetText, LinesAreCutAtCarriageReturnLineFeedOnly) {
    using O = TypesetOptions;
    const TypesetOptions plain = with({}, {&O::addIndent, &O::trimParagraphEnds});
    const PipelineCase cases[] = {
        {"lone carriage return inside a line", "a\rb\r\nc", plain, "a\rb\r\nc"},
        {"carriage return before the break", "a\r\r\nb", plain, "a\r\r\nb"},
        {"line feed before the break", "a\n\r\nb", plain, "a\n\r\nb"},
        {"carriage return ends the text", "a\r", plain, "a\r"},
        {"last line is a carriage return", "a\r\n\r", plain, "a\r\n\r"},
        {"opaque byte before the break", "\x81\r\nb", plain, "\x81\r\nb"},
        {"only one break", "\r\n", plain, ""},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(typeset(c.input, c.options), c.expected) << c.name;
}

// Blank lines kept (no line-break fix) get one break, whatever the double
// and triple breaks give the lines that are not blank.
TEST(TypesetText, KeptBlankLinesBetweenDoubleAndTripleBreaks) {
    using O = TypesetOptions;
    const std::string in = "A\r\n\r\nB";
    const std::string A = kI + "A", B = kI + "B";
    const PipelineCase cases[] = {
        {"double filled", in, with({&O::doubleBreak, &O::fillBlankLines}, {&O::lineBreakFix}),
         A + "\r\n" + kI + "\r\n" + kI + "\r\n" + B},
        {"triple filled", in, with({&O::tripleBreak, &O::fillBlankLines}, {&O::lineBreakFix}),
         A + "\r\n" + kI + "\r\n" + kI + "\r\n" + kI + "\r\n" + B},
        {"double and triple", in, with({&O::doubleBreak, &O::tripleBreak}, {&O::lineBreakFix}),
         A + "\r\n\r\n\r\n\r\n" + kI + "\r\n" + B},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(typeset(c.input, c.options), c.expected) << c.name;
}

std::string manyLines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += g("第") + std::to_string(i) + g("行。\r\n");
    return s;
}

TEST(TypesetProgress, BelowTwoHundredLinesTheBarIsHidden) {
    for (int lines : {1, 199, 200}) {
        Recorder r;
        RunContext ctx;
        std::string text = manyLines(lines);
        text.resize(text.size() - 2);  // no final break: exactly `lines` lines
        typesetText(text, {}, false, defaults(), ctx, &r);
        EXPECT_EQ(r.hidden, lines < 200) << lines;
        EXPECT_EQ(r.mainTicks, lines < 200 ? lines : 200) << lines;
        EXPECT_EQ(r.finishedCalls, 1);
        EXPECT_TRUE(r.batch.empty());
    }
}

TEST(TypesetProgress, PhasesInOrderWithAbout200TicksEach) {
    Recorder r;
    RunContext ctx;
    // 1000 lines and a final break: 1001 lines, step 5.
    typesetText(manyLines(1000), {}, false, with({&TypesetOptions::stripHeadNoise}), ctx, &r);
    EXPECT_FALSE(r.hidden);
    const std::vector<std::string> expected = {PhaseLabels::stripNoise(), PhaseLabels::paragraphs(),
                                               PhaseLabels::script(),     PhaseLabels::tail(),
                                               PhaseLabels::joining(),    PhaseLabels::signatures()};
    EXPECT_EQ(r.phases, expected);
    EXPECT_EQ(g("\r\n正在整理段落"), PhaseLabels::paragraphs());
    // 1001 lines tick 200 times; the collection buffer has 1002 lines: 200 more.
    EXPECT_EQ(r.mainTicks, 400);
    EXPECT_LE(*std::max_element(r.mainPositions.begin(), r.mainPositions.end()), 200);
    EXPECT_EQ(std::count(r.mainPositions.begin(), r.mainPositions.end(), 0), 1);  // reset after noise
}

TEST(TypesetProgress, BatchRunMovesTheFileBar) {
    Recorder r;
    RunContext ctx;
    typesetText({}, manyLines(400), true, defaults(), ctx, &r);
    EXPECT_EQ(r.batchMax, 200);
    ASSERT_GE(r.batch.size(), 3u);
    EXPECT_EQ(r.batch.front(), 0);
    EXPECT_EQ(r.batch.back(), 200);
    EXPECT_EQ(r.batch.size(), 1u + 200u + 1u);  // start, 401 lines at step 2, end
}

corrections::Clock fixedClock(int y, int mo, int d, int h, int mi, int s) {
    return [=] { return corrections::DateTime{y, mo, d, h, mi, s}; };
}

TEST(TypesetSignatures, TypesettingTwiceKeepsOneHeadAndOneTail) {
    RunContext ctx;
    ctx.signature.signatureEnabled = true;
    ctx.signature.headSignatureTemplate = g("#YYYY-#MM-#DD");
    ctx.signature.tailSignatureTemplate = g("—— 发表于 #HH:#II\r\n转载请注明");
    ctx.clock = fixedClock(2000, 1, 2, 9, 5, 0);
    const std::string first = typesetText(g("正文一行\r\n正文二行"), {}, false, defaults(), ctx);
    EXPECT_GB_EQ(first, g("2000-01-02\r\n") + kI + g("正文一行\r\n") + kI +
                            g("正文二行\r\n—— 发表于 09:05\r\n转载请注明"));
    ctx.clock = fixedClock(2001, 12, 31, 23, 59, 59);
    const std::string second = typesetText(first, {}, false, defaults(), ctx);
    EXPECT_GB_EQ(second, g("2001-12-31\r\n") + kI + g("正文一行\r\n") + kI +
                             g("正文二行\r\n—— 发表于 23:59\r\n转载请注明"));
    EXPECT_GB_EQ(ctx.signature.lastHeadSignature, g("2001-12-31"));
}

// Runs on copies of the context hand back exactly what one shared context
// would have kept: the quote pairing and the inserted signatures; what the
// owner changed meanwhile stays.
TEST(TypesetSignatures, RunsOnCopiesContinueAsOnOneContext) {
    RunContext shared, owner;
    for (RunContext* c : {&shared, &owner}) {
        c->signature.signatureEnabled = true;
        c->signature.headSignatureTemplate = "H";
        c->clock = fixedClock(2000, 1, 2, 9, 5, 0);
    }
    TypesetOptions quotes = defaults();
    quotes.fixQuotes = true;
    std::string viaShared = g("他说\"你"), viaCopies = viaShared;
    for (int run = 0; run < 3; ++run) {
        viaShared = typesetText(viaShared + g("好\"吗"), {}, false, quotes, shared);
        RunContext copy = owner;
        viaCopies = typesetText(viaCopies + g("好\"吗"), {}, false, quotes, copy);
        owner.signature.headSignatureTemplate = "changed meanwhile";
        takeRunState(owner, copy);
        owner.signature.headSignatureTemplate = "H";
        EXPECT_GB_EQ(viaCopies, viaShared) << run;
        EXPECT_EQ(owner.quotes.nextDoubleQuote, shared.quotes.nextDoubleQuote) << run;
        EXPECT_EQ(owner.signature.lastHeadSignature, shared.signature.lastHeadSignature) << run;
    }
    // The owner's own settings are never taken from a run.
    RunContext copy = owner;
    copy.signature.signatureEnabled = false;
    copy.signature.tailSignatureTemplate = "T";
    takeRunState(owner, copy);
    EXPECT_TRUE(owner.signature.signatureEnabled);
    EXPECT_EQ(owner.signature.tailSignatureTemplate, "");
}

TEST(TypesetSignatures, EmptyInputGetsOnlySignatures) {
    RunContext ctx;
    ctx.signature.signatureEnabled = true;
    ctx.signature.headSignatureTemplate = "H";
    ctx.signature.tailSignatureTemplate = "T";
    EXPECT_EQ(typesetText("", {}, false, defaults(), ctx), "H\r\n\r\nT");
}

TEST(TypesetSignatures, DisabledSignaturesAreOrdinaryText) {
    RunContext ctx;
    ctx.signature.headSignatureTemplate = "H";
    ctx.signature.lastHeadSignature = "H";
    EXPECT_GB_EQ(typesetText("H\r\nx", {}, false, defaults(), ctx), kI + "H\r\n" + kI + "x");
}

TEST(TypesetSignatures, EditedSignatureIsNotRecognised) {
    RunContext ctx;
    ctx.signature.signatureEnabled = true;
    ctx.signature.headSignatureTemplate = "SIG";
    const std::string once = typesetText("x", {}, false, defaults(), ctx);
    EXPECT_EQ(once, "SIG\r\n" + kI + "x");
    const std::string edited = "SIg\r\n" + kI + "x";
    EXPECT_EQ(typesetText(edited, {}, false, defaults(), ctx), "SIG\r\n" + kI + "SIg\r\n" + kI + "x");
}

}  // namespace
}  // namespace folvane::engine

namespace folvane::engine {
namespace {

TEST(TypesetText, AnyByteSequenceWithAnySwitches) {
    // No crash on arbitrary bytes (the sanitizer build checks memory), and
    // with no switch that removes characters, no byte disappears that is not
    // part of a space, an odd space, a tab or a line break.
    unsigned seed = 2026;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 500; ++round) {
        std::string input;
        const std::size_t len = next() % 300;
        for (std::size_t i = 0; i < len; ++i) input += static_cast<char>(next() >> 24);
        if (next() % 3 == 0) input += "\r\n\r\n";
        TypesetOptions o;
        for (const auto& f : typesetOptionFields()) o.*(f.member) = (next() >> 20) & 1;
        RunContext ctx;
        ctx.signature.signatureEnabled = (next() >> 20) & 1;
        ctx.signature.headSignatureTemplate = "#YYYY";
        const std::string out = typesetText(input, {}, false, o, ctx);
        if (!o.stripHeadNoise && !o.stripTailNoise && !o.fullToHalfWidth && !o.halfToFullWidth && !o.fixPunctuation) {
            auto counted = [](unsigned char c) {
                return std::string_view(" \t\r\n\xA1\xA3\xA0\xAA\xA5").find(static_cast<char>(c)) ==
                       std::string_view::npos;
            };
            std::size_t kept = 0;
            for (unsigned char c : input) kept += counted(c);
            std::size_t got = 0;
            for (unsigned char c : out) got += counted(c);
            EXPECT_GE(got, kept) << folvane::testing::show(input);
        }
    }
}

}  // namespace
}  // namespace folvane::engine

namespace folvane::engine {
namespace {

using folvane::testing::g;

const std::string kIndent = "\xA1\xA1\xA1\xA1";

TEST(TypesetCorrections, PunctuationAndQuotesPerLine) {
    using O = TypesetOptions;
    const PipelineCase cases[] = {
        {"punctuation", g("他说:你好,世界..."), with({&O::fixPunctuation}), kIndent + g("他说：你好，世界…")},
        {"quotes", g("他说\"你好\""), with({&O::fixQuotes}), kIndent + g("他说“你好”")},
        // Punctuation first: the dot still follows an apostrophe.
        {"punctuation before quotes", g("中'."), with({&O::fixPunctuation, &O::fixQuotes}), kIndent + g("中‘.")},
        {"English apostrophes stay", "It's 'Hello'", with({&O::fixQuotes}), kIndent + "It's 'Hello'"},
        {"width conversion before punctuation", g("中，"), with({&O::fullToHalfWidth, &O::fixPunctuation}),
         kIndent + g("中，")},
        {"switches off: nothing changes", g("他说:\"好\""), defaults(), kIndent + g("他说:\"好\"")},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(typeset(c.input, c.options), c.expected) << c.name;
}

TEST(TypesetCorrections, QuotePairingRunsOverLinesAndCalls) {
    const TypesetOptions o = with({&TypesetOptions::fixQuotes});
    RunContext ctx;
    // A quotation over two lines, then a file that continues the pairing.
    EXPECT_GB_EQ(typesetText(g("\"第一行\r\n第二行\"\r\n\"开"), {}, false, o, ctx),
                 kIndent + g("“第一行\r\n") + kIndent + g("第二行”\r\n") + kIndent + g("“开"));
    EXPECT_GB_EQ(typesetText(g("完\""), {}, false, o, ctx), kIndent + g("完”"));
    // The interactive run clears the state before it starts.
    typesetText(g("\""), {}, false, o, ctx);
    ctx.quotes.reset();
    EXPECT_GB_EQ(typesetText(g("\"新\""), {}, false, o, ctx), kIndent + g("“新”"));
}

// Records the order of the script conversions and the standard they get.
class RecordingConverter : public corrections::ScriptConverter {
public:
    std::string convert(std::string_view text, corrections::ScriptDirection d,
                        corrections::ScriptStandard s) const override {
        calls += d == corrections::ScriptDirection::ToTraditional ? "T" : "S";
        calls += std::string(corrections::scriptStandardName(s)).substr(0, 1);
        return std::string(text);
    }
    mutable std::string calls;
};

TEST(TypesetCorrections, ScriptConversionTraditionalThenSimplified) {
    using O = TypesetOptions;
    struct ScriptCase {
        TypesetOptions options;
        const char* calls;
    };
    const ScriptCase cases[] = {
        {with({&O::toTraditional, &O::toSimplified}), "ToSo"},
        {with({&O::toTraditional}), "To"},
        {with({&O::toSimplified}), "So"},
        {defaults(), ""},
    };
    for (const auto& c : cases) {
        RecordingConverter conv;
        RunContext ctx;
        ctx.scriptConverter = &conv;
        typesetText("x", {}, false, c.options, ctx);
        EXPECT_EQ(conv.calls, c.calls);
    }
}

TEST(TypesetSignatures, RetypesettingKeepsOneHeadAndOneTailOnRandomText) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {"\r\n", "\r\n", " ", g("　"), "a", ".", ",", "\"", "'", g("中"), g("。"), g("转载"), "#", "<<"});
    folvane::testing::RandomText rnd(4242);
    for (int round = 0; round < 1500; ++round) {
        const std::string input = round % 3 ? rnd.pieces(pool, 40) : rnd.bytes(80);
        TypesetOptions o;
        for (const auto& f : typesetOptionFields()) o.*(f.member) = rnd.next() & 1;
        RunContext ctx;
        ctx.signature.signatureEnabled = true;
        ctx.signature.headSignatureTemplate = g("转载 #YYYY-#MM-#DD");
        ctx.signature.tailSignatureTemplate = g("—— 完\r\n#HH:#II");
        ctx.clock = [] { return corrections::DateTime{2000, 1, 2, 9, 5, 0}; };
        const std::string once = typesetText(input, {}, false, o, ctx);
        const std::string twice = typesetText(once, {}, false, o, ctx);
        const std::string head = g("转载 2000-01-02\r\n"), tail = g("\r\n—— 完\r\n09:05");
        ASSERT_TRUE(twice.starts_with(head) && twice.ends_with(tail)) << folvane::testing::show(input);
        EXPECT_FALSE(std::string_view(twice).substr(head.size()).starts_with(head)) << folvane::testing::show(input);
        EXPECT_FALSE(std::string_view(twice).substr(0, twice.size() - tail.size()).ends_with(tail))
            << folvane::testing::show(input);
    }
}

}  // namespace
}  // namespace folvane::engine

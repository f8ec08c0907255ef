#include "corrections/quotes.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "random_text.h"
#include "text/gb18030.h"
#include "text/search.h"

namespace folvane::corrections {
namespace {

using folvane::testing::g;
using folvane::testing::show;

struct Case {
    const char* name;
    const char* input;  // UTF-8
    const char* expected;
    const char* nextDouble = "“";  // the state afterwards
    const char* nextSingle = "‘";
};

TEST(CorrectQuotes, FromAClearedState) {
    const Case cases[] = {
        {"Chinese quotation", "他说\"你好\"", "他说“你好”"},
        {"English words get curly double quotes too", "He said \"hi\".", "He said “hi”."},
        {"one double quote leaves a closing mark due", "\"开头", "“开头", "”"},
        {"curly and full-width marks are re-paired", "他说：你好”。她说：＂再见“。", "他说：你好“。她说：”再见“。",
         "”"},
        {"apostrophe between letters", "don't", "don't"},
        {"single quotes around Chinese", "他说'你好'。", "他说‘你好’。"},
        {"closing quote at the line end stays", "中文'abc'", "中文‘abc'", "“", "’"},
        {"English single quotes", "'Hello'", "'Hello'"},
        {"placeholder typed by the user", "a$#单引号#$b", "a'b"},
        {"placeholder overlapping a kept apostrophe", "$#单引号#'", "'#单引号#$"},
        {"no quotes", "没有引号", "没有引号"},
        {"curly singles re-paired", "‘中’。", "‘中’。"},
        {"closing curly single at the line end becomes ASCII", "‘中’", "‘中'", "“", "’"},
        {"quote before a full-width space", "a'　", "a'　"},
        {"after-test ends inside the following character", "a'b中", "a‘b中", "“", "’"},
        {"after-test ends inside a four-byte character", "a'\xF0\xA0\x80\x80", "a‘\xF0\xA0\x80\x80", "“", "’"},
        {"quote at the end after Chinese", "中'", "中‘", "“", "’"},
    };
    for (const auto& c : cases) {
        QuoteState st;
        EXPECT_GB_EQ(correctQuotes(g(c.input), st), g(c.expected)) << c.name;
        EXPECT_GB_EQ(st.nextDoubleQuote, g(c.nextDouble)) << c.name;
        EXPECT_GB_EQ(st.nextSingleQuote, g(c.nextSingle)) << c.name;
    }
}

TEST(CorrectQuotes, PairingContinuesOverLines) {
    QuoteState st;
    EXPECT_GB_EQ(correctQuotes(g("\"第一行"), st), g("“第一行"));
    EXPECT_GB_EQ(correctQuotes(g("第二行\"。"), st), g("第二行”。"));
    EXPECT_GB_EQ(correctQuotes(g("中文'abc'"), st), g("中文‘abc'"));
    // A closing mark is due: the next qualifying quote gets it, even one
    // that opens a quotation on a later line.
    EXPECT_GB_EQ(correctQuotes(g("'好"), st), g("’好"));
    EXPECT_GB_EQ(st.nextSingleQuote, g("‘"));
    // With a closing mark due, the text in front does not matter.
    st.nextSingleQuote = g("’");
    EXPECT_GB_EQ(correctQuotes(g("中'a"), st), g("中'a"));
    st.reset();
    EXPECT_TRUE(st.nextDoubleQuote.empty());
    EXPECT_GB_EQ(correctQuotes(g("\"x"), st), g("“x"));
}

// True when the character before `p` is a lead byte standing alone.
bool afterLoneLead(std::string_view s, std::size_t p) {
    return p > 0 && text::isLeadByte(static_cast<unsigned char>(s[p - 1])) && text::charStartBefore(s, p, 0) == p - 1;
}

// The documented algorithm: fold, then repeatedly take the first remaining
// quote from the start of the line, testing the line as it stands. A quote
// right after a lead byte standing alone stays ASCII (its mark would join
// that byte); a double one still counts in the alternation.
std::string literalQuotes(std::string s, QuoteState& st) {
    for (const char* q : {"“", "”", "＂"}) s = text::replaceAll(s, g(q), "\"");
    for (const char* q : {"‘", "’", "＇"}) s = text::replaceAll(s, g(q), "'");
    if (st.nextDoubleQuote.empty()) st.nextDoubleQuote = g("“");
    if (st.nextSingleQuote.empty()) st.nextSingleQuote = g("‘");
    for (std::size_t p, from = 0; (p = text::findAligned(s, "\"", from)) != text::npos;) {
        if (afterLoneLead(s, p)) {
            from = p + 1;
        } else {
            s.replace(p, 1, st.nextDoubleQuote);
            from = p + 2;
        }
        st.nextDoubleQuote = st.nextDoubleQuote == g("“") ? g("”") : g("“");
    }
    for (std::size_t p; (p = text::findAligned(s, "'")) != text::npos;) {
        const bool before = text::endsHalfWidth(std::string_view(s).substr(0, p));
        const std::size_t limit = std::min(p + 3, s.size());
        const bool after = text::BoundaryWalker(s).reach(limit) && text::endsHalfWidth(std::string_view(s).substr(0, limit));
        const bool opening = st.nextSingleQuote == g("‘");
        if (!afterLoneLead(s, p) && (opening ? (!before || !after) : !after)) {
            s.replace(p, 1, st.nextSingleQuote);
            st.nextSingleQuote = opening ? g("’") : g("‘");
        } else {
            s.replace(p, 1, apostrophePlaceholder());
        }
    }
    return text::replaceAll(s, apostrophePlaceholder(), "'");
}

TEST(CorrectQuotes, AgreesWithTheDocumentedLoopOnRandomText) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {"\"", "\"", "'", "'", "'", "a", " ", "$", "#", g("中"), g("　"), g("“"), g("”"), g("‘"), g("’"), g("＂"),
         g("＇"), g("单引号"), "$#", "#$", apostrophePlaceholder(), "\x95\x32\x82\x36", "\x81'", "'a"});
    folvane::testing::RandomText rnd(77);
    QuoteState fast, slow;  // carried from line to line, as in a run
    for (int round = 0; round < 20000; ++round) {
        const std::string line = round % 10 == 0 ? rnd.bytes(40) : rnd.pieces(pool, 25);
        EXPECT_GB_EQ(correctQuotes(line, fast), literalQuotes(line, slow)) << show(line);
        ASSERT_EQ(fast.nextDoubleQuote, slow.nextDoubleQuote) << show(line);
        ASSERT_EQ(fast.nextSingleQuote, slow.nextSingleQuote) << show(line);
    }
}

// The single-quote test looks past the quote at the line as the double
// quotes leave it; these put doubles, opaque bytes and long characters
// right after and before single quotes, where that view matters.
TEST(CorrectQuotes, LooksAheadAtTheLineWithDoublesDone) {
    const std::string cases[] = {
        "a'\"x",         "a'\"\"",      "'\"",          "\"'\"'",        "\x81\"x'a",   "a'\x81\"b",
        "a'\x95\x32\x82\x36", "a'a\x95\x32", "a'\x95\x32\x82",  "x'\xA1",        "x'\xA1\xA1",  "x'a\xA1\xA1",
        "\xA1'a",        "\xA1\"'a",    "a''b",         "a'''",          "'$x'",         "$'\"'",
        g("中'“x"),       g("a'“"),        g("'＂中"),      g("a’\"b"),      g("ab'　c'"),     "",
    };
    QuoteState one, literal;  // carried over all lines, as in a run
    for (const std::string& line : cases) {
        EXPECT_GB_EQ(correctQuotes(line, one), literalQuotes(line, literal)) << show(line);
        ASSERT_EQ(one.nextDoubleQuote, literal.nextDoubleQuote) << show(line);
        ASSERT_EQ(one.nextSingleQuote, literal.nextSingleQuote) << show(line);
    }
}

// correctQuotesIfAny declines the lines without a quote at a character
// boundary or a "$" (they come out unchanged), keeps the pairing state as
// the full correction leaves it, and leaves `out` alone when it declines.
TEST(CorrectQuotes, IfAnyDeclinesOnlyLinesWithoutQuotes) {
    struct Declined {
        const char* name;
        std::string line;
        bool declined;
    };
    const Declined cases[] = {
        {"empty line", "", true},
        {"Chinese prose", g("没有引号，也没有别的。"), true},
        {"mark bytes inside other characters", "\x81\xA1\xB0", true},
        {"mark bytes straddling two characters", "\xB0\xA1\xB0\xA1", true},
        {"mark after a pair of lead-range bytes", "\xB0\xB0\xA1\xB0", false},
        {"mark after a digit that starts no four-byte character", "\x81\x30\xA1\xB0", false},
        {"mark after a four-byte character", "\x81\x30\x81\x30\xA1\xAE", false},
        {"mark bytes inside a four-byte character", "\x81\x30\xA1\x30\xB0", true},
        {"mark after a character with an ASCII second byte", "\x81\x40\xA1\xB0", false},
        {"mark after a character ending in 0x80", "\x81\x80\xA1\xB1", false},
        {"mark after a lone 0x80 and lead byte", "\x80\x81\xA1\xB0", true},
        {"lead byte of a mark at the line end", "ab\xA1", true},
        {"ASCII double quote", "\"", false},
        {"apostrophe", "don't", false},
        {"dollar only", "$5", false},
        {"full-width double quote", g("＂"), false},
        {"curly single at the end", g("中’"), false},
    };
    for (const auto& c : cases) {
        QuoteState st;
        st.nextDoubleQuote = g("”");
        std::string out = "kept";
        const bool changed = correctQuotesIfAny(c.line, st, out);
        EXPECT_EQ(changed, !c.declined) << c.name;
        QuoteState ref;
        ref.nextDoubleQuote = g("”");
        const std::string expected = correctQuotes(c.line, ref);
        if (changed) {
            EXPECT_GB_EQ(out, expected) << c.name;
        } else {
            EXPECT_EQ(out, "kept") << c.name;
            EXPECT_EQ(expected, c.line) << c.name;
        }
        EXPECT_EQ(st.nextDoubleQuote, ref.nextDoubleQuote) << c.name;
        EXPECT_EQ(st.nextSingleQuote, ref.nextSingleQuote) << c.name;
    }
}

TEST(CorrectQuotes, AQuoteAfterALoneLeadByteStaysApartFromIt) {
    struct Case {
        std::string input, expected;
    };
    const Case cases[] = {
        {"\x81\"", "\x81\""},
        {"\x81'", "\x81'"},
        {"\x81\"" + g("中\""), "\x81\"" + g("中”")},  // the kept quote opened the pair
        {"\x81\x30\x81'" + g("中"), "\x81\x30\x81'" + g("中")},
        {"\x80\"", "\x80" + g("“")},  // 80 leads nothing
    };
    for (const auto& c : cases) {
        QuoteState st;
        const std::string out = correctQuotes(c.input, st);
        EXPECT_GB_EQ(out, c.expected) << show(c.input);
        EXPECT_EQ(folvane::testing::opaqueBytes(out), folvane::testing::opaqueBytes(c.input)) << show(c.input);
    }
}

TEST(CorrectQuotes, AgreesWithTheDocumentedLoopAroundDoublesAndOpaqueBytes) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {"\"", "\"", "'", "'", "a", "\x81", "\xA1", "\x95\x32", "\x82\x36", g("中"), g("　"), g("“"), g("＇"),
         "\xA3", "\xA7", "\xB0"});
    folvane::testing::RandomText rnd(91);
    QuoteState fast, slow;
    for (int round = 0; round < 20000; ++round) {
        const std::string line = rnd.pieces(pool, 12);
        EXPECT_GB_EQ(correctQuotes(line, fast), literalQuotes(line, slow)) << show(line);
        ASSERT_EQ(fast.nextDoubleQuote, slow.nextDoubleQuote) << show(line);
        ASSERT_EQ(fast.nextSingleQuote, slow.nextSingleQuote) << show(line);
        if (round % 500 == 0) {  // a new file of an interactive run
            fast.reset();
            slow.reset();
        }
    }
}

}  // namespace
}  // namespace folvane::corrections

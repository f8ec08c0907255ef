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

// The documented algorithm: fold, then repeatedly take the first remaining
// quote from the start of the line, testing the line as it stands.
std::string literalQuotes(std::string s, QuoteState& st) {
    for (const char* q : {"“", "”", "＂"}) s = text::replaceAll(s, g(q), "\"");
    for (const char* q : {"‘", "’", "＇"}) s = text::replaceAll(s, g(q), "'");
    if (st.nextDoubleQuote.empty()) st.nextDoubleQuote = g("“");
    if (st.nextSingleQuote.empty()) st.nextSingleQuote = g("‘");
    for (std::size_t p; (p = text::findAligned(s, "\"")) != text::npos;) {
        s.replace(p, 1, st.nextDoubleQuote);
        st.nextDoubleQuote = st.nextDoubleQuote == g("“") ? g("”") : g("“");
    }
    for (std::size_t p; (p = text::findAligned(s, "'")) != text::npos;) {
        const bool before = text::endsHalfWidth(std::string_view(s).substr(0, p));
        const std::size_t limit = std::min(p + 3, s.size());
        const bool after = text::BoundaryWalker(s).reach(limit) && text::endsHalfWidth(std::string_view(s).substr(0, limit));
        const bool opening = st.nextSingleQuote == g("‘");
        if (opening ? (!before || !after) : !after) {
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

}  // namespace
}  // namespace folvane::corrections

#include "markup/html_strip.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/join_lines.h"
#include "engine/paragraph_tools.h"
#include "gbtext.h"
#include "random_text.h"

namespace folvane::markup {
namespace {

using folvane::testing::g;
using folvane::testing::show;

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

TEST(HtmlToText, TagsEntitiesAndBlocks) {
    const Case cases[] = {
        {"script block in any case", "<SCRIPT type=x>a</Script>b", "b"},
        {"style block", "x<style>p{}</STYLE>y", "xy"},
        {"paragraph", "x<p>y</p>z", "xy\r\n\r\nz"},
        {"div", "<div>a</DIV>b", "a\r\n\r\nb"},
        {"entity in any case", "a&NBSP;b", "a b"},
        {"greater-than entity", "1 &gt; 0", "1 > 0"},
        {"other entities stay", "1 &lt; 2 &amp; 3", "1 &lt; 2 &amp; 3"},
        {"comment with >", "<!-- a > b -->c", " b c"},
        {"line breaks", "a<br>b<BR />c<br/>d", "a\r\nb\r\nc\r\nd"},
        {"line feeds and tabs deleted, carriage returns stay", "a\r\nb\tc", "a\rbc"},
        {"entity turned into > ends a tag", "<a &gt; b", " b"},
        {"empty", "", ""},
        {"Chinese text", g("<b>中文</b>，好"), g("中文，好")},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(htmlToText(c.input), c.expected) << c.name;
}

TEST(RemoveBlocks, AnOpeningWithoutClosingKeepsTheRest) {
    struct BlockCase {
        const char* name;
        std::string input, opening, closing, expected;
    };
    const BlockCase cases[] = {
        {"never closed", "a<script>b<p>c", "<script", "</script>", "a<script>b<p>c"},
        {"the last one never closed", "x<style>1</style>y<style>2", "<style", "</style>", "xy<style>2"},
        {"closing searched from the opening on", "<a>", "<", ">", ""},
        {"any case", "1<ScRiPt>x</SCRIPT>2", "<script", "</script>", "12"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(removeBlocks(c.input, c.opening, c.closing), c.expected) << c.name;
    // The tag pass then takes what is left of an unclosed block's tags.
    EXPECT_EQ(htmlToText("a<script>b<p>c"), "abc");
    EXPECT_EQ(htmlToText("a<b>c<d"), "ac<d");
}

TEST(StripForumCodes, BracketsAndTheirContent) {
    const Case cases[] = {
        {"bold", g("[b]粗体[/b]"), g("粗体")},
        {"closing before the first opening stays", "a]b[c]d", "a]bd"},
        {"opening without closing keeps the rest", "a[b]c[d", "ac[d"},
        {"nested opening ends at the first closing", "[a[b]c]", "c]"},
        {"second bytes 0x5B and 0x5D are no brackets", "\x81\x5B" "x\x81\x5D", "\x81\x5B" "x\x81\x5D"},
        {"letters are not touched", "[URL]Http[/url]", "Http"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(stripForumCodes(c.input), c.expected) << c.name;
}

TEST(Stripping, NeverGrowsTheText) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {"<", ">", "[", "]", "<script", "</script>", "<STYLE", "</style>", "&nbsp;", "&gt;", "<br>", "<br />",
         "<br/>", "</p>", "</div>", "-->", "\r\n", "\t", "a", g("中")});
    folvane::testing::RandomText rnd(3);
    for (int round = 0; round < 5000; ++round) {
        const std::string s = round % 4 ? rnd.pieces(pool, 20) : rnd.bytes(60);
        EXPECT_LE(htmlToText(s).size(), s.size()) << show(s);
        EXPECT_LE(stripForumCodes(s).size(), s.size()) << show(s);
    }
}

// 200,000 openings without a closing: a search for the closing from each
// opening anew would not end within the test's time limit (no clock is
// read here).
TEST(Stripping, ManyOpeningsWithoutClosing) {
    std::string s;
    for (int i = 0; i < 200000; ++i) s += "<script<style<[";
    EXPECT_EQ(stripForumCodes(s), s);
    EXPECT_EQ(removeBlocks(s, "<script", "</script>"), s);
}


// "81 30" is no character: an opaque lead byte and a digit. Two of them
// side by side are the four-byte character U+0080. Whatever a step removes
// between them must not bring them together.
TEST(OpaqueBytes, NoRemovalJoinsThemIntoACharacter) {
    const std::string o = "\x81\x30";
    struct Op {
        const char* name;
        std::function<std::string(const std::string&)> run;
        std::string input, expected;
    };
    const engine::TypesetOptions none;
    const std::vector<Op> cases = {
        {"forum code", stripForumCodes, o + "[x]" + o, o + "[x]" + o},
        {"forum code before a byte that cannot join", stripForumCodes, o + "[x]A", o + "A"},
        {"the second of two forum codes", stripForumCodes, o + "[a][b]" + o, o + "[b]" + o},
        {"tag", htmlToText, o + "<b>" + o, o + "<b>" + o},
        {"deleted line feed", htmlToText, o + "\n" + o, o + "\n" + o},
        {"a tag becomes a line break", htmlToText, o + "<br>" + o, o + "\r\n" + o},
        {"comment end", htmlToText, o + "-->" + o, o + "-->" + o},
        {"replace by nothing",
         [](const std::string& t) { return engine::replaceAllInText(t, "x", ""); }, o + "X" + o, o + "X" + o},
        {"replace in place by nothing",
         [](const std::string& t) {
             std::string s = t;
             engine::replaceAllInTextInPlace(s, "x", "");
             return s;
         },
         o + "x" + o + "x.", o + "x" + o + "."},
        {"replace by a character that would join", 
         [](const std::string& t) {
             std::string s = t;
             engine::replaceAllInTextInPlace(s, ",", g("，"));
             return s;
         },
         "\x81,A", "\x81,A"},
        {"joining lines", [&](const std::string& t) { return engine::joinLines(t, "", none); }, o + "\r\n" + o,
         o + "\r\n" + o},
        {"joining an indented line", [&](const std::string& t) { return engine::joinLines(t, "", none); },
         o + "\r\n" + g("　　") + o, o + g("　　") + o},
        {"joining where nothing can join", [&](const std::string& t) { return engine::joinLines(t, "", none); },
         g("甲") + "\r\n" + g("乙"), g("甲乙")},
    };
    for (const Op& c : cases) EXPECT_GB_EQ(c.run(c.input), c.expected) << c.name;
}

}  // namespace
}  // namespace folvane::markup

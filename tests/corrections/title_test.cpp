#include "corrections/title.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "random_text.h"
#include "text/gb18030.h"

namespace folvane::corrections {
namespace {

using folvane::testing::g;

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

TEST(TitleFromText, EndsAtTheFirstSeparator) {
    const Case cases[] = {
        {"line break", g("第一章 风雨\r\n正文"), g("第一章 风雨")},
        {"full-width comma", g("你好，世界"), g("你好")},
        {"full-width letters stay whole", g("ＡＢＣ，中"), g("ＡＢＣ")},
        {"ideographic full stop is no separator", g("今天。明天"), g("今天。明天")},
        {"enumeration comma, curly quotes and spaces are none", g("甲、乙“丙” 丁"), g("甲、乙“丙” 丁")},
        {"ASCII mark", g("标题!正文"), g("标题")},
        {"full-width dollar and tilde", g("价格＄5"), g("价格")},
        {"full-width tilde", g("一～二"), g("一")},
        {"book title mark", g("读《书》"), g("读")},
        {"starts with a book title", g("《书名》正文"), ""},
        {"starts with a separator", g("，你好"), ""},
        {"empty", "", ""},
        {"a lone carriage return is no separator", "a\rb", "a\rb"},
        {"a lone line feed is no separator", "a\nb", "a\nb"},
        {"trail byte 0x5B is no bracket", "\x81\x5B" "x", "\x81\x5B" "x"},
        {"yen sign of row A3 is no separator", "a\xA3\xA4" "b", "a\xA3\xA4" "b"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(titleFromText(c.input), c.expected) << c.name;
}

TEST(TitleFromText, LooksAtTheFirst150BytesOnly) {
    const std::string ascii(200, 'x');
    EXPECT_EQ(titleFromText(ascii), std::string(150, 'x'));
    // 75 two-byte characters fill the limit exactly.
    std::string wide;
    for (int i = 0; i < 80; ++i) wide += g("字");
    EXPECT_EQ(titleFromText(wide), wide.substr(0, 150));
    // A character cut by the limit is dropped.
    EXPECT_EQ(titleFromText("x" + wide), "x" + wide.substr(0, 148));
    // A separator beyond the limit does not count; a "\r\n" cut by it does.
    EXPECT_EQ(titleFromText(std::string(150, 'y') + ","), std::string(150, 'y'));
    EXPECT_EQ(titleFromText(std::string(149, 'y') + "\r\nz"), std::string(149, 'y'));
}

TEST(ProposedSaveName, TrimsTheFirst500BytesThenTakesTheTitle) {
    EXPECT_GB_EQ(proposedSaveName(g("　　 第一章，开始")), g("第一章"));
    EXPECT_GB_EQ(proposedSaveName(g("  标题  ")), g("标题"));
    EXPECT_EQ(proposedSaveName(""), "");
    EXPECT_EQ(proposedSaveName(std::string(600, ' ')), "");
    // Spaces fill the first 500 bytes but one: the cut two-byte character
    // after them is dropped, not left as half a character.
    EXPECT_EQ(proposedSaveName(std::string(499, ' ') + g("字")), "");
    EXPECT_GB_EQ(proposedSaveName(std::string(400, ' ') + g("标题") + std::string(200, ' ')), g("标题"));
}

}  // namespace
}  // namespace folvane::corrections

namespace folvane::corrections {
namespace {

TEST(TitleFromText, IsAPrefixOfWholeCharactersOnRandomBytes) {
    folvane::testing::RandomText rnd(150);
    for (int round = 0; round < 3000; ++round) {
        std::string s = rnd.bytes(200);
        if (round % 2) s = std::string(rnd.below(160), 'x') + s;  // reach the limit more often
        const std::string title = titleFromText(s);
        ASSERT_LE(title.size(), kTitleLengthLimit);
        ASSERT_TRUE(s.starts_with(title)) << folvane::testing::show(s);
        EXPECT_TRUE(text::BoundaryWalker(s).reach(title.size())) << folvane::testing::show(s);
        EXPECT_LE(proposedSaveName(s).size(), kTitleLengthLimit);
    }
}

}  // namespace
}  // namespace folvane::corrections

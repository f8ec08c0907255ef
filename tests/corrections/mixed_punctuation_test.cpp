#include "corrections/mixed_punctuation.h"

#include <gtest/gtest.h>

#include "corrections/punctuation.h"
#include "gbtext.h"
#include "random_text.h"
#include "text/gb18030.h"

namespace folvane::corrections {
namespace {

using folvane::testing::g;

struct Case {
    const char* input;
    const char* expected;
};

TEST(MixedPunctuation, LatinInsideChineseClauses) {
    const Case cases[] = {
        {"iPhone,好开心", "iPhone，好开心"},
        {"你“好”,", "你“好”，"},
        {"我买了iPhone.", "我买了iPhone。"},
        {"我买了iPhone. ", "我买了iPhone。 "},
        {"用Linux;很稳", "用Linux；很稳"},
        {"版本v2!真好", "版本v2！真好"},
        {"注意:中文", "注意：中文"},
        {"Note:中文", "Note：中文"},
        {"中文.English", "中文。English"},
        {"你好,世界", "你好，世界"},
        {"你好,,,世界", "你好，世界"},
        {"iPhone,“好”", "iPhone，“好”"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(correctMixedPunctuation(g(c.input)), g(c.expected)) << c.input;
}

TEST(MixedPunctuation, EnglishKoreanCodeAndPathsStay) {
    const Case cases[] = {
        {"Hello, world.", "Hello, world."},
        {"안녕하세요, 세계.", "안녕하세요, 세계."},
        {"こんにちは,世界", "こんにちは,世界"},
        {"调用 computed() 即可", "调用 computed() 即可"},
        {"函数f(x)的值", "函数f(x)的值"},
        {"computed()函数", "computed()函数"},
        {"cd ..", "cd .."},
        {"见../design/a.md", "见../design/a.md"},
        {"1..2", "1..2"},
        {"在 ../a 和 a/.. 里", "在 ../a 和 a/.. 里"},
        {"computed(),然后", "computed()，然后"},
        {"好;!中", "好；!中"},
        {"版本1.0发布", "版本1.0发布"},
        {"访问example.com获取", "访问example.com获取"},
        {"3.5亿", "3.5亿"},
        {"中文句子。He said hello.", "中文句子。He said hello."},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(correctMixedPunctuation(g(c.input)), g(c.expected)) << c.input;
}

TEST(MixedPunctuation, ParenthesesAroundChineseText) {
    const Case cases[] = {
        {"(注意)", "（注意）"},
        {"iPhone(苹果)", "iPhone（苹果）"},
        {"中文(English)中文", "中文（English）中文"},
        {"(a(中)b)", "（a（中）b）"},
        {"(a)(中)", "(a)（中）"},
        {"中文(", "中文（"},
        {")中文", "）中文"},
        {"a) b", "a) b"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(correctMixedPunctuation(g(c.input)), g(c.expected)) << c.input;
}

TEST(MixedPunctuation, DotsNextToChineseTextAndTheOtherSteps) {
    const Case cases[] = {
        {"中文..好", "中文好"},
        {"中文，..，好", "中文，好"},  // the commas the deletion brings together collapse
        {"a...b", "a…b"},
        {"。。", "……"},
        {"……。", "……"},
        {"中．", "中。"},
        {"<<书名>>", "《书名》"},
        {"<<<a", "<<<a"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(correctMixedPunctuation(g(c.input)), g(c.expected)) << c.input;
}

// Outside mixed text the switch changes nothing: lines whose only
// non-ASCII characters are Han or Chinese marks, with no letters, no
// parentheses and no "..", give what the plain correction gives.
TEST(MixedPunctuation, AgreesWithThePlainStepsOnChineseText) {
    folvane::testing::RandomText rnd(7);
    // Runs of three and six dots only, so that no ".." is left for the
    // steps to delete (mixed text keeps it next to ASCII marks).
    const std::vector<std::string> pool = {g("中"), g("文"), g("。"), ",", g("中."), "?", "!", ":", ";", "...",
                                           "......", g("…"), g("，")};
    for (int n = 0; n < 3000; ++n) {
        std::string line = g("字") + rnd.pieces(pool, 10);
        EXPECT_GB_EQ(correctMixedPunctuation(line), correctPunctuation(line)) << testing::show(line);
    }
}

// A wide form never joins an opaque lead byte before it: the text after
// such a byte parses as it did.
TEST(MixedPunctuation, NeverJoinsAnOpaqueByte) {
    folvane::testing::RandomText rnd(11);
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {g("中"), "a", ",", ".", "(", ")", "..", " ", g("。")});
    for (int n = 0; n < 5000; ++n) {
        const std::string line = rnd.pieces(pool, 12);
        const std::string out = correctMixedPunctuation(line);
        std::size_t opaqueIn = 0, opaqueOut = 0;
        text::forEachChar(line, [&](std::size_t p, std::size_t len) {
            opaqueIn += len == 1 && static_cast<unsigned char>(line[p]) >= 0x80;
        });
        text::forEachChar(out, [&](std::size_t p, std::size_t len) {
            opaqueOut += len == 1 && static_cast<unsigned char>(out[p]) >= 0x80;
        });
        EXPECT_EQ(opaqueOut, opaqueIn) << testing::show(line) << " -> " << testing::show(out);
    }
}

}  // namespace
}  // namespace folvane::corrections

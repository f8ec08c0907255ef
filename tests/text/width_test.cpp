#include "text/width.h"

#include <gtest/gtest.h>

#include "gbtext.h"

namespace folvane::text {
namespace {

using folvane::testing::g;

struct WidthCase {
    const char* input;  // UTF-8
    const char* expected;
};

TEST(ToHalfWidth, FullWidthFormsAndChinesePunctuation) {
    const WidthCase cases[] = {
        {"", ""},
        {"ＡＢＣａｂｃ０１９", "ABCabc019"},
        {"！＂＃＄％＆＇（）＊＋，－．／", "!\"#$%&'()*+,-./"},
        {"：；＜＝＞？＠［＼］＾＿｀｛｜｝～", ":;<=>?@[\\]^_`{|}~"},
        {"中　文", "中 文"},
        {"好。", "好."},
        {"破折号——", "破折号--"},
        {"“引号”‘单’", "\"引号\"'单'"},
        {"中文，不变、《书》", "中文,不变、《书》"},
        {"￥￣", "￥￣"},  // yen sign and overline of row A3 stay
        {"abc", "abc"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(toHalfWidth(g(c.input)), g(c.expected)) << c.input;
}

TEST(ToFullWidth, EveryPrintableAsciiCharacter) {
    const WidthCase cases[] = {
        {"", ""},
        {"abc XYZ 09", "ａｂｃ　ＸＹＺ　０９"},
        {"!\"#$%&'()*+,-./", "！＂＃＄％＆＇（）＊＋，－．／"},
        {":;<=>?@[\\]^_`{|}~", "：；＜＝＞？＠［＼］＾＿｀｛｜｝～"},
        {"中文", "中文"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(toFullWidth(g(c.input)), g(c.expected)) << c.input;
}

TEST(Width, ControlBytesAndInvalidBytesAreKept) {
    const std::string odd = std::string("\t\r\n\0\x80\xFF\x81", 7);
    EXPECT_EQ(toFullWidth(odd), odd);
    EXPECT_EQ(toHalfWidth(odd), odd);
}

TEST(Width, RoundTripOfPrintableAscii) {
    std::string ascii;
    for (int c = 0x20; c <= 0x7E; ++c) ascii += static_cast<char>(c);
    const std::string full = toFullWidth(ascii);
    EXPECT_EQ(full.size(), ascii.size() * 2);  // one byte more per character
    EXPECT_EQ(toHalfWidth(full), ascii);
}

TEST(HalfWidthOf, OnlyTheFullWidthForms) {
    EXPECT_EQ(halfWidthOf(0xA3, 0xC1), 'A');
    EXPECT_EQ(halfWidthOf(0xA1, 0xA1), ' ');
    EXPECT_EQ(halfWidthOf(0xA3, 0xA4), 0);  // yen sign
    EXPECT_EQ(halfWidthOf(0xA1, 0xA3), 0);  // 。 has no ASCII twin here
}

}  // namespace
}  // namespace folvane::text

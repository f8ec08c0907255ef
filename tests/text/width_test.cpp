#include "text/width.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "random_text.h"
#include "text/gb18030.h"

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

// The conversions character by character, as first written: what the
// faster run-copying ones must give on any bytes.
std::string referenceHalfWidth(std::string_view s) {
    std::string out;
    forEachChar(s, [&](std::size_t i, std::size_t len) {
        char h = 0;
        if (len == 2) {
            const auto b0 = static_cast<unsigned char>(s[i]), b1 = static_cast<unsigned char>(s[i + 1]);
            h = halfWidthOf(b0, b1);
            if (!h && b0 == 0xA1 && b1 == 0xA3) h = '.';
            if (!h && b0 == 0xA1 && b1 == 0xAA) h = '-';
            if (!h && b0 == 0xA1 && (b1 == 0xB0 || b1 == 0xB1)) h = '"';
            if (!h && b0 == 0xA1 && (b1 == 0xAE || b1 == 0xAF)) h = '\'';
        }
        if (h) out += h;
        else out.append(s, i, len);
    });
    return out;
}

std::string referenceFullWidth(std::string_view s) {
    std::string out;
    bool afterLoneLead = false;
    forEachChar(s, [&](std::size_t i, std::size_t len) {
        const auto u = static_cast<unsigned char>(s[i]);
        if (len == 1 && u >= 0x20 && u <= 0x7E && !afterLoneLead) out += toFullWidth(std::string(1, s[i]));
        else out.append(s, i, len);
        afterLoneLead = len == 1 && isLeadByte(u);
    });
    return out;
}

TEST(Width, AgreesCharacterByCharacterOnRandomText) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {"a", " ", "~", "$", ".", "\r\n", g("中"), g("。"), g("—"), g("“"), g("’"), g("Ａ"), g("　"), g("￥"), "\xA1",
         "\xA3", "\x95\x32\x90\x31"});
    folvane::testing::RandomText rnd(17);
    for (int round = 0; round < 20000; ++round) {
        const std::string line = round % 8 == 0 ? rnd.bytes(40) : rnd.pieces(pool, 30);
        EXPECT_GB_EQ(toHalfWidth(line), referenceHalfWidth(line));
        EXPECT_GB_EQ(toFullWidth(line), referenceFullWidth(line));
    }
}

// The single pass against the two conversions one after the other.
void expectHalfThenFull(const std::string& s) {
    EXPECT_EQ(toHalfThenFullWidth(s), toFullWidth(toHalfWidth(s))) << folvane::testing::show(s);
}

TEST(ToHalfThenFullWidth, EveryOneAndTwoByteCodeInEveryContext) {
    // Each code alone, after a dangling lead byte, after the start of a
    // four-byte character (lead byte and digit) and before bytes that could
    // complete one: the contexts where boundaries could move.
    const std::string before[] = {"", "\x81", "\x81\x30", "\x81\x30\x81", "a", g("中")};
    const std::string after[] = {"", "\x81", "0", "\x30\x81\x30", "\xA1\xA3", "."};
    const auto fault = folvane::testing::firstCodeInContextWhere(
        before, after, [](const std::string& s) { return toHalfThenFullWidth(s) == toFullWidth(toHalfWidth(s)); });
    if (fault) expectHalfThenFull(*fault);
}

TEST(ToHalfThenFullWidth, KnownForms) {
    const WidthCase cases[] = {
        {"", ""},
        {"a。b", "ａ．ｂ"},
        {"——“”‘’", "－－＂＂＇＇"},
        {"ＡＢ　$~￥￣", "ＡＢ　＄～￥￣"},
        {"中文，、《》…", "中文，、《》…"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(toHalfThenFullWidth(g(c.input)), g(c.expected)) << c.input;
}

TEST(ToHalfThenFullWidth, AgreesWithTheTwoPassesOnRandomText) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {"a", " ", "~", "$", ".", "\t", "\r\n", g("中"), g("。"), g("—"), g("“"), g("’"), g("Ａ"), g("　"),
         g("￥"), g("＄"), "\x95\x32\x90\x31", "\x81\x30\xA1\xA3"});
    folvane::testing::RandomText rnd(23);
    for (int round = 0; round < 20000; ++round) {
        const std::string line = round % 4 == 0 ? rnd.bytes(40) : rnd.pieces(pool, 30);
        expectHalfThenFull(line);
    }
    // The output storage is used again: a long line, then a short one.
    std::string out;
    toHalfThenFullWidthInto(std::string(100, 'x'), out);
    toHalfThenFullWidthInto(g("。a"), out);
    EXPECT_GB_EQ(out, g("．ａ"));
}

TEST(Width, ALoneLeadByteStaysApartFromTheCharacterAfterIt) {
    // 中, a lone 81, "0", 文: the full-width "０" (A3 B0) would read as 81 A3.
    const std::string lone = "\xD6\xD0\x81\x30\xCE\xC4";
    struct Case {
        std::string input, full, halfThenFull;
    };
    const Case cases[] = {
        {lone, lone, lone},
        {"\x81 ", "\x81 ", "\x81 "},
        {"\x81!a", "\x81!\xA3\xE1", "\x81!\xA3\xE1"},
        {"\x81\x30\x81?", "\x81\x30\x81?", "\x81\x30\x81?"},  // two lone lead bytes
        {"\xFE\x39\xFE", "\xFE\x39\xFE", "\xFE\x39\xFE"},
        {"\x80!", "\x80\xA3\xA1", "\x80\xA3\xA1"},  // 80 leads nothing
        {"\x81\x30\x81\x30", "\x81\x30\x81\x30", "\x81\x30\x81\x30"},  // one four-byte character
        {"\x81\x30\xA1\xA3", "\x81\x30\xA1\xA3", "\x81\x30\xA3\xAE"},  // the 。 follows "0"
    };
    for (const auto& c : cases) {
        EXPECT_GB_EQ(toFullWidth(c.input), c.full) << folvane::testing::show(c.input);
        EXPECT_GB_EQ(toHalfThenFullWidth(c.input), c.halfThenFull) << folvane::testing::show(c.input);
    }
}

TEST(Width, NoConversionJoinsAnOpaqueByteWithANeighbour) {
    using folvane::testing::opaqueBytes;
    const std::string before[] = {"", "\x81", "\x81\x30", "\x81\x30\x81", "a", g("中")};
    const std::string after[] = {"", "\x81", "0", " ", "\x30\x81\x30", "\xA1\xA3", "."};
    const auto fault = folvane::testing::firstCodeInContextWhere(before, after, [](const std::string& s) {
        const std::string o = opaqueBytes(s);
        return opaqueBytes(toFullWidth(s)) == o && opaqueBytes(toHalfWidth(s)) == o &&
               opaqueBytes(toHalfThenFullWidth(s)) == o;
    });
    if (fault) {
        EXPECT_EQ(opaqueBytes(toFullWidth(*fault)), opaqueBytes(*fault)) << folvane::testing::show(*fault);
        EXPECT_EQ(opaqueBytes(toHalfThenFullWidth(*fault)), opaqueBytes(*fault)) << folvane::testing::show(*fault);
        EXPECT_EQ(opaqueBytes(toHalfWidth(*fault)), opaqueBytes(*fault)) << folvane::testing::show(*fault);
    }
}

TEST(HalfWidthOf, OnlyTheFullWidthForms) {
    EXPECT_EQ(halfWidthOf(0xA3, 0xC1), 'A');
    EXPECT_EQ(halfWidthOf(0xA1, 0xA1), ' ');
    EXPECT_EQ(halfWidthOf(0xA3, 0xA4), 0);  // yen sign
    EXPECT_EQ(halfWidthOf(0xA1, 0xA3), 0);  // 。 has no ASCII twin here
}

}  // namespace
}  // namespace folvane::text

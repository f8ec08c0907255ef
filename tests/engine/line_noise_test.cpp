#include "engine/line_noise.h"

#include <gtest/gtest.h>

#include "gbtext.h"

namespace folvane::engine {
namespace {

using folvane::testing::g;

struct NoiseCase {
    std::string line;
    std::string expected;
};

TEST(RemoveHeadNoise, EveryHalfWidthByteAtTheHead) {
    const NoiseCase cases[] = {
        {"", ""},
        {g("2009年"), g("年")},  // digits are half-width too
        {g("  ~~# 中文 abc"), g("中文 abc")},
        {"abc", ""},
        {g("中a"), g("中a")},
        {g("　中"), g("　中")},  // the full-width space is no half-width byte
        {std::string("\0a", 2), std::string("\0a", 2)},  // NUL is not in 0x01-0x7F
        {"\x80x", "\x80x"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(removeHeadNoise(c.line), c.expected);
}

TEST(RemoveTailNoise, HalfWidthCharactersAndFullWidthSpaces) {
    const NoiseCase cases[] = {
        {g("好。 abc　"), g("好。")},
        {g("中"), g("中")},
        {"a", ""},
        {g("中a　b　"), g("中")},
        {"\x81\x5D", "\x81\x5D"},           // ends in a character whose trail byte is 0x5D
        {"\x81\x5D]", "\x81\x5D"},
        {std::string("x\0", 2), std::string("x\0", 2)},  // NUL is no noise
        {g("中") + "\x80 ", g("中") + "\x80"},           // an opaque byte stops it
        {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
        {"\x95\x32\x82\x36 ", "\x95\x32\x82\x36"},       // four-byte character kept whole
    };
    for (const auto& c : cases) EXPECT_GB_EQ(removeTailNoise(c.line), c.expected);
}

}  // namespace
}  // namespace folvane::engine

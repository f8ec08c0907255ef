#include "corrections/case_forms.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "random_text.h"
#include "text/gb18030.h"

namespace folvane::corrections {
namespace {

using folvane::testing::g;

TEST(CaseForms, AsciiLettersOnly) {
    struct Case {
        std::string input, upper, lower;
    };
    const Case cases[] = {
        {g("中文abc"), g("中文ABC"), g("中文abc")},
        {"Hello, World 123", "HELLO, WORLD 123", "hello, world 123"},
        {g("ａｂＡＢ"), g("ａｂＡＢ"), g("ａｂＡＢ")},  // full-width letters stay
        {"\x81\x61\x81\x41", "\x81\x61\x81\x41", "\x81\x61\x81\x41"},  // letters as second bytes
        {"\x80" "a\xFF" "B", "\x80" "A\xFF" "B", "\x80" "a\xFF" "b"},  // after bytes that are no character
        {std::string("a\0b", 3), std::string("A\0B", 3), std::string("a\0b", 3)},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_GB_EQ(upperCaseForm(c.input), c.upper);
        EXPECT_GB_EQ(lowerCaseForm(c.input), c.lower);
    }
}

TEST(CaseForms, ChangeOnlyWholeAsciiLettersOfRandomBytes) {
    folvane::testing::RandomText rnd(31);
    for (int round = 0; round < 3000; ++round) {
        const std::string s = rnd.bytes(60);
        const std::string up = upperCaseForm(s), low = lowerCaseForm(s);
        ASSERT_EQ(up.size(), s.size());
        ASSERT_EQ(low.size(), s.size());
        std::vector<bool> wholeAscii(s.size(), false);
        text::forEachChar(s, [&](std::size_t pos, std::size_t len) { wholeAscii[pos] = len == 1; });
        for (std::size_t i = 0; i < s.size(); ++i) {
            const char c = s[i];
            const bool letter = wholeAscii[i] && std::isalpha(static_cast<unsigned char>(c)) &&
                                static_cast<unsigned char>(c) < 0x80;
            EXPECT_EQ(up[i], letter ? static_cast<char>(std::toupper(c)) : c) << folvane::testing::show(s);
            EXPECT_EQ(low[i], letter ? static_cast<char>(std::tolower(c)) : c) << folvane::testing::show(s);
        }
    }
}

}  // namespace
}  // namespace folvane::corrections

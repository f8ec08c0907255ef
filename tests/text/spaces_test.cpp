#include "text/spaces.h"

#include <gtest/gtest.h>

#include "gbtext.h"

namespace folvane::text {
namespace {

using folvane::testing::g;

struct TrimCase {
    std::string input;
    std::string trimmed;
    std::string leading;  // after trimLeadingSpaces
};

TEST(Trim, HalfAndFullWidthSpacesOnly) {
    const TrimCase cases[] = {
        {"", "", ""},
        {"   ", "", ""},
        {g("　 　"), "", ""},
        {g(" 　甲 乙　 "), g("甲 乙"), g("甲 乙　 ")},
        {"\tx\t", "\tx\t", "\tx\t"},  // tabs are no spaces here
        // B0A1 then A1 A1: the last character is the full-width space.
        {"\xB0\xA1\xA1\xA1", "\xB0\xA1", "\xB0\xA1\xA1\xA1"},
        // A1A1 then a lone A1: no full-width space at the end.
        {"x\xA1\xA1\xA1", "x\xA1\xA1\xA1", "x\xA1\xA1\xA1"},
        {"\xA1\xA1\xA1", "\xA1", "\xA1"},
    };
    for (const auto& c : cases) {
        EXPECT_GB_EQ(trimSpaces(c.input), c.trimmed);
        EXPECT_GB_EQ(trimLeadingSpaces(c.input), c.leading);
    }
}

TEST(IsBlank, EmptyAfterLeadingSpaces) {
    EXPECT_TRUE(isBlank(""));
    EXPECT_TRUE(isBlank(g("  　")));
    EXPECT_FALSE(isBlank(g("  a")));
    EXPECT_FALSE(isBlank("\t"));
}

}  // namespace
}  // namespace folvane::text

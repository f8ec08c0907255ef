#include "text/gb18030.h"

#include <gtest/gtest.h>

#include <vector>

#include "gbtext.h"
#include "random_text.h"

namespace folvane::text {
namespace {

using folvane::testing::g;

std::vector<std::size_t> lengths(std::string_view s) {
    std::vector<std::size_t> out;
    forEachChar(s, [&](std::size_t, std::size_t len) { out.push_back(len); });
    return out;
}

struct CharCase {
    const char* name;
    std::string bytes;
    std::vector<std::size_t> lengths;
};

TEST(CharLength, WalksEveryKindOfCharacter) {
    const CharCase cases[] = {
        {"empty", "", {}},
        {"ascii", "ab", {1, 1}},
        {"two-byte", "\xD6\xD0\xCE\xC4", {2, 2}},
        {"trail 0x5D is no bracket", "\x81\x5D]", {2, 1}},
        {"trail 0x7D is no brace", "\x81\x7D}", {2, 1}},
        {"four-byte", "\x95\x32\x82\x36" "a", {4, 1}},
        {"four-byte cut short", "\x95\x32\x82", {1, 1, 1}},
        {"lead then digit then ascii", "\x81\x30zz", {1, 1, 1, 1}},
        {"lone lead at end", "a\x81", {1, 1}},
        {"lead before newline", "\x81\r\n", {1, 1, 1}},
        {"0x80 and 0xFF are opaque", "\x80\xFF", {1, 1}},
        {"lead before 0xFF", "\x81\xFF", {1, 1}},
        {"nul byte", std::string("\0\xD6\xD0", 3), {1, 2}},
    };
    for (const auto& c : cases) EXPECT_EQ(lengths(c.bytes), c.lengths) << c.name;
}

TEST(CharLength, EveryByteBelongsToExactlyOneCharacter) {
    // Any byte sequence is covered without gaps: nothing can be dropped.
    std::string all;
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; j += 7) {
            all += static_cast<char>(i);
            all += static_cast<char>(j);
        }
    std::size_t total = 0;
    forEachChar(all, [&](std::size_t pos, std::size_t len) {
        EXPECT_EQ(pos, total);
        total += len;
    });
    EXPECT_EQ(total, all.size());
}

TEST(SelfDelimiting, DanglingLeadBytesAreNot) {
    EXPECT_TRUE(isSelfDelimiting("\r\n"));
    EXPECT_TRUE(isSelfDelimiting(g("，，")));
    EXPECT_TRUE(isSelfDelimiting("\x95\x32\x82\x36"));
    EXPECT_FALSE(isSelfDelimiting("a\x81"));
    EXPECT_FALSE(isSelfDelimiting("\x81\x30"));
    EXPECT_FALSE(isSelfDelimiting("\x81\x30\x81"));
    EXPECT_TRUE(isSelfDelimiting("\x81 "));  // a lead before a space is opaque anyway
}

TEST(LastCharStart, FindsTheLastCharacter) {
    EXPECT_EQ(lastCharStart("a"), 0u);
    EXPECT_EQ(lastCharStart(g("中文")), 2u);
    EXPECT_EQ(lastCharStart("\x81\x5D"), 0u);         // "]" is a trail byte here
    EXPECT_EQ(lastCharStart("\xB0\xA1\xA1\xA1"), 2u);  // 啊 then the full-width space
    EXPECT_EQ(lastCharStart("x\x95\x32\x82\x36"), 1u);
}

struct HalfWidthCase {
    std::string text;
    bool expected;
};

TEST(EndsHalfWidth, LastCharacterDecides) {
    const HalfWidthCase cases[] = {
        {"", true},
        {"abc", true},
        {g("中a"), true},
        {g("中"), false},
        {g("a　"), true},   // full-width space counts as half-width
        {g("ａ"), false},   // a full-width letter does not
        {"\x81\x5D", false},  // trail byte 0x5D is not "]"
        {std::string("a\0", 2), false},  // NUL is not in U+0001-U+007F
        {"\x80", false},    // opaque byte
        {"\xB0\xA1\xA1\xA1", true},
        {"\xA1\xA1\xA1", false},  // A1A1 then a lone A1: not a space at the end
    };
    for (const auto& c : cases) EXPECT_EQ(endsHalfWidth(c.text), c.expected) << folvane::testing::show(c.text);
}


// The character before every position, from every boundary taken as the
// floor, against a walk from that floor: runs of Chinese text with every
// kind of byte before and inside them (digits that may be inside a
// four-byte code, bytes that end a character, opaque lead bytes).
TEST(CharStartBefore, AgreesWithAWalkFromTheFloor) {
    folvane::testing::RandomText random(31);
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {"\xD6\xD0\xCE\xC4\xB0\xA1", "\xA1\xA1", "\x95\x32\x82\x36", "\x81\x30", "\x81\x5D", "\xFE\x80",
         "\x81", "\xFF", "9", "a~", "\r\n", "\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\xB0"});
    for (int round = 0; round < 300; ++round) {
        const std::string t = round % 3 ? random.pieces(pool, 30) : random.bytes(120);
        std::vector<std::size_t> starts;
        forEachChar(t, [&](std::size_t pos, std::size_t) { starts.push_back(pos); });
        for (std::size_t f = 0; f < starts.size(); f += 3) {
            const std::size_t floor = starts[f];
            std::size_t last = floor;
            for (std::size_t pos = floor + 1, k = f; pos <= t.size(); ++pos) {
                while (k < starts.size() && starts[k] < pos) last = starts[k++];
                ASSERT_EQ(charStartBefore(t, pos, floor), last) << folvane::testing::show(t) << " " << floor << " " << pos;
            }
        }
    }
}

}  // namespace
}  // namespace folvane::text

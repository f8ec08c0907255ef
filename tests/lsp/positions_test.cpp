#include "lsp/positions.h"

#include <gtest/gtest.h>

#include <random>

namespace folvane::lsp {
namespace {

constexpr auto U8 = PositionEncoding::Utf8;
constexpr auto U16 = PositionEncoding::Utf16;
constexpr auto U32 = PositionEncoding::Utf32;

std::vector<std::size_t> startsOf(std::string_view text) {
    const LineIndex index(text);
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < index.lineCount(); ++i) out.push_back(index.lineStart(i));
    return out;
}

TEST(LineIndex, EveryKindOfLineBreakEndsALine) {
    struct Case {
        std::string text;
        std::vector<std::size_t> starts;
    };
    const Case cases[] = {
        {"", {0}},
        {"abc", {0}},
        {"a\nb", {0, 2}},
        {"a\r\nb", {0, 3}},
        {"a\rb", {0, 2}},
        {"a\n", {0, 2}},
        {"a\r", {0, 2}},
        {"\r\n\r\n", {0, 2, 4}},
        {"\n\r", {0, 1, 2}},  // "\n" then a lone "\r": two breaks
        {"a\r\r\nb\n\nc", {0, 2, 4, 6, 7}},
    };
    for (const Case& c : cases) EXPECT_EQ(startsOf(c.text), c.starts) << c.text;
}

// "a中😀𠀀b": 1, 3, 4, 4 and 1 bytes; 1, 1, 2, 2 and 1 UTF-16 units.
const std::string kText = "a中😀𠀀b\r\n第二\rx\n";

TEST(LineIndex, PositionsCountTheAgreedUnits) {
    struct Case {
        PositionEncoding encoding;
        Position position;
        std::size_t offset;
    };
    const Case cases[] = {
        {U16, {0, 0}, 0},  {U16, {0, 1}, 1},   {U16, {0, 2}, 4},  {U16, {0, 4}, 8},   {U16, {0, 6}, 12},
        {U16, {0, 7}, 13}, {U8, {0, 4}, 4},    {U8, {0, 8}, 8},   {U8, {0, 12}, 12},  {U32, {0, 2}, 4},
        {U32, {0, 3}, 8},  {U32, {0, 4}, 12},  {U16, {1, 1}, 18}, {U8, {1, 3}, 18},   {U32, {2, 1}, 23},
        {U16, {3, 0}, 24},
        // Past the end of a line: that line's end, before its break.
        {U16, {0, 99}, 13}, {U8, {1, 99}, 21}, {U32, {2, 5}, 23},
        // Past the last line: the end of the text.
        {U16, {9, 0}, 24},
        // Inside a character (half a surrogate pair, a byte of a UTF-8
        // sequence): its start.
        {U16, {0, 3}, 4}, {U16, {0, 5}, 8}, {U8, {0, 2}, 1}, {U8, {0, 6}, 4}, {U8, {1, 1}, 15},
    };
    const LineIndex index(kText);
    for (const Case& c : cases)
        EXPECT_EQ(index.offsetOf(kText, c.position, c.encoding), c.offset)
            << positionEncodingName(c.encoding) << " " << c.position.line << ":" << c.position.character;
}

TEST(LineIndex, OffsetsGoBackToTheirPositions) {
    const LineIndex index(kText);
    for (const PositionEncoding e : {U8, U16, U32}) {
        for (std::size_t offset = 0; offset <= kText.size(); ++offset) {
            const auto lead = static_cast<unsigned char>(offset < kText.size() ? kText[offset] : 0);
            if (lead >= 0x80 && lead < 0xC0) continue;  // inside a character
            if (offset > 0 && kText[offset - 1] == '\r' && kText[offset] == '\n') continue;  // inside "\r\n"
            const Position p = index.positionOf(kText, offset, e);
            EXPECT_EQ(index.offsetOf(kText, p, e), offset) << positionEncodingName(e) << " " << offset;
        }
    }
    EXPECT_EQ(index.positionOf(kText, 12, U16), (Position{0, 6}));
    EXPECT_EQ(index.positionOf(kText, 12, U8), (Position{0, 12}));
    EXPECT_EQ(index.positionOf(kText, 12, U32), (Position{0, 4}));
    EXPECT_EQ(index.positionOf(kText, 23, U16), (Position{2, 1}));
    EXPECT_EQ(index.positionOf(kText, 24, U16), (Position{3, 0}));
}

// After any edit, the index kept up to date is the index of the new text,
// also where an edit joins "\r" and "\n" into one break or parts them.
TEST(LineIndex, EditsKeepTheIndexExact) {
    struct Case {
        std::string text;
        std::size_t start, end;
        std::string inserted;
    };
    const Case cases[] = {
        {"a\rb", 2, 2, "\nc"},      // "\r" + "\n": one break
        {"a\r\nb", 2, 3, ""},       // the "\n" of "\r\n" goes: a lone "\r"
        {"a\r\nb", 1, 2, ""},       // the "\r" goes
        {"a\r\nb", 2, 2, "x"},      // parted: two breaks
        {"ab\ncd\nef", 0, 8, "z"},  // everything
        {"ab\ncd\nef", 3, 3, "1\n2\r3\r\n"},
        {"\n\n\n", 1, 2, ""},
        {"", 0, 0, "\r"},
        {"x\r", 2, 2, "\n"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        LineIndex index(text);
        text.replace(c.start, c.end - c.start, c.inserted);
        index.replaced(text, c.start, c.end, c.inserted.size());
        EXPECT_EQ(index, LineIndex(text)) << c.text << " / " << c.inserted;
    }
    // Random edits of texts made of breaks and characters of every length.
    const std::string pieces[] = {"\r", "\n", "\r\n", "a", "中", "😀"};
    std::mt19937 rng(33);
    std::string text;
    LineIndex index(text);
    for (int step = 0; step < 3000; ++step) {
        std::string inserted;
        for (int k = static_cast<int>(rng() % 4); k > 0; --k) inserted += pieces[rng() % 6];
        const std::size_t a = text.empty() ? 0 : rng() % (text.size() + 1);
        const std::size_t b = std::min(text.size(), a + rng() % 4);
        text.replace(a, b - a, inserted);
        index.replaced(text, a, b, inserted.size());
        ASSERT_EQ(index, LineIndex(text)) << step;
        if (text.size() > 200) {
            text.clear();
            index = LineIndex(text);
        }
    }
}

// The cursor gives what offsetOf gives, in rising order and when a
// position goes back (it starts the line again).
TEST(PositionCursor, AgreesWithTheIndex) {
    const LineIndex index(kText);
    for (const PositionEncoding e : {U8, U16, U32}) {
        PositionCursor cursor(kText, index, e);
        const Position asked[] = {{0, 0}, {0, 1}, {0, 3}, {0, 4}, {0, 2}, {0, 99}, {1, 0}, {1, 2}, {3, 0}, {0, 5}, {9, 9}};
        for (const Position& p : asked)
            EXPECT_EQ(cursor.offsetOf(p), index.offsetOf(kText, p, e))
                << positionEncodingName(e) << " " << p.line << ":" << p.character;
    }
}

TEST(ReplaceRange, ReplacesByPositionsAndRefusesABackwardRange) {
    std::string text = "第一行😀\n第二行";
    LineIndex index(text);
    // Behind the emoji (UTF-16 column 5) on the first line, up to the
    // second character of the second.
    ASSERT_TRUE(replaceRange(text, index, {0, 5}, {1, 1}, "！\n", U16));
    EXPECT_EQ(text, "第一行😀！\n二行");
    EXPECT_EQ(index, LineIndex(text));
    EXPECT_FALSE(replaceRange(text, index, {1, 2}, {1, 0}, "x", U16));
    EXPECT_EQ(text, "第一行😀！\n二行");
    ASSERT_TRUE(replaceRange(text, index, {0, 13}, {0, 13}, "?", U8));  // UTF-8: 9 + 4 bytes
    EXPECT_EQ(text, "第一行😀?！\n二行");
}

}  // namespace
}  // namespace folvane::lsp

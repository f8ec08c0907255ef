#include "engine/paragraph_tools.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "random_text.h"
#include "text/search.h"
#include "text/spaces.h"

namespace folvane::engine {
namespace {

using folvane::testing::g;
using folvane::testing::show;

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

TEST(RemoveBlankLines, RemovesOnlyTheListedBlankLines) {
    const Case cases[] = {
        {"two empty lines", "A\r\n\r\n\r\nB", "A\r\nB"},
        {"two lines of one space", "A\r\n \r\n \r\nB", "A\r\nB"},
        {"two and four spaces", "A\r\n  \r\n    \r\nB", "A\r\nB"},
        {"one and two full-width spaces", g("A\r\n　\r\n　　\r\nB"), "A\r\nB"},
        {"three spaces stay", "A\r\n   \r\nB", "A\r\n   \r\nB"},
        {"mixed spaces stay", g("A\r\n 　\r\nB"), g("A\r\n 　\r\nB")},
        {"leading breaks keep one", "\r\n\r\n\r\nA", "\r\nA"},
        {"trailing breaks keep one", "A\r\n\r\n\r\n", "A\r\n"},
        {"no blank lines", "A\r\nB", "A\r\nB"},
        {"full-width space bytes across characters", "A\r\n\xB0\xA1\xA1\r\nB", "A\r\n\xB0\xA1\xA1\r\nB"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(removeBlankLines(c.input), c.expected) << c.name;
}

TEST(DeleteParagraphHeadSpaces, RemovesSpacesAtLineStartsOnly) {
    const Case cases[] = {
        {"mixed heads", g("  A\r\n　 B\r\n　\r\nC"), "A\r\nB\r\n\r\nC"},
        {"spaces inside and at the end stay", g("A B 　\r\n x　y "), g("A B 　\r\nx　y ")},
        {"text start", g(" 　 A"), "A"},
        {"only spaces", "   ", ""},
        {"break then spaces at the end", "A\r\n  ", "A\r\n"},
        {"lone line feed is no line break", "A\n  B", "A\n  B"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(deleteParagraphHeadSpaces(c.input), c.expected) << c.name;
}

TEST(DeleteParagraphHeadSpaces, AgreesWithTheRepeatedReplacementsOnRandomText) {
    const std::vector<std::string> pool =
        folvane::testing::withBoundaryBytes({"\r\n", "\r\n", "\r", "\n", " ", " ", g("　"), g("　"), "a", g("中")});
    folvane::testing::RandomText rnd(11);
    for (int round = 0; round < 5000; ++round) {
        const std::string s = rnd.pieces(pool, 30);
        std::string slow(text::trimLeadingSpaces(s));
        while (text::containsAligned(slow, "\r\n ") || text::containsAligned(slow, g("\r\n　"))) {
            slow = text::replaceAll(slow, "\r\n ", "\r\n");
            slow = text::replaceAll(slow, g("\r\n　"), "\r\n");
        }
        EXPECT_GB_EQ(deleteParagraphHeadSpaces(s), slow) << show(s);
    }
}

// A million spaces: a pass that rescanned from the start for each removal
// would not end within the test's time limit (no clock is read here).
TEST(DeleteParagraphHeadSpaces, AMillionSpacesAtALineStart) {
    const std::string s = "A\r\n" + std::string(1000000, ' ') + "B" + std::string(500000, ' ');
    EXPECT_EQ(deleteParagraphHeadSpaces(s), "A\r\nB" + std::string(500000, ' '));
}

TEST(ReplaceAllInText, IgnoresTheCaseOfAsciiLetters) {
    struct ReplaceCase {
        const char* name;
        std::string text, find, replacement, expected;
    };
    const ReplaceCase cases[] = {
        {"any case", "Abc aBC abc", "abc", "x", "x x x"},
        {"replacement holding the find text: one pass", "aa", "a", "aa", "aaaa"},
        {"empty replacement", "a-b-c", "-", "", "abc"},
        {"empty find leaves the text", "abc", "", "x", "abc"},
        {"Chinese", g("中文中文"), g("文"), g("字"), g("中字中字")},
        {"no match across characters", "\xB0\xA1\xA1\xB0", g("　"), "x", "\xB0\xA1\xA1\xB0"},
        {"second bytes are no letters", "\x81\x41", "a", "x", "\x81\x41"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(replaceAllInText(c.text, c.find, c.replacement), c.expected) << c.name;
}

}  // namespace
}  // namespace folvane::engine

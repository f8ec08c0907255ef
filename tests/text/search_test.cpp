#include "text/search.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "text/gb18030.h"

namespace folvane::text {
namespace {

using folvane::testing::g;

struct FindCase {
    const char* name;
    std::string hay;
    std::string needle;
    std::size_t expected;
};

TEST(FindAligned, MatchesOnlyAtCharacterBoundaries) {
    const FindCase cases[] = {
        {"plain ascii", "abc", "c", 2},
        {"empty needle never matches", "abc", "", npos},
        {"empty text", "", "a", npos},
        {"trail byte 0x5D is not ]", "\x81\x5D", "]", npos},
        {"real ] after trail", "\x81\x5D]", "]", 2},
        {"trail byte 0x7D is not }", "\xB0\x7D", "}", npos},
        // "，，" = A3AC A3AC; here the pair straddles 醃 (E1 A3) and 琣 (AC A3).
        {"pair straddling two characters", "\xE1\xA3\xAC\xA3\xAC", g("，，"), npos},
        {"pair after a straddle", "\xE1\xA3\xAC\xA3\xAC\xA3\xAC\xA3", "\xA3\xAC\xA3\xAC", npos},
        {"odd space straddling", "\xB0\xA3\xA0\xB0", "\xA3\xA0", npos},
        {"odd space as a character", "a\xA3\xA0", "\xA3\xA0", 1},
        {"inside a four-byte character", "\x95\x32\x82\x36", "2", npos},
        {"four-byte character itself", "a\x95\x32\x82\x36", "\x95\x32\x82\x36", 1},
        {"needle must end on a boundary", "\x81\x40", "\x81", npos},
        {"dangling lead in needle matches an opaque lead", "\x81 ", "\x81", 0},
        {"crlf", g("甲\r\n乙"), "\r\n", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(findAligned(c.hay, c.needle), c.expected) << c.name;
}

TEST(FindAligned, StartsFromTheGivenBoundary) {
    EXPECT_EQ(findAligned("abab", "ab", 1), 2u);
    EXPECT_EQ(findAligned(g("中中"), g("中"), 2), 2u);
    EXPECT_EQ(findAligned("ab", "b", 5), npos);
}

TEST(FindAllAligned, ListsNonOverlappingMatches) {
    EXPECT_EQ(findAllAligned("aaaa", "aa"), (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(findAllAligned(g("，，，"), g("，")), (std::vector<std::size_t>{0, 2, 4}));
}

TEST(EndsWithAligned, SuffixMustStartOnABoundary) {
    EXPECT_TRUE(endsWithAligned("abc", "bc"));
    EXPECT_TRUE(endsWithAligned("abc", ""));
    EXPECT_FALSE(endsWithAligned("\x81\x5D", "]"));
    EXPECT_TRUE(endsWithAligned(g("中文签名"), g("签名")));
    EXPECT_FALSE(endsWithAligned("\xE1\xA3\xAC", "\xA3\xAC"));
    EXPECT_FALSE(endsWithAligned("ab", "abc"));
}

struct ReplaceCase {
    const char* name;
    std::string text;
    std::string find;
    std::string repl;
    std::string expected;
    std::size_t count;
};

TEST(ReplaceAll, OnePassWithoutRescanningItsOutput) {
    const ReplaceCase cases[] = {
        {"simple", "a.b.c", ".", "-", "a-b-c", 2},
        {"no match keeps text", "abc", "x", "y", "abc", 0},
        {"empty find keeps text", "abc", "", "y", "abc", 0},
        {"replacement contains find", "aa", "a", "aa", "aaaa", 2},
        {"new match made by the replacement is not replaced", "aab", "ab", "b", "ab", 1},
        {"non-overlapping", "aaa", "aa", "b", "ba", 1},
        {"deletion", "a\r\nb\r\n", "\r\n", "", "ab", 2},
        // E1A3 ACA3 AC, a space, then a real "，，".
        {"character aligned", "\xE1\xA3\xAC\xA3\xAC \xA3\xAC\xA3\xAC", g("，，"), g("，"),
         "\xE1\xA3\xAC\xA3\xAC \xA3\xAC", 1},
        {"empty text", "", "a", "b", "", 0},
    };
    for (const auto& c : cases) {
        std::size_t n = 99;
        EXPECT_EQ(replaceAll(c.text, c.find, c.repl, &n), c.expected) << c.name;
        EXPECT_EQ(n, c.count) << c.name;
        std::string s = c.text;
        EXPECT_EQ(replaceAllInPlace(s, c.find, c.repl), c.count) << c.name;
        EXPECT_EQ(s, c.expected) << c.name;
    }
}

TEST(ReplaceAllRepeat, RepeatsUntilNoMatchIsLeft) {
    const ReplaceCase cases[] = {
        {"crlf brought together by a deletion", "\r\r\n\n", "\r\n", "", "", 2},
        {"nested crlf", "x\r\r\r\n\n\ny", "\r\n", "", "xy", 3},
        {"unmatched stays", "\n\r", "\r\n", "", "\n\r", 0},
        {"collapse a run", g("你，，，，，好"), g("，，"), g("，"), g("你，好"), 4},
        {"collapse blank lines", "a\r\n\r\n\r\n\r\nb", "\r\n\r\n", "\r\n", "a\r\nb", 3},
        {"three ellipses to two", g("…………………"), g("………"), g("……"), g("……"), 5},
        {"one ellipsis stays", g("…"), g("………"), g("……"), g("…"), 0},
        {"not across characters", "\xE1\xA3\xAC\xA3\xAC\xA3\xAC", g("，，"), g("，"),
         "\xE1\xA3\xAC\xA3\xAC\xA3\xAC", 0},
        {"spaces at line heads", "\r\n   a", "\r\n ", "\r\n", "\r\na", 3},
        {"replacement containing find runs once", "ab", "a", "aa", "aab", 1},
        {"general replacement repeats", "aab", "ab", "b", "b", 2},
    };
    for (const auto& c : cases) {
        std::string s = c.text;
        EXPECT_EQ(replaceAllRepeat(s, c.find, c.repl), c.count) << c.name;
        EXPECT_GB_EQ(s, c.expected) << c.name;
    }
}

TEST(ReplaceAllRepeat, LongRunsStayLinear) {
    // 200,000 nested line breaks would need 200,000 passes if done naively.
    std::string s = std::string(200000, '\r') + std::string(200000, '\n');
    EXPECT_EQ(replaceAllRepeat(s, "\r\n", ""), 200000u);
    EXPECT_TRUE(s.empty());
}

TEST(CaseFolding, FoldsOnlyWholeAsciiLetters) {
    EXPECT_EQ(foldAsciiCase("AbC"), "abc");
    EXPECT_EQ(foldAsciiCase("\x81\x41" "A"), "\x81\x41" "a");  // trail byte 'A' kept
    EXPECT_EQ(foldAsciiCase(g("中ＡA")), g("中Ａa"));
}

TEST(ReplaceAllIgnoreCase, MatchesAsciiLettersInAnyCase) {
    const ReplaceCase cases[] = {
        {"mixed case", "<SCRIPT>x</Script>", "<script>", "", "x</Script>", 1},
        {"replacement not rescanned", "aA", "a", "Aa", "AaAa", 2},
        {"trail byte is not a letter", "\x81\x41", "a", "b", "\x81\x41", 0},
        {"empty find", "abc", "", "x", "abc", 0},
        {"chinese", g("中文ABC中文"), g("文abc"), g("字"), g("中字中文"), 1},
    };
    for (const auto& c : cases) {
        std::size_t n = 99;
        EXPECT_GB_EQ(replaceAllIgnoreCase(c.text, c.find, c.repl, &n), c.expected) << c.name;
        EXPECT_EQ(n, c.count) << c.name;
    }
}

TEST(CaseFoldedText, FindsFromAPosition) {
    const std::string s = "<P>a</p><p>";
    CaseFoldedText t(s);
    EXPECT_EQ(t.find("<p>"), 0u);
    EXPECT_EQ(t.find("<p>", 1), 8u);
    EXPECT_EQ(t.find("</P>"), 4u);
    EXPECT_EQ(t.find("<x>"), npos);
}

}  // namespace
}  // namespace folvane::text

namespace folvane::text {
namespace {

// Bytes chosen to make boundaries interesting: leads, trails, digits, "\r\n".
std::string randomText(unsigned& seed, std::size_t len) {
    static const unsigned char pool[] = {'\r', '\n', ' ', ']', '0', '5', 'a', 0x81, 0xA1, 0xA3, 0xAC, 0xFE, 0x80, 0xFF, 0x40};
    std::string s;
    for (std::size_t i = 0; i < len; ++i) {
        seed = seed * 1103515245u + 12345u;
        s += static_cast<char>(pool[(seed >> 16) % sizeof pool]);
    }
    return s;
}

// Reference: try every boundary, require the match to end on a boundary.
std::vector<std::size_t> naiveFindAll(std::string_view hay, std::string_view needle) {
    std::vector<bool> boundary(hay.size() + 1, false);
    std::size_t i = 0;
    for (; i < hay.size(); i += charLength(hay, i)) boundary[i] = true;
    boundary[hay.size()] = true;
    std::vector<std::size_t> out;
    for (std::size_t p = 0; p + needle.size() <= hay.size(); ++p) {
        if (!boundary[p] || !boundary[p + needle.size()] || hay.substr(p, needle.size()) != needle) continue;
        out.push_back(p);
        p += needle.size() - 1;
    }
    return out;
}

TEST(FindAllAligned, AgreesWithAReferenceOnRandomBytes) {
    unsigned seed = 99;
    for (int round = 0; round < 3000; ++round) {
        const std::string hay = randomText(seed, 1 + seed % 60);
        const std::string needle = randomText(seed, 1 + (seed >> 8) % 4);
        EXPECT_EQ(findAllAligned(hay, needle), naiveFindAll(hay, needle))
            << folvane::testing::show(hay) << " / " << folvane::testing::show(needle);
    }
}

TEST(ReplaceAllRepeat, AgreesWithRepeatedPassesOnRandomBytes) {
    unsigned seed = 7;
    const std::pair<std::string, std::string> rules[] = {
        {"\r\n", ""}, {"\r\n\r\n", "\r\n"}, {"\xA3\xAC\xA3\xAC", "\xA3\xAC"}, {"\r\n ", "\r\n"}, {"aa", "a"}};
    for (int round = 0; round < 2000; ++round) {
        const std::string text = randomText(seed, seed % 80);
        for (const auto& [find, repl] : rules) {
            std::string fast = text;
            replaceAllRepeat(fast, find, repl);
            std::string slow = text;
            while (replaceAllInPlace(slow, find, repl) > 0) {
            }
            EXPECT_EQ(fast, slow) << folvane::testing::show(text) << " rule " << folvane::testing::show(find);
        }
    }
}

TEST(ReplaceAllIgnoreCaseInPlace, AgreesWithTheCopyingReplacementOnRandomBytes) {
    unsigned seed = 31;
    // Shorter, as long as and longer than the text found.
    const std::pair<std::string, std::string> rules[] = {
        {"aB", ""}, {"\xA3\xAC", "x"}, {"</P>", "\r\n\r\n"}, {"a", "\xB0\xA1\xB0\xA1"}, {"\r\n", "<BR>\r\n"}};
    for (int round = 0; round < 2000; ++round) {
        const std::string text = randomText(seed, seed % 80);
        for (const auto& [find, repl] : rules) {
            std::size_t expectedCount = 0;
            const std::string expected = replaceAllIgnoreCase(text, find, repl, &expectedCount);
            std::string inPlace = text;
            EXPECT_EQ(replaceAllIgnoreCaseInPlace(inPlace, find, repl), expectedCount);
            EXPECT_EQ(inPlace, expected) << folvane::testing::show(text) << " rule " << folvane::testing::show(find);
        }
    }
}

TEST(ReplaceAllIgnoreCaseInPlace, ALongTextThatGrowsKeepsEveryByte) {
    // Long enough for the consumed front of the text to be given back while
    // the longer result is built.
    std::string line = "Ab\xB0\xA1\r\n";
    std::string text, expected;
    for (int i = 0; i < 3'000'000; ++i) {
        text += line;
        expected += "xyzAb\xB0\xA1\r\n";
    }
    // "ab" in any case, the trail byte 0x41 of no character being a letter.
    std::string s = "\xB0\x41" + text;
    EXPECT_EQ(replaceAllIgnoreCaseInPlace(s, "ab", "xyzAb"), 3'000'000u);
    EXPECT_TRUE(s == "\xB0\x41" + expected);
}

}  // namespace
}  // namespace folvane::text

// Change records: the smallest edits between two texts, placed by line and
// column in characters.
#include <gtest/gtest.h>

#include "engine/change_records.h"
#include "gbtext.h"

namespace folvane::engine {
namespace {

using folvane::testing::g;
using folvane::testing::show;

// The edits applied to `before` give `after`, whatever the hunks are.
std::string apply(std::string_view before, std::string_view after, const std::vector<Hunk>& hunks) {
    std::string out;
    std::size_t pos = 0;
    for (const Hunk& h : hunks) {
        out.append(before.substr(pos, h.oldStart - pos));
        out.append(after.substr(h.newStart, h.newEnd - h.newStart));
        pos = h.oldEnd;
    }
    out.append(before.substr(pos));
    return out;
}

TEST(ChangeRecords, CharacterHunksAreFewAndCharacterAligned) {
    struct Case {
        const char* name;
        std::string before, after;
        std::size_t hunks;
    };
    const Case cases[] = {
        {"same", g("甲乙"), g("甲乙"), 0},
        {"two replacements apart", g("甲,乙,丙"), g("甲，乙，丙"), 2},
        {"insertions", g("用Python写"), g("用 Python 写"), 2},
        {"deletion at the end", g("甲乙 "), g("甲乙"), 1},
        {"everything", "abc", "xyz", 1},
        {"from nothing", "", g("甲"), 1},
        {"to nothing", g("甲"), "", 1},
        // B1 A1 and A1 B1: a byte diff would match the shared A1 and cut
        // both characters in half.
        {"no half characters", "\xB1\xA1\xA1\xB1", "\xA1\xB1\xB1\xA1", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Hunk> h = characterHunks(c.before, c.after);
        EXPECT_EQ(h.size(), c.hunks);
        EXPECT_EQ(show(apply(c.before, c.after, h)), show(c.after));
    }
    // Past the limit of edits the middle is one stretch, still exact.
    const std::string a(400, 'a'), b(400, 'b');
    const std::vector<Hunk> capped = characterHunks(a, b, 8);
    EXPECT_EQ(capped.size(), 1u);
    EXPECT_EQ(apply(a, b, capped), b);
    EXPECT_EQ(apply(a, b, characterHunks(a, b)), b);
}

TEST(ChangeRecords, ChangesBetweenTextsArePlacedByLineAndCharacter) {
    const std::string before = g("第一行\r\n甲,乙\r\n第三行\r\n");
    const std::string after = g("　　第一行\r\n甲，乙\r\n");
    const std::vector<Change> c = changesBetween(before, after, "typeset");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ((std::vector<std::size_t>{c[0].line, c[0].column, c[0].endLine, c[0].endColumn}),
              (std::vector<std::size_t>{1, 1, 1, 1}));
    EXPECT_EQ(show(c[0].after), "　　");
    EXPECT_EQ((std::vector<std::size_t>{c[1].line, c[1].column, c[1].endColumn}), (std::vector<std::size_t>{2, 2, 3}));
    EXPECT_EQ(show(c[1].before), ",");
    // A removed line: its break and its text, from the end of the line before.
    EXPECT_EQ((std::vector<std::size_t>{c[2].line, c[2].column, c[2].endLine, c[2].endColumn}),
              (std::vector<std::size_t>{2, 4, 3, 4}));
    EXPECT_EQ(show(c[2].before), "\\r\\n第三行");
    EXPECT_EQ(c[2].rule, "typeset");
}

TEST(ChangeRecords, PositionsCountCharactersOfEveryLength) {
    const std::string s = g("a甲") + "\x81\x30\x81\x30" + "\x80" + g("乙\r\nb");
    TextPositions where(s);
    std::size_t line = 0, column = 0;
    for (const auto& [offset, wantLine, wantColumn] :
         std::vector<std::tuple<std::size_t, std::size_t, std::size_t>>{
             {0, 1, 1}, {1, 1, 2}, {3, 1, 3}, {7, 1, 4}, {8, 1, 5}, {10, 1, 6}, {12, 2, 1}, {13, 2, 2}, {3, 1, 3}}) {
        where.locate(offset, line, column);
        EXPECT_EQ(line, wantLine) << offset;
        EXPECT_EQ(column, wantColumn) << offset;
    }
}

}  // namespace
}  // namespace folvane::engine

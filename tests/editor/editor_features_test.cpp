// Save As formats, find next and the recent-file list: the rules of the
// editor's commands that need no window.
#include <gtest/gtest.h>

#include <set>

#include "editor/document.h"
#include "editor/find_matches.h"
#include "editor/recent_files.h"
#include "editor/save_format.h"
#include "editor/text_diff.h"
#include "gbtext.h"
#include "temp_dir.h"
#include "text/file_io.h"

namespace folvane::editor {
namespace {

using folvane::testing::g;
using text::Encoding;

// ---------------------------------------------------------------- Save As

// A text with characters outside GBK: an emoji (four bytes in GB18030, a
// surrogate pair in UTF-16), a character of CJK Extension G and one of
// Extension B, beside ordinary Chinese and ASCII.
const std::string kWide = g("甲乙 😀 \xF0\xB0\x80\x80 𠀀 abc\r\n第二行\r\n");

using SaveAs = folvane::testing::TempDirTest;

TEST_F(SaveAs, RoundTripsCharactersOutsideGbkInEveryFormat) {
    struct Case {
        std::size_t encoding, lineBreaks;
        const char* name;
        std::string head;  // the file's first bytes
    };
    const Case cases[] = {
        {0, 0, "gb-crlf", g("甲")},
        {1, 1, "utf8-lf", "\xE7\x94\xB2"},
        {2, 0, "utf8bom-crlf", "\xEF\xBB\xBF\xE7\x94\xB2"},
        {3, 1, "utf16le-lf", "\xFF\xFE\x32\x75"},
    };
    for (const Case& c : cases) {
        const std::string path = dir_ + "/" + c.name + ".txt";
        Document doc;
        ASSERT_TRUE(doc.saveAs(path, kWide, saveAsFormat(c.encoding, c.lineBreaks))) << c.name;
        std::string bytes;
        ASSERT_TRUE(text::readFile(path, bytes));
        EXPECT_EQ(bytes.substr(0, c.head.size()), c.head) << c.name;
        EXPECT_EQ(bytes.find("\r\n") != std::string::npos, c.lineBreaks == 0) << c.name;
        // Read back as Open reads it: the same text and the same format.
        const auto back = readDocumentFile(path);
        ASSERT_TRUE(back) << c.name;
        EXPECT_GB_EQ(back->text, kWide);
        EXPECT_EQ(saveEncodingIndex(back->format), c.encoding) << c.name;
        EXPECT_EQ(lineBreakIndex(back->format), c.lineBreaks) << c.name;
        EXPECT_EQ(doc.format().encoding, saveEncodings()[c.encoding].encoding) << c.name;
    }
}

TEST_F(SaveAs, IntoUtf8LfAndBackIntoGb18030CrLfIsByteForByte) {
    const std::string first = dir_ + "/first.txt";
    ASSERT_TRUE(text::writeFileAtomically(first, kWide));
    auto opened = readDocumentFile(first);
    ASSERT_TRUE(opened);
    Document doc;
    doc.beginOpen(first, opened->format);
    doc.fileLoaded(opened->text, 0);
    ASSERT_TRUE(doc.saveAs(dir_ + "/u.txt", doc.text().str(), saveAsFormat(1, 1)));
    auto utf8 = readDocumentFile(dir_ + "/u.txt");
    ASSERT_TRUE(utf8);
    Document again;
    again.beginOpen(dir_ + "/u.txt", utf8->format);
    again.fileLoaded(utf8->text, 0);
    ASSERT_TRUE(again.saveAs(dir_ + "/back.txt", again.text().str(), saveAsFormat(0, 0)));
    std::string a, b;
    ASSERT_TRUE(text::readFile(first, a));
    ASSERT_TRUE(text::readFile(dir_ + "/back.txt", b));
    EXPECT_EQ(a, b);
    // A later Save keeps the format Save As chose.
    EXPECT_EQ(again.currentPath(), dir_ + "/back.txt");
    EXPECT_EQ(formatStatus(again.format()), "GB18030  CRLF");
}

TEST(SaveAsFormat, StatusAndDialogEntriesOfEachFormat) {
    struct Case {
        Encoding encoding;
        bool bom, lf;
        const char* status;
        std::size_t encodingIndex;
    };
    const Case cases[] = {
        {Encoding::Gb18030, false, false, "GB18030  CRLF", 0},
        {Encoding::Utf8, false, true, "UTF-8  LF", 1},
        {Encoding::Utf8, true, false, "UTF-8 BOM  CRLF", 2},
        {Encoding::Utf16LE, true, true, "UTF-16 LE  LF", 3},
        {Encoding::Utf16BE, true, false, "UTF-16 BE  CRLF", 3},  // offered as LE, the nearest we write
    };
    for (const Case& c : cases) {
        text::TextFormat f;
        f.encoding = c.encoding;
        f.bom = c.bom;
        f.lfOnly = c.lf;
        EXPECT_EQ(formatStatus(f), c.status);
        EXPECT_EQ(saveEncodingIndex(f), c.encodingIndex) << c.status;
        EXPECT_EQ(lineBreakIndex(f), c.lf ? 1u : 0u) << c.status;
    }
}

// ------------------------------------------------------------- find next

TEST(FindMatches, PlacesAreThoseReplaceAllReplaces) {
    struct Case {
        std::u16string text, needle;
        std::vector<std::size_t> matches;
    };
    const Case cases[] = {
        {u"Abc abc ABC", u"abc", {0, 4, 8}},       // case-blind
        {u"aaaa", u"aa", {0, 2}},                  // left to right, not overlapping
        {u"文字文字", u"文字", {0, 2}},
        {u"ab", u"", {}},                          // an empty needle finds nothing
        {u"a", u"ab", {}},
        {u"Ää", u"ä", {1}},                        // only ASCII letters fold
        // A needle that is the second half of a pair never matches inside
        // the pair; a lone one of its own does.
        {u"\U0001F600\xDE00", u"\xDE00", {2}},
        {u"\U0001F600x", u"\U0001F600", {0}},
    };
    for (const Case& c : cases) EXPECT_EQ(findMatches(c.text, c.needle), c.matches);
}

TEST(FindMatches, NextAndPreviousWrapRound) {
    const std::vector<std::size_t> m = {2, 10, 20};  // needle of length 3
    struct Case {
        std::size_t selStart, selEnd;
        bool forward;
        std::size_t expected;
    };
    const Case cases[] = {
        {0, 0, true, 2},      // from the start
        {2, 5, true, 10},     // from a selected match: the next one
        {3, 3, true, 10},     // caret inside a match: the next one
        {21, 21, true, 2},    // past the last: wraps round
        {20, 23, true, 2},
        {10, 13, false, 2},   // backwards from a selected match
        {12, 12, false, 2},   // inside a match: one that ends before the caret
        {13, 13, false, 10},
        {2, 5, false, 20},    // before the first: wraps round
        {0, 0, false, 20},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextMatch(m, 3, c.selStart, c.selEnd, c.forward), c.expected)
            << c.selStart << "-" << c.selEnd << (c.forward ? " forward" : " back");
    EXPECT_FALSE(nextMatch({}, 3, 0, 0, true));
    EXPECT_EQ(matchIndexAt(m, 10), 1u);
    EXPECT_FALSE(matchIndexAt(m, 11));
}

// ----------------------------------------------------------- recent files

TEST(RecentFiles, ListRules) {
    using List = std::vector<std::string>;
    struct Case {
        const char* name;
        List before;
        std::string added;
        List after;
    };
    List ten;
    for (int i = 0; i < 10; ++i) ten.push_back("/f" + std::to_string(i));
    List elevenTrimmed = {"/new"};
    elevenTrimmed.insert(elevenTrimmed.end(), ten.begin(), ten.begin() + 9);
    const Case cases[] = {
        {"first", {}, "/a", {"/a"}},
        {"newest first", {"/a"}, "/b", {"/b", "/a"}},
        {"again moves to the front", {"/b", "/a", "/c"}, "/a", {"/a", "/b", "/c"}},
        {"at most ten", ten, "/new", elevenTrimmed},
        {"empty path", {"/a"}, "", {"/a"}},
        {"a line break cannot be stored", {"/a"}, "/x\ny", {"/a"}},
        {"case matters on Linux", {"/A"}, "/a", {"/a", "/A"}},
    };
    for (const Case& c : cases) EXPECT_EQ(withRecentFile(c.before, c.added), c.after) << c.name;

    std::vector<std::string> missing;
    const std::set<std::string> present = {"/b"};
    EXPECT_EQ(withoutMissingFiles({"/a", "/b", "/c"}, [&](const std::string& p) { return present.count(p) > 0; },
                                  &missing),
              List{"/b"});
    EXPECT_EQ(missing, (List{"/a", "/c"}));
    EXPECT_EQ(withoutRecentFile({"/a", "/b"}, "/a"), List{"/b"});
}

TEST(RecentFiles, StoredUnderTenKeysOfTheirOwn) {
    const std::string section = "folvane";
    settings::IniText ini(g("[folvane]\r\n窗口宽度=685\r\n最近打开的文件3=/c\r\n最近打开的文件1=/a\r\n"
                            "最近打开的文件2=\r\n最近打开的文件4=/a\r\n"));
    // Empty values are skipped, a repeated path counts once, in key order.
    EXPECT_EQ(readRecentFiles(ini, section), (std::vector<std::string>{"/a", "/c"}));
    const auto assignments = recentFileAssignments({"/x", "/y"});
    ASSERT_EQ(assignments.size(), 10u);
    for (const auto& a : assignments) ini.set(section, a.key, a.value);
    EXPECT_EQ(readRecentFiles(ini, section), (std::vector<std::string>{"/x", "/y"}));
    EXPECT_EQ(ini.find(section, g("窗口宽度")), std::optional<std::string_view>("685"));
    EXPECT_EQ(recentFileKey(9), g("最近打开的文件10"));
}

}  // namespace
}  // namespace folvane::editor

namespace folvane::editor {
namespace {

// Applies `changes` to `before`: must give `after` back.
std::u16string rebuild(std::u16string_view before, std::u16string_view after, const std::vector<TextChange>& changes) {
    std::u16string out;
    std::size_t at = 0;
    for (const TextChange& c : changes) {
        out.append(before.substr(at, c.beforePos - at));
        out.append(after.substr(c.afterPos, c.afterLen));
        at = c.beforePos + c.beforeLen;
    }
    out.append(before.substr(at));
    return out;
}

TEST(TextDiff, ChangesOfARun) {
    struct Case {
        const char* name;
        std::u16string before, after;
        std::vector<TextChange> changes;
    };
    const Case cases[] = {
        {"equal", u"abc", u"abc", {}},
        {"both empty", u"", u"", {}},
        {"all new", u"", u"abc", {{0, 0, 0, 3}}},
        {"all gone", u"abc", u"", {{0, 3, 0, 0}}},
        {"indentation added", u"第一段\n第二段", u"　　第一段\n　　第二段", {{0, 0, 0, 2}, {4, 0, 6, 2}}},
        {"punctuation widened", u"好,走吧.他说", u"好，走吧。他说", {{1, 1, 1, 1}, {4, 1, 4, 1}}},
        {"line joined", u"一句话被\n切开了。", u"一句话被切开了。", {{4, 1, 4, 0}}},
        {"blank line added", u"甲段。\n乙段。", u"甲段。\n\n乙段。", {{4, 0, 4, 1}}},
        {"two changes close together", u"a,b.c", u"a，b。c", {{1, 1, 1, 1}, {3, 1, 3, 1}}},
        {"change at the end", u"abcdef", u"abcdeX", {{5, 1, 5, 1}}},
    };
    for (const Case& c : cases) {
        const auto changes = diffTexts(c.before, c.after);
        EXPECT_EQ(changes, c.changes) << c.name;
        EXPECT_EQ(rebuild(c.before, c.after, changes), c.after) << c.name;
    }
}

TEST(TextDiff, RebuildsTheResultOfLongAndRandomEdits) {
    // A long text with edits of every size, among them some wider than the
    // window of the search: the changes must always rebuild the result, and
    // neighbouring changes never touch.
    std::u16string before;
    for (int i = 0; i < 20000; ++i) before += static_cast<char16_t>(u'一' + (i * 7919) % 300);
    std::u16string after = before;
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 1000u; };
    for (int e = 0; e < 300; ++e) {
        const std::size_t pos = next() * after.size() / 1000;
        const std::size_t removed = std::min<std::size_t>(after.size() - pos, e % 50 == 0 ? 900 : next() % 6);
        const std::u16string added(e % 70 == 0 ? 1500 : next() % 5, u'　');
        after.replace(pos, removed, added);
    }
    const auto changes = diffTexts(before, after);
    EXPECT_EQ(rebuild(before, after, changes), after);
    for (std::size_t k = 1; k < changes.size(); ++k) {
        // Equal units, as many in both texts, lie between two changes.
        const std::size_t gapBefore = changes[k].beforePos - (changes[k - 1].beforePos + changes[k - 1].beforeLen);
        const std::size_t gapAfter = changes[k].afterPos - (changes[k - 1].afterPos + changes[k - 1].afterLen);
        EXPECT_GT(gapBefore, 0u) << k;
        EXPECT_EQ(gapBefore, gapAfter) << k;
    }
    EXPECT_EQ(diffTexts(after, after).size(), 0u);
}

}  // namespace
}  // namespace folvane::editor

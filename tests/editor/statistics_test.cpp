#include "editor/statistics.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "random_text.h"
#include "text/gb18030.h"
#include "text/search.h"
#include "text/width.h"

namespace folvane::editor {
namespace {

using folvane::testing::g;
using folvane::testing::show;

struct Case {
    const char* name;
    std::string text;
    TextStatistics expected;  // size, chinese, nonChinese, fullWidth, total, lines
};

void expectCounts(const TextStatistics& a, const TextStatistics& b, const std::string& what) {
    EXPECT_EQ(a.size, b.size) << what;
    EXPECT_EQ(a.chinese, b.chinese) << what;
    EXPECT_EQ(a.nonChinese, b.nonChinese) << what;
    EXPECT_EQ(a.fullWidth, b.fullWidth) << what;
    EXPECT_EQ(a.total, b.total) << what;
    EXPECT_EQ(a.lines, b.lines) << what;
}

TEST(CountText, Kinds) {
    const Case cases[] = {
        {"empty", "", {0, 0, 0, 0, 0, 0}},
        {"two letters", "ab", {2, 0, 2, 0, 2, 1}},
        {"two Chinese characters", g("中文"), {4, 2, 0, 2, 2, 1}},
        {"full-width letter", g("Ａ"), {2, 0, 0, 1, 0, 1}},
        {"a line break adds to size and full-width only", g("中\r\n文"), {6, 2, 0, 3, 2, 2}},
        {"trailing break makes an empty last line", "a\r\n", {3, 0, 1, 1, 1, 2}},
        {"tab counts as a letter", "\t", {1, 0, 1, 0, 1, 1}},
        {"Chinese punctuation without a half-width form", g("。“”"), {6, 3, 0, 3, 3, 1}},
        {"full-width comma and space have one", g("，　"), {4, 0, 0, 2, 0, 1}},
        {"space", " ", {1, 0, 1, 0, 1, 1}},
        {"four-byte character counts two units", g("𠀀"), {4, 2, 0, 2, 2, 1}},
        {"odd remainder truncates", "\x80", {1, 0, 0, 0, 0, 1}},
    };
    for (const auto& c : cases) expectCounts(countText(c.text), c.expected, c.name);
}

TEST(StatisticsReport, ExactText) {
    const TextStatistics st = countText(g("中文ab\r\n"));
    EXPECT_GB_EQ(statisticsReport(st), g("文本大小:8 字节\r\n中文字数:2 个\r\n非中文字数:2 个\r\n全角字数:3 个\r\n"
                                         "总字数:4 个\r\n段落数:2 行"));
}

// The documented method: converted copies and their byte lengths.
std::string halfWidthForms(std::string_view s) {
    std::string out;
    text::forEachChar(s, [&](std::size_t pos, std::size_t len) {
        const char h = len == 2 ? text::halfWidthOf(static_cast<unsigned char>(s[pos]),
                                                     static_cast<unsigned char>(s[pos + 1]))
                                : 0;
        if (h) out += h;
        else out.append(s.substr(pos, len));
    });
    return out;
}

// The size of the full-width copy: two bytes for every character 0x20-0x7E
// (the count the conversion's growth stands for, also after a lone lead
// byte, where the conversion itself keeps the character).
std::size_t fullWidthSize(std::string_view s) {
    std::size_t n = s.size();
    text::forEachChar(s, [&](std::size_t pos, std::size_t len) {
        if (len == 1 && s[pos] >= 0x20 && s[pos] <= 0x7E) ++n;
    });
    return n;
}

TextStatistics documentedCounts(std::string_view text) {
    TextStatistics st;
    std::string t(text);
    for (char& c : t)
        if (c == '\t') c = 'a';
    st.size = text.size();
    st.nonChinese = fullWidthSize(t) - t.size();
    const std::string u = text::replaceAll(t, "\r\n", "");
    st.chinese = (2 * halfWidthForms(u).size() - fullWidthSize(u)) / 2;
    st.lines = text.empty() ? 0 : text::findAllAligned(t, "\r\n").size() + 1;
    st.fullWidth = (st.size - st.nonChinese) / 2;
    st.total = st.nonChinese + st.chinese;
    return st;
}

TEST(CountText, AgreesWithTheConvertedCopiesOnRandomText) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {"\r\n", "\r\n", "\r", "\n", "\t", " ", "a", "~", g("中"), g("Ａ"), g("　"), g("。"), g("＄"), g("𠀀")});
    folvane::testing::RandomText rnd(8);
    for (int round = 0; round < 5000; ++round) {
        const std::string s = round % 5 ? rnd.pieces(pool, 30) : rnd.bytes(50);
        expectCounts(countText(s), documentedCounts(s), show(s));
    }
}

}  // namespace
}  // namespace folvane::editor

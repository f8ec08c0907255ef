#include "corrections/dictionary_converter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <thread>

#include "corrections/script_matcher.h"
#include "gbtext.h"
#include "random_text.h"

namespace folvane::corrections {
namespace {

using folvane::testing::g;
using folvane::testing::show;

const DictionaryConverter& converter() {
    static const DictionaryConverter c;
    return c;
}

struct Config {
    std::string_view name;
    ScriptDirection direction;
    ScriptStandard standard;
};

constexpr Config kConfigs[] = {
    {"s2t", ScriptDirection::ToTraditional, ScriptStandard::OpenCC},
    {"t2s", ScriptDirection::ToSimplified, ScriptStandard::OpenCC},
    {"s2tw", ScriptDirection::ToTraditional, ScriptStandard::Taiwan},
    {"tw2s", ScriptDirection::ToSimplified, ScriptStandard::Taiwan},
    {"s2twp", ScriptDirection::ToTraditional, ScriptStandard::TaiwanPhrases},
    {"tw2sp", ScriptDirection::ToSimplified, ScriptStandard::TaiwanPhrases},
    {"s2hk", ScriptDirection::ToTraditional, ScriptStandard::HongKong},
    {"hk2s", ScriptDirection::ToSimplified, ScriptStandard::HongKong},
};

const Config* configNamed(std::string_view name) {
    for (const Config& c : kConfigs)
        if (c.name == name) return &c;
    return nullptr;
}

// The converter's own cases. Where the expected text has a character of
// another byte length in GB18030 than the one it replaces, the byte-length
// rule keeps the original; those lines are listed here with the reason.
const std::set<int> kKeptByTheByteLengthRule = {
    176,  // 𫫇 (four bytes) would become 噁 (two bytes): it stays
};

TEST(DictionaryConverter, PassesTheConvertersOwnCases) {
    std::ifstream in(FOLVANE_CONVERSION_CASES);
    ASSERT_TRUE(in) << FOLVANE_CONVERSION_CASES;
    std::string line;
    int number = 0, checked = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        const std::size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
        ASSERT_NE(t2, std::string::npos) << "line " << number;
        const Config* c = configNamed(line.substr(0, t1));
        ASSERT_NE(c, nullptr) << "line " << number;
        const std::string input = g(line.substr(t1 + 1, t2 - t1 - 1));
        const std::string expected = g(line.substr(t2 + 1));
        const std::string got = converter().convert(input, c->direction, c->standard);
        if (kKeptByTheByteLengthRule.count(number)) {
            EXPECT_NE(got, expected) << "line " << number << " now passes: take it off the list";
            continue;
        }
        ++checked;
        EXPECT_GB_EQ(got, expected) << c->name << ", line " << number;
    }
    EXPECT_GT(checked, 150);
}

TEST(DictionaryConverter, KeepsTheByteLengthAndWhatIsNoChineseCharacter) {
    struct Case {
        const char* name;
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"characters", g("简体中文"), g("簡體中文")},
        {"a phrase decides the character", g("头发和发展"), g("頭髮和發展")},
        {"ASCII and punctuation stay", g("abc 123，。"), g("abc 123，。")},
        {"NUL stays and splits nothing", g("汉") + std::string(1, '\0') + g("汉"),
         g("漢") + std::string(1, '\0') + g("漢")},
        {"bytes that are no character stay", "\x80" + g("汉") + "\xFF", "\x80" + g("漢") + "\xFF"},
        {"dangling lead byte at the end", g("汉") + "\x81", g("漢") + "\x81"},
        {"four-byte character stays", g("汉𠀀汉"), g("漢𠀀漢")},
        {"line breaks stay", g("汉\r\n汉\r\n"), g("漢\r\n漢\r\n")},
        {"four-byte form of a two-byte character stays", g("二𫫇英"), g("二𫫇英")},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(converter().toTraditionalChinese(c.input), c.expected) << c.name;
}

TEST(DictionaryConverter, StandardsDifferWhereTheirDictionariesDo) {
    struct Case {
        ScriptStandard standard;
        ScriptDirection direction;
        const char* input;
        const char* expected;
    };
    using enum ScriptStandard;
    const auto T = ScriptDirection::ToTraditional, S = ScriptDirection::ToSimplified;
    const Case cases[] = {
        {OpenCC, T, "软件里面", "軟件裏面"},       {Taiwan, T, "软件里面", "軟件裡面"},
        {TaiwanPhrases, T, "软件里面", "軟體裡面"}, {HongKong, T, "软件里面", "軟件裏面"},
        {OpenCC, S, "軟體裡面", "软体里面"},       {TaiwanPhrases, S, "軟體裡面", "软件里面"},
        // Taiwan's words may change the length of the text.
        {TaiwanPhrases, T, "U盘", "隨身碟"},       {OpenCC, T, "U盘", "U盤"},
    };
    for (const auto& c : cases)
        EXPECT_GB_EQ(converter().convert(g(c.input), c.direction, c.standard), g(c.expected))
            << scriptStandardName(c.standard) << " " << c.input;
}

TEST(DictionaryConverter, OnlyTaiwansWordsChangeTheByteLengthOfRandomText) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {g("汉"), g("发"), g("头发"), g("體"), g("后"), g("里"), "a", "\r\n", g("𠀀"), g("，"), g("软件"), g("U盘"),
         g("鼠标"), g("二𫫇英")});
    folvane::testing::RandomText rnd(5);
    for (int round = 0; round < 800; ++round) {
        const std::string s = round % 2 ? rnd.bytes(60) : rnd.pieces(pool, 30);
        for (const ScriptDirection d : {ScriptDirection::ToTraditional, ScriptDirection::ToSimplified})
            for (const ScriptStandard st : {ScriptStandard::OpenCC, ScriptStandard::Taiwan, ScriptStandard::HongKong})
                ASSERT_EQ(converter().convert(s, d, st).size(), s.size()) << show(s);
    }
}

TEST(DictionaryConverter, InPlaceAndLongTextsConvertAsTheirLines) {
    // Long texts are converted in pieces cut after line breaks; the result
    // is that of the lines one by one, also where the length changes.
    for (const ScriptStandard st : {ScriptStandard::OpenCC, ScriptStandard::TaiwanPhrases}) {
        const std::string line = g("后来的发展，头发和U盘。\r\n");
        const std::string longLine = std::string(70 * 1024, 'x') + g("后来");
        std::string text, expected;
        while (text.size() < 200 * 1024) {
            text += line;
            expected += converter().toTraditionalChinese(line, st);
        }
        text += longLine + "\r\n" + line;
        expected += converter().toTraditionalChinese(longLine + "\r\n", st) + converter().toTraditionalChinese(line, st);
        EXPECT_EQ(converter().toTraditionalChinese(text, st), expected);
        converter().convertInPlace(text, ScriptDirection::ToTraditional, st);
        EXPECT_EQ(text, expected);
    }
}

TEST(DictionaryConverter, SharedByThreads) {
    const DictionaryConverter fresh;  // tables built by whichever thread comes first
    const std::string text = g("简体中文和头发");
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] { results[i] = fresh.toTraditionalChinese(text); });
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_GB_EQ(r, g("簡體中文和頭髮"));
}

TEST(DictionaryConverter, StandardNamesRoundTrip) {
    for (const ScriptStandard s : {ScriptStandard::OpenCC, ScriptStandard::Taiwan, ScriptStandard::TaiwanPhrases,
                                   ScriptStandard::HongKong})
        EXPECT_EQ(scriptStandardNamed(scriptStandardName(s)), s);
    EXPECT_FALSE(scriptStandardNamed("TW"));
    EXPECT_FALSE(scriptStandardNamed(""));
}

// The matcher on tables of its own: entries that change the number or the
// byte length of characters, which the shipped tables hardly ever have, and
// segments that keep a later pass from matching across them.
TEST(ScriptMatcher, ByteLengthRuleAndSegments) {
    script::Dictionary table, second, words(true);
    const std::string k[] = {g("甲乙"), g("丙"), g("甲"), g("乙"), g("丁"), g("戊己"), g("中"), g("𠀀"),
                             g("子丑"), g("寅卯"), g("卯辰"), g("午未"), g("U盘"), g("隨身碟")};
    table.add(k[0], k[1]);  // two characters to one
    table.add(k[2], k[3]);
    table.add(k[4], k[5]);  // one to two
    table.add(k[6], k[7]);  // two bytes to four
    table.add(k[8], k[9]);  // a phrase
    second.add(k[10], k[11]);  // would match across the segment 寅卯|辰
    words.add(k[12], k[13]);
    struct Case {
        const char* name;
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {"phrase of equal length", "子丑", "寅卯"},
        {"shrinking phrase: its characters one by one", "甲乙", "乙乙"},
        {"growing entry: the character stays", "丁", "丁"},
        {"other byte length: the character stays", "中", "中"},
        {"the longest key wins", "x甲乙丁子丑中y", "x乙乙丁寅卯中y"},
    };
    script::Chain one;
    one.passes.push_back({{&table}, true});
    for (const auto& c : cases) {
        std::string out;
        script::convert(g(c.input), one, true, out);
        EXPECT_GB_EQ(out, g(c.expected)) << c.name;
    }
    // Without the rule (as the build-time tool converts), values are used as they are.
    std::string exact;
    script::convert(g("甲乙丁中"), one, false, exact);
    EXPECT_GB_EQ(exact, g("丙戊己𠀀"));

    script::Chain segmented = one;
    segmented.passes.push_back({{&second}, true});
    std::string joined, cut;
    script::convert(g("子丑辰"), segmented, true, joined);
    EXPECT_GB_EQ(joined, g("寅午未"));  // without segments the second pass sees 卯辰
    segmented.segmentation = {{&table}, true};
    script::convert(g("子丑辰"), segmented, true, cut);
    EXPECT_GB_EQ(cut, g("寅卯辰"));  // the segment 子丑 ends before 辰

    script::Chain regional;
    regional.passes.push_back({{&words}, true});
    std::string grown;
    script::convert(g("用U盘"), regional, true, grown);
    EXPECT_GB_EQ(grown, g("用隨身碟"));
}

}  // namespace
}  // namespace folvane::corrections

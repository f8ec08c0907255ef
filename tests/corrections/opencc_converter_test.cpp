#include "corrections/opencc_converter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "gbtext.h"
#include "random_text.h"

namespace folvane::corrections {
namespace {

using folvane::testing::g;
using folvane::testing::show;

// One converter for the whole test program, as the application keeps one.
const OpenccConverter& converter() {
    static const OpenccConverter c;
    return c;
}

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

TEST(OpenccConverter, ToTraditional) {
    const Case cases[] = {
        {"characters", g("简体中文"), g("簡體中文")},
        {"phrase decides the character", g("头发"), g("頭髮")},
        {"same character in another phrase", g("发生"), g("發生")},
        {"ASCII and punctuation stay", g("abc 123，。"), g("abc 123，。")},
        {"empty", "", ""},
        {"NUL splits the text", g("汉") + std::string(1, '\0') + g("汉"), g("漢") + std::string(1, '\0') + g("漢")},
        {"bytes that are no character stay", "\x80" + g("汉") + "\xFF", "\x80" + g("漢") + "\xFF"},
        {"dangling lead byte at the end", g("汉") + "\x81", g("漢") + "\x81"},
        {"unassigned four-byte code stays", g("汉") + "\x84\x31\xA5\x30" + g("汉"),
         g("漢") + "\x84\x31\xA5\x30" + g("漢")},
        {"four-byte character stays", g("汉𠀀汉"), g("漢𠀀漢")},
        {"line breaks stay", g("汉\r\n汉\r\n"), g("漢\r\n漢\r\n")},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(converter().toTraditionalChinese(c.input), c.expected) << c.name;
}

TEST(OpenccConverter, ToSimplified) {
    const Case cases[] = {
        {"characters", g("繁體中文"), g("繁体中文")},
        {"phrase", g("頭髮"), g("头发")},
        {"simplified text stays", g("简体"), g("简体")},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(converter().toSimplifiedChinese(c.input), c.expected) << c.name;
}

TEST(OpenccConverter, KeepsTheByteLengthOfRandomBytes) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {g("汉"), g("发"), g("头发"), g("體"), g("后"), g("里"), "a", "\r\n", g("𠀀"), g("，")});
    folvane::testing::RandomText rnd(5);
    for (int round = 0; round < 1500; ++round) {
        const std::string s = round % 2 ? rnd.bytes(60) : rnd.pieces(pool, 30);
        EXPECT_EQ(converter().toTraditionalChinese(s).size(), s.size()) << show(s);
        EXPECT_EQ(converter().toSimplifiedChinese(s).size(), s.size()) << show(s);
    }
}

TEST(OpenccConverter, LongTextsConvertAsTheirLines) {
    // Long texts go to OpenCC in pieces cut after line breaks; the result is
    // that of the lines one by one, also where a line runs past a cut.
    const std::string line = g("后来的发展，头发和面条。\r\n");
    const std::string longLine = std::string(70 * 1024, 'x') + g("后来");
    std::string text;
    while (text.size() < 200 * 1024) text += line;
    text += longLine + "\r\n" + line;
    std::string expected;
    while (expected.size() < 200 * 1024) expected += converter().toTraditionalChinese(line);
    expected += converter().toTraditionalChinese(longLine + "\r\n") + converter().toTraditionalChinese(line);
    EXPECT_EQ(converter().toTraditionalChinese(text), expected);
    // In place, every piece written over itself, the same.
    converter().toTraditionalChineseInPlace(text);
    EXPECT_EQ(text, expected);
}

TEST(OpenccConverter, SharedByThreads) {
    const std::string text = g("简体中文和头发");
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] { results[i] = converter().toTraditionalChinese(text); });
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_GB_EQ(r, g("簡體中文和頭髮"));
}

TEST(OpenccConverter, MissingConfigurationGivesTheInputBack) {
    const OpenccConverter broken("/no/such/directory");
    std::string error;
    EXPECT_FALSE(broken.loadTraditional(&error));
    EXPECT_NE(error.find("s2t.json"), std::string::npos);
    EXPECT_GB_EQ(broken.toTraditionalChinese(g("汉")), g("汉"));
    EXPECT_GB_EQ(broken.toSimplifiedChinese(g("漢")), g("漢"));
}

// A configuration of our own whose entries change the number or the byte
// length of characters, which OpenCC's shipped tables hardly ever do.
class CustomTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("folvane-opencc-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        std::ofstream(dir_ / "table.txt") << "甲乙\t丙\n"   // two characters to one
                                             "甲\t乙\n"
                                             "丁\t戊己\n"   // one to two
                                             "中\t𠀀\n"     // two bytes to four
                                             "子丑\t寅卯\n";  // a phrase
        const std::string config = R"({"name": "test",
            "segmentation": {"type": "mmseg", "dict": {"type": "text", "file": "table.txt"}},
            "conversion_chain": [{"dict": {"type": "text", "file": "table.txt"}}]})";
        std::ofstream(dir_ / "s2t.json") << config;
        std::ofstream(dir_ / "t2s.json") << config;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(CustomTableTest, KeepsOneCharacterForOneAndTheByteLength) {
    const OpenccConverter c(dir_.string());
    ASSERT_TRUE(c.loadTraditional());
    const Case cases[] = {
        {"phrase of equal length", g("子丑"), g("寅卯")},
        {"shrinking phrase: its characters one by one", g("甲乙"), g("乙乙")},
        {"growing entry: the character stays", g("丁"), g("丁")},
        {"other byte length: the character stays", g("中"), g("中")},
        {"mixed", g("x甲乙丁子丑中y"), g("x乙乙丁寅卯中y")},
    };
    for (const auto& cs : cases) EXPECT_GB_EQ(c.toTraditionalChinese(cs.input), cs.expected) << cs.name;
}

}  // namespace
}  // namespace folvane::corrections

#include "corrections/punctuation.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "random_text.h"
#include "text/gb18030.h"
#include "text/search.h"
#include "text/width.h"

namespace folvane::corrections {
namespace {

using folvane::testing::g;
using folvane::testing::show;

struct Case {
    const char* input;  // UTF-8
    const char* expected;
};

void expectAll(std::initializer_list<Case> cases) {
    for (const auto& c : cases) EXPECT_GB_EQ(correctPunctuation(g(c.input)), g(c.expected)) << c.input;
}

TEST(CorrectPunctuation, DotsAndEllipses) {
    expectAll({
        {"", ""},
        {"1..2", "12"},
        {"a...b", "a…b"},
        {"a....b", "a…b"},
        {"a.....b", "a……b"},
        {"a......b", "a……b"},
        {"a.......b", "a……b"},
        {"。。", "……"},
        {"。。。", "……"},
        {"。。。。", "……"},
        {"……。", "……"},
        {"………", "……"},
        {"…………………", "……"},
        {"…", "…"},
        {"…..", "……"},
        {"….", "…"},
    });
}

TEST(CorrectPunctuation, MarksAfterChineseText) {
    expectAll({
        {"中文.English", "中文。English"},
        {"中． ", "中。 "},
        {"a．", "a."},
        {"你好,世界", "你好，世界"},
        {"你好,,,世界", "你好，世界"},
        {"他说:你好", "他说：你好"},
        {"真的?好!对;", "真的？好！对；"},
        {"中,.", "中，."},    // the dot is looked at first, after a half-width comma
        {"中.,", "中。，"},  // the converted full stop is itself full-width
        {"好。,", "好。，"},
        {"ＡＢ,", "ＡＢ，"},  // full-width letters are not half-width
        {"中　.", "中　."},   // the full-width space counts as half-width
    });
}

TEST(CorrectPunctuation, LeavesHalfWidthContextAlone) {
    expectAll({
        {"version 1.0", "version 1.0"},
        {"a.b", "a.b"},
        {".开头", ".开头"},
        {"Hello,world", "Hello,world"},
        {"12:30", "12:30"},
        {"don't?", "don't?"},
        {"a <<< b", "a <<< b"},
        {"x>>>y", "x>>>y"},
        {"<<<<", "<<<<"},
    });
}

TEST(CorrectPunctuation, ParenthesesAndBookTitles) {
    expectAll({
        {"f(x)", "f（x）"},
        {"((", "（（"},
        {"<<书名>>", "《书名》"},
        {"<<a", "《a"},
        {"a>>", "a》"},
        {"<<a<<b>>>", "《a《b>>>"},
    });
}

TEST(CorrectPunctuation, MultiByteMarksMatchWholeCharactersOnly) {
    // 啊 is B0 A1 and ！ is A3 A1: the bytes A1 A3 A1 straddle them and the
    // next character, which is not "。。".
    const std::string straddling = g("啊！") + "\xA3\xA1";
    EXPECT_GB_EQ(correctPunctuation(straddling), straddling);
    // Bytes A3 AC A3 AC across characters are not "，，".
    const std::string commaBytes = "\xB0\xA3\xAC\xA3\xAC\xA1";
    EXPECT_GB_EQ(correctPunctuation(commaBytes), commaBytes);
}

// The steps as documented: whole-text replacements, the repeat steps as
// passes repeated while the pattern is found, and the scans searching from
// where they stopped, testing the text in front as it stands after every
// replacement.
std::string literalPunctuation(std::string s) {
    // No replacement joins a lead byte standing alone with what follows it.
    auto afterLoneLead = [&](std::size_t p) {
        return p > 0 && text::isLeadByte(static_cast<unsigned char>(s[p - 1])) &&
               text::charStartBefore(s, p, 0) == p - 1;
    };
    auto all = [&](const char* find, const char* repl) { text::replaceAllInPlace(s, g(find), g(repl), true); };
    auto repeat = [&](const char* find, const char* repl) {
        while (text::replaceAllInPlace(s, g(find), g(repl), true) > 0) {
        }
    };
    auto afterNonHalfWidth = [&](char mark, const char* wide) {
        const std::string r = g(wide);
        for (std::size_t pos = 0;;) {
            const std::size_t p = s.find(mark, pos);
            if (p == std::string::npos) break;
            if (!text::endsHalfWidth(std::string_view(s).substr(0, p)) && !afterLoneLead(p)) {
                s.replace(p, 1, r);
                pos = p + r.size();
            } else {
                pos = p + 1;
            }
        }
    };
    auto isolatedPair = [&](char sign, const char* mark) {
        const std::string r = g(mark);
        const std::string pair(2, sign);
        for (std::size_t pos = 0;;) {
            const std::size_t p = s.find(pair, pos);
            if (p == std::string::npos) break;
            const bool signAfter = p + 2 < s.size() && s[p + 2] == sign;
            const bool signBefore = p > 0 && s[p - 1] == sign;
            if (!signAfter && !signBefore && !afterLoneLead(p)) {
                s.replace(p, 2, r);
                pos = p + 2;
            } else {
                pos = p + 1;
            }
        }
    };
    all("．", ".");
    all("......", "……");
    all("...", "…");
    all("…..", "……");
    all("….", "…");
    all("..", "");
    all("。。", "……");
    all("…。", "…");
    all("(", "（");
    all(")", "）");
    repeat("………", "……");
    afterNonHalfWidth('.', "。");
    afterNonHalfWidth(',', "，");
    repeat("，，", "，");
    afterNonHalfWidth('?', "？");
    afterNonHalfWidth('!', "！");
    afterNonHalfWidth(':', "：");
    afterNonHalfWidth(';', "；");
    isolatedPair('<', "《");
    isolatedPair('>', "》");
    return s;
}

TEST(CorrectPunctuation, AgreesWithTheDocumentedStepsOnRandomText) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {".", ".", ",", ",", "?", "!", ":", ";", "<", "<", ">", ">", "(", ")", " ", "a", g("中"), g("中"),
         g("…"), g("。"), g("．"), g("，"), g("　"), g("！"), g("《")});
    folvane::testing::RandomText rnd(2024);
    for (int round = 0; round < 20000; ++round) {
        const std::string line = round % 10 == 0 ? rnd.bytes(40) : rnd.pieces(pool, 30);
        EXPECT_GB_EQ(correctPunctuation(line), literalPunctuation(line)) << show(line);
    }
}

// Lines the single pass corrects and lines it hands to the steps: both must
// give what the steps give, and the expected forms pin the order of the steps.
TEST(CorrectPunctuation, SinglePassAgreesWithTheSteps) {
    const Case cases[] = {
        // Each mark step sees the marks of the earlier steps converted and
        // those of the later ones still ASCII.
        {"中.,?!:;", "中。，？！：；"},
        {"中;:!?,.", "中；:!?,."},
        {"中?.", "中？."},
        {"中,.", "中，."},
        {"中!?", "中！?"},
        {"中:;", "中：；"},
        {"．,", ".,"},
        {"中．,", "中。，"},
        // Runs of "，", made by the comma step or there before, collapse.
        {"中,,", "中，"},
        {"中,，", "中，"},
        {"中，,", "中，"},
        {"中，，,，?", "中，？"},
        {"，，", "，"},
        // Parentheses are full-width for every mark step; "<<" and ">>" still ASCII.
        {"(.", "（。"},
        {"中).", "中）。"},
        {"<<.", "《."},
        {"中>>,书<<", "中》,书《"},
        {"<<<.", "<<<."},
        // The full-width space is half-width, a NUL byte is not.
        {"　.", "　."},
        {"中 ,", "中 ,"},
        // Runs of three and six dots become ellipses, which the later steps see.
        {"中...,", "中…，"},
        {"...", "…"},
        {"．.．:", "…："},
        {"中......?", "中……？"},
        {"中...…", "中……"},
        {"中...……", "中……"},
        {"中...。", "中…"},
        {"。...", "。…"},
        {"a...b...c", "a…b…c"},
        // Lines the dot and ellipsis steps change otherwise.
        {"中....", "中…"},
        {"中.....", "中……"},
        {"中.......", "中……"},
        {"中........,", "中……，"},
        {"中..", "中"},
        {"中．．．", "中…"},
        {"中…．", "中…"},
        {"。。,", "……，"},
        {"…。", "…"},
        {"………,", "……，"},
        {"…….", "……"},
        // A removal brings marks together for the steps after it.
        {"..，..，", "，"},
        {"中文，..，好", "中文，好"},
        {"。..。", "……"},
        {"中,..,", "中，"},
    };
    for (const auto& c : cases) {
        const std::string in = g(c.input);
        EXPECT_GB_EQ(correctPunctuation(in), g(c.expected)) << c.input;
        EXPECT_GB_EQ(correctPunctuationInSteps(in), g(c.expected)) << c.input;
    }
}

TEST(CorrectPunctuation, SinglePassAgreesWithTheStepsAroundOpaqueBytes) {
    // A lone lead byte before a mark or parenthesis takes in the first byte
    // of its wide form; the bytes after it then parse differently.
    const std::string lines[] = {
        std::string("\x81.", 2),
        std::string("\x81.,", 3),
        std::string("\x81.\xA1\xA1,", 5),
        std::string("\x81(.", 3),
        std::string("\x81(\xA1\xA1.", 5),
        std::string("\x81)\xA1\xA1,", 5),
        std::string("\x81)\xA1\xAD\xA1\xAD\xA1\xAD", 8),
        std::string("\x81<<.", 4),
        std::string("\x81\x30.", 3),
        std::string("\x81\x30\x81.", 4),
        std::string("\x80.\xFF,", 4),
        std::string("\0.", 2),
        std::string("\xB0\xA3\xAE.", 4),  // the bytes of "．" inside other characters
        std::string("\xA3\xAC\x81,", 4),
    };
    for (const auto& line : lines) EXPECT_GB_EQ(correctPunctuation(line), correctPunctuationInSteps(line)) << show(line);
}

TEST(CorrectPunctuation, NoStepJoinsALoneLeadByteWithAMark) {
    struct Bytes {
        std::string input, expected;
    };
    const Bytes cases[] = {
        {"\x81,", "\x81,"},
        {"\x81.", "\x81."},
        {"\x81...", "\x81."},  // no "…" beside the byte; step 6 then takes two dots
        {"\x81(x)", "\x81(x" + g("）")},
        {"\x81<<a>>", "\x81<<a" + g("》")},
        {"\x81\x30\x81:", "\x81\x30\x81:"},
        {"\x80,", "\x80" + g("，")},  // 80 leads nothing
    };
    for (const auto& c : cases) {
        EXPECT_GB_EQ(correctPunctuation(c.input), c.expected) << show(c.input);
        EXPECT_GB_EQ(correctPunctuationInSteps(c.input), c.expected) << show(c.input);
    }
    // A removal that would bring a lone lead byte and a digit together with
    // a lead byte and a digit after them (one four-byte character) is not made.
    const std::string fused = "\x81..\x30\x81\x30";
    EXPECT_GB_EQ(correctPunctuation(fused), fused);
    using folvane::testing::opaqueBytes;
    const std::string before[] = {"", "\x81", "\x81\x30\x81", g("中")};
    const std::string after[] = {"", "\x81", "0", ".", "..", g("。"), ",", "<<"};
    const auto fault = folvane::testing::firstCodeInContextWhere(before, after, [](const std::string& s) {
        return opaqueBytes(correctPunctuation(s)) == opaqueBytes(s) &&
               opaqueBytes(correctWidthAndPunctuation(s)) == opaqueBytes(s);
    });
    if (fault) {
        EXPECT_EQ(opaqueBytes(correctPunctuation(*fault)), opaqueBytes(*fault)) << show(*fault);
        EXPECT_EQ(opaqueBytes(correctWidthAndPunctuation(*fault)), opaqueBytes(*fault)) << show(*fault);
    }
}

TEST(CorrectPunctuation, SinglePassAgreesWithTheStepsOnRandomText) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {".", ".", ",", ",", "?", "!", ":", ";", "<", "<", ">", ">", "(", ")", " ", "a", g("中"), g("中"),
         g("…"), g("。"), g("．"), g("．"), g("，"), g("，"), g("　"), g("！"), g("《"), "\x81\x30\x81"});
    folvane::testing::RandomText rnd(77);
    std::string out, work;
    for (int round = 0; round < 40000; ++round) {
        const std::string line = round % 10 == 0 ? rnd.bytes(40) : rnd.pieces(pool, round % 3 == 0 ? 6 : 30);
        // The storage of the last line is used again, as line after line.
        correctPunctuationInto(line, out, work);
        EXPECT_GB_EQ(out, correctPunctuationInSteps(line)) << show(line);
    }
}

// The width conversions and the punctuation steps in one pass against the
// three one after another.
std::string widthThenPunctuation(std::string_view line) {
    return correctPunctuationInSteps(text::toFullWidth(text::toHalfWidth(line)));
}

TEST(CorrectWidthAndPunctuation, KnownForms) {
    const Case cases[] = {
        {"", ""},
        {"中文.a b", "中文。ａ　ｂ"},
        {"中。", "中。"},
        {".中", ".中"},     // a dot first on the line follows nothing
        {" .", "　."},       // the full-width space is half-width
        {"中...", "中…"},
        {"中。。。......", "中……"},
        {"中..", "中"},
        {"中,，,", "中，"},
        {"中…...", "中……"},
        {"…………", "……"},
        {"“a”—‘b’", "＂ａ＂－＇ｂ＇"},
        {"(<<>>)?!:;", "（＜＜＞＞）？！：；"},
    };
    for (const auto& c : cases) {
        const std::string in = g(c.input);
        EXPECT_GB_EQ(correctWidthAndPunctuation(in), g(c.expected)) << c.input;
        EXPECT_GB_EQ(widthThenPunctuation(in), g(c.expected)) << c.input;
    }
}

TEST(CorrectWidthAndPunctuation, EveryOneAndTwoByteCodeInEveryContext) {
    // After a lone lead byte the full-width forms would join it: those lines take the two passes.
    const std::string before[] = {"", "\x81", std::string("\0", 1), " ", g("中"), ".", g("…"), g("，")};
    const std::string after[] = {"", "\x81", "0", ".", "..", g("。"), g("…"), ","};
    const auto fault = folvane::testing::firstCodeInContextWhere(
        before, after, [](const std::string& s) { return correctWidthAndPunctuation(s) == widthThenPunctuation(s); });
    if (fault) {
        EXPECT_GB_EQ(correctWidthAndPunctuation(*fault), widthThenPunctuation(*fault)) << show(*fault);
    }
}

TEST(CorrectWidthAndPunctuation, AgreesWithTheThreeStepsOnRandomText) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {".", ".", ",", " ", "a", "\t", g("中"), g("中"), g("…"), g("。"), g("。"), g("．"), g("，"), g("　"),
         g("—"), g("“"), g("‘"), "\x81\x30\x81"});
    folvane::testing::RandomText rnd(91);
    std::string out, work;
    for (int round = 0; round < 40000; ++round) {
        const std::string line = round % 10 == 0 ? rnd.bytes(40) : rnd.pieces(pool, round % 3 == 0 ? 8 : 30);
        // `line` in `work`, as the typesetter hands it over.
        work = line;
        correctWidthAndPunctuationInto(work, out, work);
        EXPECT_GB_EQ(out, widthThenPunctuation(line)) << show(line);
    }
}

}  // namespace
}  // namespace folvane::corrections

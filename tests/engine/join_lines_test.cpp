#include "engine/join_lines.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "text/gb18030.h"
#include "text/search.h"

namespace folvane::engine {
namespace {

using folvane::testing::g;

const std::string kI = "\xA1\xA1\xA1\xA1";  // two full-width spaces

TypesetOptions spacing(bool dbl, bool triple, bool fill) {
    TypesetOptions o;
    o.doubleBreak = dbl;
    o.tripleBreak = triple;
    o.fillBlankLines = fill;
    return o;
}

struct JoinCase {
    const char* name;
    std::string input;
    TypesetOptions options;
    std::string indent;
    std::string expected;
};

TEST(JoinLines, RestoresTheLayoutOfEachSpacing) {
    const std::string a1 = g("甲行一"), a2 = g("甲行二。"), b1 = g("乙行一，"), b2 = g("乙行二！");
    const std::string joinedA = kI + g("甲行一甲行二。"), joinedB = kI + g("乙行一，乙行二！");
    auto lines = [&](const std::string& extra) {
        return kI + a1 + "\r\n" + extra + kI + a2 + "\r\n" + extra + kI + b1 + "\r\n" + extra + kI + b2;
    };
    const JoinCase cases[] = {
        {"single", lines(""), spacing(false, false, false), kI, joinedA + "\r\n" + joinedB},
        {"double", lines("\r\n"), spacing(true, false, false), kI, joinedA + "\r\n\r\n" + joinedB},
        {"double filled", lines(kI + "\r\n"), spacing(true, false, true), kI,
         joinedA + "\r\n" + kI + "\r\n" + joinedB},
        {"triple", lines("\r\n\r\n"), spacing(false, true, false), kI, joinedA + "\r\n\r\n\r\n" + joinedB},
        {"triple filled", lines(kI + "\r\n" + kI + "\r\n"), spacing(false, true, true), kI,
         joinedA + "\r\n" + kI + "\r\n" + kI + "\r\n" + joinedB},
        {"triple wins over double", lines("\r\n\r\n"), spacing(true, true, false), kI,
         joinedA + "\r\n\r\n\r\n" + joinedB},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(joinLines(c.input, c.indent, c.options), c.expected) << c.name;
}

TEST(JoinLines, WhichLineEndsAParagraph) {
    const TypesetOptions single;
    const JoinCase cases[] = {
        {"comma joins", g("甲，\r\n乙"), single, "", g("甲，乙")},
        {"enumeration comma joins", g("甲、\r\n乙"), single, "", g("甲、乙")},
        {"ellipsis joins", g("甲……\r\n乙"), single, "", g("甲……乙")},
        {"closing parenthesis joins", g("甲）\r\n乙"), single, "", g("甲）乙")},
        {"corner bracket joins", g("甲」\r\n乙"), single, "", g("甲」乙")},
        {"latin words glued", "hello\r\nworld", single, "", "helloworld"},
        {"every sentence end keeps its break",
         g("一。\r\n二？\r\n三.\r\n四?\r\n五!\r\n六！\r\n七}\r\n八】\r\n九]\r\n十>\r\n"
           "甲》\r\n乙”\r\n丙'\r\n丁：\r\n戊:\r\n己’\r\n庚"),
         single, "",
         g("一。\r\n二？\r\n三.\r\n四?\r\n五!\r\n六！\r\n七}\r\n八】\r\n九]\r\n十>\r\n"
           "甲》\r\n乙”\r\n丙'\r\n丁：\r\n戊:\r\n己’\r\n庚")},
        {"trail byte 0x5D is no ]", "\x81\x5D\r\nx", single, "", "\x81\x5Dx"},
        {"trail byte 0x7D is no }", "\x81\x7D\r\nx", single, "", "\x81\x7Dx"},
        {"opening quote joins", g("甲“\r\n乙"), single, "", g("甲“乙")},
        {"four-byte character joins", "\x95\x32\x82\x36\r\nx", single, "", "\x95\x32\x82\x36x"},
        {"break at the very start", "\r\nx", single, "", "x"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(joinLines(c.input, c.indent, c.options), c.expected) << c.name;
}

TEST(JoinLines, MarkersAndIndentation) {
    const TypesetOptions single;
    const JoinCase cases[] = {
        {"explicit mark ends a paragraph and vanishes", g("甲$Qelvo$行为艺术$\r\n乙"), single, "", g("甲\r\n乙")},
        {"explicit mark without a break stays", g("甲$Qelvo$行为艺术$乙"), single, "", g("甲$Qelvo$行为艺术$乙")},
        {"paragraph mark becomes the separator", g("甲$Qelvo$行为艺术二$乙"), single, "", g("甲\r\n乙")},
        {"paragraph mark with double spacing", g("甲$Qelvo$行为艺术二$乙"), spacing(true, false, false), kI,
         g("甲\r\n\r\n") + kI + g("乙")},
        {"empty indent still deletes full-width indentation", g("甲\r\n　　乙"), single, "", g("甲乙")},
        {"empty indent still deletes half-width indentation", g("甲\r\n    乙"), single, "", g("甲乙")},
        {"three half-width spaces: only the break goes", g("甲\r\n   乙"), single, "", g("甲   乙")},
        {"empty indent collapses adjacent marks", g("甲。\r\n$Qelvo$行为艺术$\r\n乙"), single, "", g("甲。\r\n乙")},
        {"break pairs brought together", "a\r\r\n\nb", single, "", "ab"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(joinLines(c.input, c.indent, c.options), c.expected) << c.name;
}

TEST(JoinLines, LineBreaksRemainOnlyInSeparators) {
    // Random mixtures of lines, breaks, marks and indentation.
    const std::string pieces[] = {"\r\n", "\r", "\n", kI, "    ", g("。"), g("，"), "x", g("中"),
                                  g("$Qelvo$行为艺术$"), g("$Qelvo$行为艺术二$"), "]", "\x81"};
    unsigned seed = 12345;
    for (int round = 0; round < 300; ++round) {
        std::string s;
        for (int k = 0; k < 40; ++k) {
            seed = seed * 1103515245u + 12345u;
            s += pieces[(seed >> 16) % std::size(pieces)];
        }
        const std::string out = joinLines(s, kI, spacing(true, false, false));
        // Every "\r\n" of the result lies inside a separator, unless
        // deleting it would join an opaque byte with the next bytes.
        std::vector<bool> covered(out.size(), false);
        for (std::size_t p : text::findAllAligned(out, "\r\n\r\n" + kI))
            for (std::size_t k = p; k < p + 4; ++k) covered[k] = true;
        for (std::size_t p = out.find("\r\n"); p != std::string::npos; p = out.find("\r\n", p + 1))
            EXPECT_TRUE((covered[p] && covered[p + 1]) ||
                        text::joinsOpaqueByte(std::string_view(out).substr(0, p), 0, std::string_view(out).substr(p + 2)))
                << folvane::testing::show(s);
        EXPECT_EQ(out.find(g("$Qelvo$行为艺术二$")), std::string::npos);
    }
}

}  // namespace
}  // namespace folvane::engine

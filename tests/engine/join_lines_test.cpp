#include "engine/join_lines.h"

#include <gtest/gtest.h>

#include "corrections/protected_spans.h"
#include "engine/paragraph_ends.h"
#include "gbtext.h"
#include "text/gb18030.h"
#include "text/search.h"
#include "text/spaces.h"

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

// The joining with explicit paragraph ends against the plain sequence of
// its steps: markParagraphEnds, then each step of joinLines as one pass.
std::string byTheSteps(const std::string& s, std::string_view indent, const TypesetOptions& o,
                       const std::vector<std::size_t>& breaks, bool pauses, bool links) {
    return joinLinesByTheSteps(markParagraphEnds(std::string(s), breaks, pauses, links), indent, o);
}

std::string joined(const std::string& s, std::string_view indent, const TypesetOptions& o,
                   const std::vector<std::size_t>& breaks, bool pauses, bool links) {
    ExplicitParagraphEnds ends(breaks, pauses, links);
    return joinLines(s, indent, o, &ends);
}

struct StepsCase {
    const char* name;
    std::string input;
    std::vector<std::size_t> breaks;
    bool pauses = false;
    bool links = false;
};

TEST(JoinLines, EqualsTheSequenceOfItsSteps) {
    const std::string m = g("$Qelvo$行为艺术二$"), e = g("$Qelvo$行为艺术$");
    const StepsCase cases[] = {
        {"empty text", "", {}},
        {"a break alone", "\r\n", {}},
        {"a named break alone", "\r\n", {0}},
        {"named break after a sentence end", kI + g("甲。\r\n") + kI + g("乙"), {0}},
        {"named break on a blank line", kI + g("甲，\r\n\r\n") + kI + g("乙"), {1}},
        {"named breaks around an indent line collapse", kI + g("甲\r\n") + kI + "\r\n" + kI + g("乙"), {0, 1}},
        {"named breaks in a row", g("甲\r\n\r\n\r\n乙"), {0, 1, 2}},
        {"sentence end then a named blank line", kI + g("甲。\r\n") + kI + "\r\n" + kI + g("乙"), {1}},
        {"a number past the last break", g("甲\r\n乙"), {0, 1, 5}},
        {"opaque lead before a deleted indent", "\x81\r\n" + kI + "\x40x", {}},
        {"opaque lead and digit before an indent", "\x81" "5\r\n" + kI + "\x81" "5", {}},
        {"opaque lead before a named break", "\x81\r\n" + kI + "\x40", {0}},
        {"opaque lead three bytes back", "\x81" "5\x81\r\n" + kI + "5", {}},
        {"opaque lead kept, then the next line joins", "\x81\r\n" + kI + g("\x40甲\r\n") + kI + g("乙"), {}},
        {"a line break made by an indent deletion", "a\r\r\n" + kI + "\nb", {}},
        {"carriage returns alone", g("甲\r乙\r\n") + kI + g("丙\r\r\n") + kI + "\r", {}},
        {"lone bytes left for the deletions", g("甲\r乙\n丙\r\n") + kI + g("丁\r"), {}},
        {"break pairs brought together", "a\r\r\n" + kI + "\n\r\n    b", {}},
        {"half-width indent after a kept break", g("甲，\r\n    乙\r\n\r\n") + kI + g("丙"), {}},
        {"four-byte character before a break", "\x95\x32\x82\x36\r\n" + kI + "x", {}},
        {"trail byte 0x5D before a break", "\x81\x5D\r\n" + kI + "x", {}},
        {"indent run after a lead byte", "\xA1\r\n" + kI + "\xA1\r\n", {}},
        {"dollar signs without the mark's letter", g("价$5。\r\n") + kI + g("$\r\n") + kI + "$", {0}},
        {"the mark's letter without dollar signs", g("Q甲\r\n") + kI + g("Qelvo行为艺术二\r\n") + kI + "Q", {1}},
        {"a typed paragraph mark", g("甲") + m + kI + m + g("乙\r\n") + kI + g("丙"), {}},
        {"a typed explicit mark before a break", g("甲") + e + "\r\n" + kI + g("乙"), {}},
        {"a mark made by a deletion", g("甲$Qelvo$行为\r\n") + kI + g("艺术二$乙"), {}},
        {"a mark made by deletions from its letters", g("甲$Q\r\n") + kI + g("elvo$行为艺术二$乙"), {}},
        {"a pause ends a paragraph", kI + g("甲……\r\n") + kI + g("乙——\r\n") + kI + g("丙"), {}, true},
        {"a link ends a paragraph", kI + g("见 http://a.example/b\r\n") + kI + g("乙"), {}, false, true},
        {"text after the last break is never named", kI + g("甲……"), {0}, true, true},
    };
    const std::string indents[] = {"", "    ", kI};
    const TypesetOptions spacings[] = {spacing(false, false, false), spacing(true, false, false),
                                       spacing(true, false, true), spacing(false, true, false),
                                       spacing(false, true, true)};
    for (const auto& c : cases) {
        for (const auto& indent : indents) {
            for (const auto& o : spacings) {
                EXPECT_GB_EQ(joined(c.input, indent, o, c.breaks, c.pauses, c.links),
                             byTheSteps(c.input, indent, o, c.breaks, c.pauses, c.links))
                    << c.name << " / indent " << indent.size() << " / double " << o.doubleBreak;
                EXPECT_GB_EQ(joinLines(c.input, indent, o), joinLinesByTheSteps(c.input, indent, o)) << c.name;
            }
        }
    }
}

TEST(JoinLines, EqualsTheSequenceOfItsStepsOnRandomTexts) {
    // Line breaks, indents, sentence ends, opaque bytes and bytes that can
    // join them, and the marks' bytes: '$' and 'Q' are never both in one
    // text unless the round asks for them.
    const std::string common[] = {"\r\n", "\r\n", "\r\n", "\r", "\n", kI, kI, "    ", " ", g("。"), g("，"), "x",
                                  g("中"), "]", "\x81", "\x81", "5", "\x40", "\xA1", "\x95\x32\x82\x36", g("…"),
                                  g("——"), "http://a.b/c"};
    const std::string dollars[] = {"$", g("$Qelvo$"), g("行为艺术二$")};
    const std::string letters[] = {"Q", "Qelvo", g("行为艺术$")};
    const std::string marks[] = {g("$Qelvo$行为艺术$"), g("$Qelvo$行为艺术二$"), "$", "$Q", "elvo$", g("行为艺术二$")};
    const std::string indents[] = {"", "    ", kI};
    unsigned seed = 2024;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int round = 0; round < 3000; ++round) {
        const unsigned kind = round % 4;  // 0: plain, 1: '$', 2: 'Q', 3: both and whole marks
        std::string s;
        std::size_t breaks = 0;
        const int pieces = 1 + static_cast<int>(next(40));
        for (int k = 0; k < pieces; ++k) {
            const unsigned pick = next(10);
            if (kind == 1 && pick == 0) s += dollars[next(std::size(dollars))];
            else if (kind == 2 && pick == 0) s += letters[next(std::size(letters))];
            else if (kind == 3 && pick == 0) s += marks[next(std::size(marks))];
            else s += common[next(std::size(common))];
        }
        for (std::size_t p = s.find("\r\n"); p != std::string::npos; p = s.find("\r\n", p + 2)) ++breaks;
        std::vector<std::size_t> named;
        for (std::size_t b = 0; b < breaks + 1; ++b)
            if (next(4) == 0) named.push_back(b);
        const std::string& indent = indents[next(3)];
        const TypesetOptions o = spacing(next(2) == 0, next(3) == 0, next(2) == 0);
        const bool pauses = next(2) == 0, links = next(2) == 0;
        EXPECT_GB_EQ(joined(s, indent, o, named, pauses, links), byTheSteps(s, indent, o, named, pauses, links))
            << folvane::testing::show(s);
        EXPECT_GB_EQ(joinLines(s, indent, o), joinLinesByTheSteps(s, indent, o)) << folvane::testing::show(s);
    }
}

TEST(ExplicitParagraphEnds, ALineEndsInALinkAsItsStretchesSay) {
    // Lines ending in links, addresses, code and ticker suffixes, in
    // Chinese text and punctuation, against the stretches found in full.
    const std::string pieces[] = {"https://a.cn/", g("文件"), "www.", "WwW.", "x.example", "a@b.cn", "`", "code",
                                  g("阿里"), ".US", g("。"), g("，"), " ", g("　"), ":", ".", ")", "(", "\x81",
                                  "\x81\x40", "5", "\x95\x32\x82\x36", "ftp://", "//"};
    const std::vector<std::size_t> none;
    unsigned seed = 77;
    for (int round = 0; round < 4000; ++round) {
        std::string line;
        const int count = 1 + round % 8;
        for (int k = 0; k < count; ++k) {
            seed = seed * 1103515245u + 12345u;
            line += pieces[(seed >> 16) % std::size(pieces)];
        }
        ExplicitParagraphEnds ends(none, false, true);
        EXPECT_EQ(ends.at(line, 0), corrections::endsInProtectedSpan(text::trimSpaces(line)))
            << folvane::testing::show(line);
    }
}

}  // namespace
}  // namespace folvane::engine

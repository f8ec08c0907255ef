#include "corrections/spacing.h"

#include <gtest/gtest.h>

#include "corrections/protected_spans.h"
#include "gbtext.h"
#include "random_text.h"

namespace folvane::corrections {
namespace {

using folvane::testing::g;
using folvane::testing::show;

TEST(SpaceHanLatin, Table) {
    struct Case {
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {"在Linux上运行3个程序", "在 Linux 上运行 3 个程序"},
        {"iPhone15发布", "iPhone15 发布"},
        {"第3章", "第 3 章"},
        // Left alone: a space already there, full-width punctuation, symbols.
        {"在 Linux 上", "在 Linux 上"},
        {"用Linux，很好", "用 Linux，很好"},
        {"（Linux）系统", "（Linux）系统"},
        {"增长了50%以上", "增长了 50% 以上"},
        {"气温30°C左右", "气温 30°C 左右"},
        {"“Hello”他说", "“Hello”他说"},
        {"Ｌｉｎｕｘ系统", "Ｌｉｎｕｘ系统"},  // full-width letters are no ASCII
        {"hello world", "hello world"},
        {"纯中文的句子。", "纯中文的句子。"},
        {"", ""},
        // Nothing inside a link, an address or code; a space before them.
        {"访问https://例子.cn/文件A.html", "访问 https://例子.cn/文件A.html"},
        {"写信给me@example.com吧", "写信给 me@example.com 吧"},
        {"运行`ls中文a`命令", "运行`ls中文a`命令"},
        // Characters of four bytes: extension A and beyond the basic plane.
        {"㐀a𠀀b", "㐀 a 𠀀 b"},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(spaceHanLatin(g(c.input)), g(c.expected)) << c.input;
}

TEST(SpaceHanLatin, AlignedOnCharacters) {
    // "丄" is 0x81 0x41: its second byte is "A", which is no letter here.
    EXPECT_GB_EQ(spaceHanLatin(g("丄丄")), g("丄丄"));
    EXPECT_GB_EQ(spaceHanLatin(g("丄B")), g("丄 B"));
}

TEST(ProtectedSpans, Table) {
    struct Case {
        const char* line;
        std::vector<const char*> spans;  // the protected texts, in order
    };
    const Case cases[] = {
        {"请打开URL地址 https://google.com/这是URL文件名.html 访问", {"https://google.com/这是URL文件名.html"}},
        {"见https://en.wikipedia.org/wiki/Foo_(bar)。", {"https://en.wikipedia.org/wiki/Foo_(bar)"}},
        {"（见https://a.cn/x）", {"https://a.cn/x"}},
        {"(see https://a.cn/x).", {"https://a.cn/x"}},
        {"网址www.example.com，请记住", {"www.example.com"}},
        {"ftp://host/a.txt, http://b.cn", {"ftp://host/a.txt", "http://b.cn"}},
        {"阿里巴巴.US涨了", {".US"}},
        {"联系me.you+x@mail.example.org。", {"me.you+x@mail.example.org"}},
        {"用`a.b(c)`和`d`", {"`a.b(c)`", "`d`"}},
        // Not protected.
        {"中文.English", {}},
        {"an unclosed `tick", {}},
        {"version 1.0", {}},
        {"http:// alone", {}},
        {"user@host", {}},
        {"a . US", {}},
    };
    for (const auto& c : cases) {
        const std::string line = g(c.line);
        std::vector<std::string> got;
        for (const Span& s : protectedSpans(line)) got.push_back(line.substr(s.start, s.end - s.start));
        std::vector<std::string> expected;
        for (const char* e : c.spans) expected.push_back(g(e));
        EXPECT_EQ(got, expected) << c.line;
    }
}

// A line is searched for stretches only when it holds a byte that one of
// them needs. " @" after a line cannot change the line's stretches (a space
// ends every stretch, and "@" alone starts none) but always lets the search
// run, so a line must have the same stretches with and without it.
TEST(ProtectedSpans, SkippingLinesWithoutAnchorsFindsTheSame) {
    const std::vector<std::string> pool = folvane::testing::withBoundaryBytes(
        {"www", "WwW", "ww", ".", ".", ":", "//", "/", "@", "`", "a", "Z", "US", "cn", " ", g("中"), g("。"), "http",
         "://", "x.cn", "(", ")", "\x81", "\x95\x32\x82\x36"});
    folvane::testing::RandomText rnd(23);
    for (int round = 0; round < 20000; ++round) {
        const std::string line = rnd.pieces(pool, 24);
        const std::vector<Span> spans = protectedSpans(line);
        ASSERT_EQ(spans, protectedSpans(line + " @")) << show(line);
        EXPECT_EQ(endsInProtectedSpan(line), !spans.empty() && spans.back().end == line.size()) << show(line);
        std::vector<Span> reused = {{1, 2}};
        protectedSpansInto(line, reused);
        EXPECT_EQ(reused, spans) << show(line);
    }
}

TEST(ProtectedSpans, AnchorsAtTheEdges) {
    struct Case {
        const char* name;
        std::string line;
        std::vector<Span> spans;
        bool endsInSpan;
    };
    const Case cases[] = {
        {"empty line", "", {}, false},
        {"www in capitals", "WWW.A.CN", {{0, 8}}, true},
        {"www at the start, nothing after", "www.", {}, false},
        {"ticker at the line end", "ab.US", {{2, 5}}, true},
        {"scheme cut by the line end", "x http:/", {}, false},
        {"colon without slashes", "a:b//c", {}, false},
        {"ticker after the sixteenth byte", std::string(15, 'x') + "y.AB", {{16, 19}}, true},
        {"dot that ends a sixteen-byte block", std::string(15, 'x') + ".AB c", {{15, 18}}, false},
        {"code at the line end", g("用`x`"), {{2, 5}}, true},
        {"address then prose", g("a@b.cn。"), {{0, 6}}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(protectedSpans(c.line), c.spans) << c.name;
        EXPECT_EQ(endsInProtectedSpan(c.line), c.endsInSpan) << c.name;
    }
}

}  // namespace
}  // namespace folvane::corrections

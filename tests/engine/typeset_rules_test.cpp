// The corrections users ask for on top of the classic pipeline: links kept
// whole, spaces between Chinese and Latin, joining that keeps headings.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/typeset.h"
#include "gbtext.h"
#include "text/codec.h"

namespace folvane::engine {
namespace {

using folvane::testing::g;
using O = TypesetOptions;

const std::string kI = "\xA1\xA1\xA1\xA1";

// The default configuration without the new switches (protectLinks is part
// of it), then `fields` on.
TypesetOptions on(std::initializer_list<bool O::*> fields) {
    TypesetOptions o = TypesetOptions::defaults();
    o.protectLinks = false;
    for (auto f : fields) o.*f = true;
    return o;
}

std::string run(std::string_view text, const TypesetOptions& o) {
    RunContext ctx;
    return typesetText(text, {}, false, o, ctx);
}

TEST(ProtectLinks, LinksAddressesAndCodePassEveryCorrection) {
    const char* protectedTexts[] = {
        "https://google.com/这是URL文件名.html",
        "https://en.wikipedia.org/wiki/Foo_(bar)",
        "阿里巴巴.US",
        "www.example.com/a,b?x=1",
        "me.you+x@mail.example.org",
        "`if (a...b) { x = \"y\"; }`",
        "ftp://host/'quoted'/path",
    };
    // Every correction that rewrites characters, alone and all together.
    const std::vector<TypesetOptions> switches = {
        on({&O::fixPunctuation}),
        on({&O::fixQuotes}),
        on({&O::halfToFullWidth}),
        on({&O::fullToHalfWidth}),
        on({&O::fixPunctuation, &O::fixQuotes, &O::spaceHanLatin}),
    };
    for (const char* p : protectedTexts) {
        for (TypesetOptions o : switches) {
            o.protectLinks = true;
            const std::string line = g("请打开 ") + g(p) + g(" 访问");
            const std::string out = run(line, o);
            EXPECT_NE(out.find(g(p)), std::string::npos) << p << "\n" << folvane::testing::show(out);
        }
    }
}

TEST(ProtectLinks, TheBrokenCasesAndWhatStillIsCorrected) {
    struct Case {
        const char* input;
        const char* expected;  // with fixPunctuation, fixQuotes and protectLinks
    };
    const Case cases[] = {
        {"请打开URL地址 https://google.com/这是URL文件名.html 访问",
         "请打开URL地址 https://google.com/这是URL文件名.html 访问"},
        {"见https://en.wikipedia.org/wiki/Foo_(bar)。", "见https://en.wikipedia.org/wiki/Foo_(bar)。"},
        {"阿里巴巴.US涨了", "阿里巴巴.US涨了"},
        // Around the protected text the corrections still work.
        {"他说:\"看https://a.cn/x\",好", "他说：“看https://a.cn/x”,好"},  // "," after "\"" stays, as without links
        {"中文.English", "中文。English"},
    };
    const TypesetOptions o = on({&O::fixPunctuation, &O::fixQuotes, &O::protectLinks});
    for (const auto& c : cases) EXPECT_GB_EQ(run(g(c.input), o), kI + g(c.expected)) << c.input;
    // Without the switch, the old behaviour.
    EXPECT_GB_EQ(run(g("阿里巴巴.US"), on({&O::fixPunctuation})), kI + g("阿里巴巴。US"));
}

TEST(ProtectLinks, ALineEndingInALinkIsNotJoinedIntoIt) {
    const std::string in = g("网址是https://a.cn/x\r\n下一行，\r\n再一行。");
    EXPECT_GB_EQ(run(in, on({&O::joinNonParagraphBreaks, &O::protectLinks})),
                 kI + g("网址是https://a.cn/x\r\n") + kI + g("下一行，再一行。"));
    EXPECT_GB_EQ(run(in, on({&O::joinNonParagraphBreaks})), kI + g("网址是https://a.cn/x下一行，再一行。"));
}

TEST(SmartJoin, HeadingsPausesAndLinesThatStillJoin) {
    struct Case {
        const char* name;
        const char* input;
        const char* expected;  // lines of the result, each after the indentation
    };
    const Case cases[] = {
        {"title before a blank line", "秋日的小城\r\n\r\n早上起来，\r\n推开窗户。", "秋日的小城|早上起来，推开窗户。"},
        {"chapter headings", "上一章的结尾，\r\n第一章 秋日\r\n正文第一行，\r\n第二行。\r\n第12回\r\n又一行",
         "上一章的结尾，|第一章 秋日|正文第一行，第二行。|第12回|又一行"},
        {"an ellipsis ends a paragraph", "我说等会儿就下去……\r\n小城的日子。", "我说等会儿就下去……|小城的日子。"},
        {"a dash ends a paragraph", "话没说完——\r\n他走了。", "话没说完——|他走了。"},
        {"dialogue", "他说：\r\n“你好。”\r\n她笑了", "他说：|“你好。”|她笑了"},
        {"a short line inside a paragraph is joined", "这是一行\r\n被折断的句子。", "这是一行被折断的句子。"},
        {"a long line before a blank line is joined",
         "这是一个相当长的句子被硬生生地折成了两半然后\r\n\r\n接着写。", "这是一个相当长的句子被硬生生地折成了两半然后接着写。"},
        {"a short line ending in a comma is no heading", "首先，\r\n\r\n其次。", "首先，其次。"},
        {"第 without a unit is no heading", "第一次见面\r\n就笑了。", "第一次见面就笑了。"},
    };
    for (const auto& c : cases) {
        std::string expected;
        std::string_view rest = c.expected;
        for (;;) {
            const std::size_t bar = rest.find('|');
            expected += kI + g(rest.substr(0, bar));
            if (bar == std::string_view::npos) break;
            expected += "\r\n";
            rest.remove_prefix(bar + 1);
        }
        EXPECT_GB_EQ(run(g(c.input), on({&O::joinNonParagraphBreaks, &O::smartJoin})), expected) << c.name;
    }
}

TEST(SmartJoin, KeepsEachLayout) {
    const std::string in = g("标题\r\n\r\n甲行一，\r\n甲行二。");
    const std::string H = kI + g("标题"), A = kI + g("甲行一，甲行二。");
    struct Case {
        std::initializer_list<bool O::*> extra;
        std::string expected;
    };
    const Case cases[] = {
        {{}, H + "\r\n" + A},
        {{&O::doubleBreak}, H + "\r\n\r\n" + A},
        {{&O::doubleBreak, &O::fillBlankLines}, H + "\r\n" + kI + "\r\n" + A},
        {{&O::tripleBreak}, H + "\r\n\r\n\r\n" + A},
    };
    for (const auto& c : cases) {
        TypesetOptions o = on({&O::joinNonParagraphBreaks, &O::smartJoin});
        for (auto f : c.extra) o.*f = true;
        EXPECT_GB_EQ(run(in, o), c.expected);
    }
}

TEST(SmartJoin, TheSampleArticleKeepsItsTitleAndParagraphs) {
    std::ifstream in(FOLVANE_SAMPLE_ARTICLE);
    ASSERT_TRUE(in);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string article = text::lfToCrLf(g(bytes.str()));
    const TypesetOptions o = on({&O::joinNonParagraphBreaks, &O::fixPunctuation, &O::fixQuotes, &O::smartJoin});
    const std::string out = text::gb18030ToUtf8(run(article, o));
    const std::string expected =
        "　　秋日的小城\r\n"
        "　　早上起来，推开窗户，看见巷子里的梧桐叶子已经黄了一半。卖豆浆的老张照例在街角支起了摊子，热气混着油条的香味，一直飘到三楼。\r\n"
        "　　他冲我喊：“下来吃早饭不？今天的油条刚出锅！”我笑着摆摆手，说等会儿就下去……\r\n"
        "　　小城的日子总是这样慢。邮局门口的长椅上坐着几个下棋的老人，棋盘是用粉笔画在石板上的，输了的人要请大家喝茶。有人说这里太安静，年轻人都往大城市跑了；可我觉得，安静也是一种福气。\r\n"
        "　　>>>\r\n"
        "　　傍晚的时候，河边的灯一盏一盏亮起来，倒映在水里，像一串被拉长的星星。";
    EXPECT_EQ(out, expected);
}

TEST(NewSwitches, OffChangesNothing) {
    // Texts full of what the new rules look at; with their switches off the
    // result is that of the classic pipeline, which their code never touches.
    const std::string text = g("标题\r\n\r\n在Linux上https://a.cn/x.html……\r\n第一章 开始\r\n阿里巴巴.US涨了");
    for (const TypesetOptions& base : {on({&O::joinNonParagraphBreaks, &O::fixPunctuation, &O::fixQuotes}),
                                       on({&O::halfToFullWidth, &O::doubleBreak})}) {
        TypesetOptions smartOnly = base;
        smartOnly.smartJoin = !base.joinNonParagraphBreaks;  // inert without joining
        EXPECT_EQ(run(text, base), run(text, smartOnly));
    }
}

TEST(MixedPunctuation, ActsWithPunctuationCorrectionOnly) {
    const std::string text = g("我买了iPhone,好开心.\r\n调用computed()后cd ..");
    const TypesetOptions plain = on({&O::fixPunctuation});
    TypesetOptions mixed = plain;
    mixed.mixedPunctuation = true;
    EXPECT_NE(run(text, plain).find(g("computed（）")), std::string::npos);
    const std::string out = run(text, mixed);
    EXPECT_NE(out.find(g("我买了iPhone，好开心。")), std::string::npos) << folvane::testing::show(out);
    EXPECT_NE(out.find(g("调用computed()后cd ..")), std::string::npos) << folvane::testing::show(out);
    // Without the punctuation correction the switch is inert, also with
    // both width conversions, whose fused pass it turns off.
    TypesetOptions inert = on({&O::halfToFullWidth, &O::fullToHalfWidth});
    const std::string before = run(text, inert);
    inert.mixedPunctuation = true;
    EXPECT_EQ(run(text, inert), before);
    // With the widths, the mixed correction runs on what they give.
    TypesetOptions widths = mixed;
    widths.halfToFullWidth = widths.fullToHalfWidth = true;
    EXPECT_NE(run(text, widths).find(g("ｉＰｈｏｎｅ")), std::string::npos);
}

}  // namespace
}  // namespace folvane::engine

// Markdown mode: every construct of CommonMark and GFM, front matter, math
// and raw HTML, each with prose around it. Only the prose may change.
#include <gtest/gtest.h>

#include "engine/document_typeset.h"
#include "gbtext.h"
#include "text/codec.h"

namespace folvane::engine {
namespace {

using folvane::testing::g;
using folvane::testing::show;

TypesetOptions linter() {
    TypesetOptions o;
    o.fixPunctuation = o.fixQuotes = o.spaceHanLatin = o.protectLinks = true;
    return o;
}

std::string run(std::string_view gbText, const TypesetOptions& o = linter()) {
    RunContext ctx;
    return typesetMarkdown(gbText, o, ctx);
}

struct Row {
    const char* name;
    const char* in;
    const char* out;  // nullptr: unchanged
};

// "甲,乙" is prose that the punctuation correction changes ("甲，乙").
const Row kConstructs[] = {
    {"paragraph", "甲,乙", "甲，乙"},
    {"ATX heading and its closing marks", "# 甲,乙 #", "# 甲，乙 #"},
    {"setext heading and its underline", "甲,乙\n---", "甲，乙\n---"},
    {"thematic breaks", "甲,乙\n\n***\n\n- - -\n\n丙,丁", "甲，乙\n\n***\n\n- - -\n\n丙，丁"},
    {"fenced code", "甲,乙\n\n```js\nfoo(1,2); cd ..; \"x\"\n甲,乙\n```\n\n丙,丁",
     "甲，乙\n\n```js\nfoo(1,2); cd ..; \"x\"\n甲,乙\n```\n\n丙，丁"},
    {"tilde fence", "~~~\n甲,乙\n~~~\n甲,乙", "~~~\n甲,乙\n~~~\n甲，乙"},
    {"indented code", "甲,乙\n\n    甲,乙 a,b\n\n丙,丁", "甲，乙\n\n    甲,乙 a,b\n\n丙，丁"},
    {"inline code", "甲,`a,b`乙,丙", "甲，`a,b`乙，丙"},
    {"inline code of two backticks", "甲,``a`,b``乙", "甲，``a`,b``乙"},
    {"link text, destination and title", "甲,[乙,丙](http://a.cn/x,y \"题,目\")丁,戊",
     "甲，[乙，丙](http://a.cn/x,y \"题,目\")丁，戊"},
    {"relative destination with dots", "见[上一章,概述](../design/a.md)。", "见[上一章，概述](../design/a.md)。"},
    {"image description and destination", "![图,片](a,b.png \"t,u\")甲,乙", "![图，片](a,b.png \"t,u\")甲，乙"},
    {"reference link and its definition", "[甲,乙][r]丙,丁\n\n[r]: http://x.cn/a,b \"题,目\"",
     "[甲，乙][r]丙，丁\n\n[r]: http://x.cn/a,b \"题,目\""},
    {"autolinks", "甲,<https://a.cn/中文,x>乙,<a@b.cn>丙", "甲，<https://a.cn/中文,x>乙，<a@b.cn>丙"},
    // A bare address after a Chinese character is prose to the reader (no
    // link): its stretch is protected, and the space goes beside it.
    {"bare addresses", "见www.example.com/a,b,和https://x.cn/中文,y", "见 www.example.com/a,b,和https://x.cn/中文,y"},
    {"HTML block", "<div title=\"a,b\">\n甲,乙\n</div>\n\n丙,丁", "<div title=\"a,b\">\n甲,乙\n</div>\n\n丙，丁"},
    {"inline HTML keeps its attributes", "甲,<span title=\"a,b\" data-x='1'>乙,丙</span>",
     "甲，<span title=\"a,b\" data-x='1'>乙，丙</span>"},
    {"HTML comment", "<!-- 甲,乙 -->\n\n甲,<!-- 丙,丁 -->乙", "<!-- 甲,乙 -->\n\n甲，<!-- 丙,丁 -->乙"},
    {"script block", "<script>\nvar a = \"x\",b = '甲,乙';\n</script>\n\n甲,乙",
     "<script>\nvar a = \"x\",b = '甲,乙';\n</script>\n\n甲，乙"},
    {"YAML front matter", "---\ntitle: 甲,乙\ntags: [a,b]\n---\n\n甲,乙", "---\ntitle: 甲,乙\ntags: [a,b]\n---\n\n甲，乙"},
    {"TOML front matter", "+++\ntitle = \"甲,乙\"\n+++\n甲,乙", "+++\ntitle = \"甲,乙\"\n+++\n甲，乙"},
    {"a rule later on is no front matter", "甲,乙\n\n---\n丙,丁\n---", "甲，乙\n\n---\n丙，丁\n---"},
    {"inline math", "甲,$a,b$乙,$$c,d$$丙", "甲，$a,b$乙，$$c,d$$丙"},
    {"math with emphasis signs", "甲,$a_1,b_2$和$c*d*e$乙,丙", "甲，$a_1,b_2$和$c*d*e$乙，丙"},
    {"dollars that are no math", "价格$5,或$10,甲,乙", "价格$5,或$10,甲，乙"},
    {"math block", "甲,乙\n\n$$\na,b\n中,文\n$$\n\n丙,丁", "甲，乙\n\n$$\na,b\n中,文\n$$\n\n丙，丁"},
    {"footnote reference, label and text", "甲[^注,1]乙,丙\n\n[^注,1]: 注,释", "甲[^注,1]乙，丙\n\n[^注,1]: 注，释"},
    {"bullet and ordered list markers", "- 甲,乙\n\n* 丙,丁\n\n1. 戊,己\n2) 庚,辛",
     "- 甲，乙\n\n* 丙，丁\n\n1. 戊，己\n2) 庚，辛"},
    {"task list markers", "- [ ] 甲,乙\n- [x] 丙,丁", "- [ ] 甲，乙\n- [x] 丙，丁"},
    {"nested list with indentation", "- 甲,乙\n  - 丙,丁\n\n    戊,己", "- 甲，乙\n  - 丙，丁\n\n    戊，己"},
    {"table cells and delimiters", "| 甲,乙 | b,c |\n|:---|---:|\n| 丙,丁 | `c,d` |",
     "| 甲，乙 | b,c |\n|:---|---:|\n| 丙，丁 | `c,d` |"},
    {"hard breaks", "甲,乙  \n丙,丁\\\n戊,己", "甲，乙  \n丙，丁\\\n戊，己"},
    {"block quotes", "> 甲,乙\n> > 丙,丁\n> 戊,己", "> 甲，乙\n> > 丙，丁\n> 戊，己"},
    {"lazy continuation in a quote", "> 甲,乙\n丙,丁", "> 甲，乙\n丙，丁"},
    {"emphasis, strong, strikethrough", "*甲,乙*和**丙,丁**和~~戊,己~~和_庚,辛_",
     "*甲，乙*和**丙，丁**和~~戊，己~~和_庚，辛_"},
    {"backslash escapes", "甲\\,乙\\*丙,丁", "甲\\,乙\\*丙，丁"},
    {"entities", "甲&amp;乙,丙&#44;丁&nbsp;戊,己", "甲&amp;乙，丙&#44;丁&nbsp;戊，己"},
    {"leading spaces of a paragraph", "  甲,乙\n   丙,丁", "  甲，乙\n   丙，丁"},
    {"tab in prose", "甲\t乙,丙", "甲\t乙，丙"},
    {"disabled passage", "甲,乙\n<!-- folvane-disable -->\n丙,丁\n\n戊,己\n<!-- folvane-enable -->\n庚,辛",
     "甲，乙\n<!-- folvane-disable -->\n丙,丁\n\n戊,己\n<!-- folvane-enable -->\n庚，辛"},
    {"disabled up to the end", "<!-- folvane-disable -->\n\n甲,乙", nullptr},
    {"the next line disabled", "<!-- folvane-disable-next-line -->\n甲,乙\n丙,丁", "<!-- folvane-disable-next-line -->\n甲,乙\n丙，丁"},
    {"disable comment in code does nothing", "```\n<!-- folvane-disable -->\n```\n\n甲,乙", "```\n<!-- folvane-disable -->\n```\n\n甲，乙"},
    {"spaces beside emphasis and links, outside them", "中文**English**中文和[GitHub](https://github.com)网站",
     "中文 **English** 中文和 [GitHub](https://github.com) 网站"},
    {"spaces within emphasis stay within", "**中文English**", "**中文 English**"},
    {"no space beside code", "用`npm`安装", nullptr},
    {"quotes pair within one block", "他说\"甲\n\n她说\"乙\"", "他说“甲\n\n她说“乙”"},
    {"quotes pair across inline markers", "他说\"**甲**\"", "他说“**甲**”"},
    {"quotes in a table cell", "| \"甲\" | \"乙 |\n|---|---|\n| \"丙\" | 丁 |", "| “甲” | “乙 |\n|---|---|\n| “丙” | 丁 |"},
    {"empty document", "", nullptr},
    {"only markup", "# \n\n- \n\n```\n```", nullptr},
};

std::string crLf(std::string_view lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

TEST(MarkdownTypeset, OnlyTheProseOfEachConstructChanges) {
    for (const Row& r : kConstructs) {
        SCOPED_TRACE(r.name);
        const std::string expected = r.out ? r.out : r.in;
        // As the core holds texts ("\r\n"), as a file may have them ("\n"),
        // and with a last line break, which stays.
        for (const bool windows : {true, false}) {
            for (const char* end : {"", "\n"}) {
                const std::string in = std::string(r.in) + end;
                const std::string want = expected + end;
                const std::string got = run(g(windows ? crLf(in) : in));
                EXPECT_EQ(show(got), show(g(windows ? crLf(want) : want)));
                // A second run changes nothing.
                EXPECT_EQ(show(run(got)), show(got));
            }
        }
    }
}

TEST(MarkdownTypeset, NoSwitchNoChange) {
    for (const Row& r : kConstructs) EXPECT_EQ(run(g(r.in), TypesetOptions{}), g(r.in)) << r.name;
}

TEST(MarkdownTypeset, ParagraphSwitchesDoNotApply) {
    TypesetOptions o = TypesetOptions::defaults();  // indentation, blank lines, trimming
    o.joinNonParagraphBreaks = o.stripHeadNoise = o.stripTailNoise = o.doubleBreak = true;
    const std::string in = g("# 标题\r\n\r\n- 甲\r\n- 乙\r\n\r\n```\r\n  code\r\n```\r\n");
    EXPECT_EQ(show(run(in, o)), show(in));
}

TEST(MarkdownTypeset, BytesThatAreNoUtf8Stay) {
    // An opaque GB18030 byte and one that stands for a stray UTF-8 byte: the
    // lines with them keep every byte; the other lines are corrected.
    const std::string opaque = g("甲,乙") + "\x81" + g(",丙\r\n\r\n丁,戊");
    const std::string got = run(opaque);
    EXPECT_NE(got.find("\x81"), std::string::npos);
    EXPECT_TRUE(got.ends_with(g("丁，戊"))) << show(got);
    const std::string nul = std::string("a\0b", 3) + g(",甲\r\n");
    EXPECT_EQ(run(nul).size(), nul.size() + 0);
}

TEST(MarkdownTypeset, ScriptConversionActsOnProseOnly) {
    struct Converter final : corrections::ScriptConverter {
        std::string convert(std::string_view t, corrections::ScriptDirection, corrections::ScriptStandard) const override {
            std::string s(t);
            const std::string from = g("甲"), to = g("乙");
            for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + 2)) s.replace(p, 2, to);
            return s;
        }
    } converter;
    RunContext ctx;
    ctx.scriptConverter = &converter;
    TypesetOptions o;
    o.toTraditional = true;
    const std::string in = g("甲`甲`[甲](甲.md)\r\n\r\n```\r\n甲\r\n```\r\n<!-- 甲 -->\r\n");
    const std::string want = g("乙`甲`[乙](甲.md)\r\n\r\n```\r\n甲\r\n```\r\n<!-- 甲 -->\r\n");
    EXPECT_EQ(show(typesetMarkdown(in, o, ctx)), show(want));
    std::vector<Change> changes;
    EXPECT_EQ(show(typesetMarkdown(in, o, ctx, &changes)), show(want));
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].column, 6u);
    EXPECT_EQ(changes[1].rule, "toTraditional");
}

TEST(MarkdownTypeset, ChangeRecordsNameTheSwitchAndThePlace) {
    const std::string in = g("# 标题\r\n\r\n用Python写,好\"玩\"\r\n");
    std::vector<Change> changes;
    RunContext ctx;
    const std::string out = typesetMarkdown(in, linter(), ctx, &changes);
    EXPECT_EQ(out, run(in));  // the same result as without records
    struct Want {
        std::size_t line, column, endColumn;
        const char* rule;
        const char* before;
        const char* after;
    };
    const Want want[] = {
        {3, 2, 2, "spaceHanLatin", "", " "},
        {3, 8, 8, "spaceHanLatin", "", " "},
        {3, 9, 10, "fixPunctuation", ",", "，"},
        {3, 11, 12, "fixQuotes", "\"", "“"},
        {3, 13, 14, "fixQuotes", "\"", "”"},
    };
    ASSERT_EQ(changes.size(), std::size(want));
    for (std::size_t i = 0; i < changes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(changes[i].line, want[i].line);
        EXPECT_EQ(changes[i].endLine, want[i].line);
        EXPECT_EQ(changes[i].column, want[i].column);
        EXPECT_EQ(changes[i].endColumn, want[i].endColumn);
        EXPECT_EQ(changes[i].rule, want[i].rule);
        EXPECT_EQ(show(changes[i].before), want[i].before);
        EXPECT_EQ(show(changes[i].after), want[i].after);
    }
}

TEST(MarkdownTypeset, RecordsAndResultAgreeOnEveryConstruct) {
    for (const Row& r : kConstructs) {
        const std::string in = g(crLf(r.in));
        std::vector<Change> changes;
        RunContext ctx;
        EXPECT_EQ(show(typesetMarkdown(in, linter(), ctx, &changes)), show(run(in))) << r.name;
        EXPECT_EQ(changes.empty(), run(in) == in) << r.name;
    }
}

// Steps that undo each other's change (a width conversion the punctuation
// step turns back) change nothing and are not reported (found by fuzzing).
TEST(MarkdownTypeset, StepsThatCancelOutRecordNothing) {
    TypesetOptions o;
    o.fixPunctuation = o.halfToFullWidth = o.fullToHalfWidth = true;
    o.fixQuotes = o.spaceHanLatin = o.protectLinks = false;
    const std::string in("\xD2\xD2\xD2\x8B\x8B\x9A\xD5\n.");
    std::vector<Change> changes;
    RunContext ctx;
    EXPECT_EQ(show(typesetMarkdown(in, o, ctx, &changes)), show(in));
    EXPECT_TRUE(changes.empty()) << changes.size() << " " << (changes.empty() ? "" : changes[0].rule);
}

TEST(DocumentFormat, ByName) {
    struct Case {
        const char* path;
        DocumentFormat format;
    };
    for (const Case& c : {Case{"a.md", DocumentFormat::Markdown}, Case{"docs/A.MARKDOWN", DocumentFormat::Markdown},
                          Case{"x.mdown", DocumentFormat::Markdown}, Case{"a.txt", DocumentFormat::Text},
                          Case{"md", DocumentFormat::Text}, Case{".md", DocumentFormat::Text},
                          Case{"a.md.txt", DocumentFormat::Text}, Case{"dir.md/a", DocumentFormat::Text},
                          Case{"c:\\docs\\a.md", DocumentFormat::Markdown}})
        EXPECT_EQ(documentFormatOfPath(c.path), c.format) << c.path;
    EXPECT_EQ(documentFormatNamed("markdown"), DocumentFormat::Markdown);
    EXPECT_EQ(documentFormatNamed("md"), std::nullopt);
    EXPECT_TRUE(appliesToMarkdown("fixQuotes"));
    EXPECT_FALSE(appliesToMarkdown("addIndent"));
}

}  // namespace
}  // namespace folvane::engine

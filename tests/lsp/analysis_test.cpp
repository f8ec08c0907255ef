#include "lsp/analysis.h"

#include <gtest/gtest.h>

#include <random>

#include "cli_run.h"
#include "corrections/dictionary_converter.h"

namespace folvane::lsp {
namespace {

using engine::DocumentFormat;

DocumentSetup markdown() { return {DocumentFormat::Markdown, engine::markdownDefaults(), {}}; }
DocumentSetup plainText() { return {DocumentFormat::Text, engine::TypesetOptions::defaults(), {}}; }

// The document with every fix applied, as an editor applies the edits.
std::string applied(const std::string& text, const std::vector<Fix>& fixes, PositionEncoding e) {
    const LineIndex index(text);
    PositionCursor cursor(text, index, e);
    std::string out;
    std::size_t done = 0;
    for (const Fix& f : fixes) {
        const std::size_t a = cursor.offsetOf(f.start), b = cursor.offsetOf(f.end);
        out.append(text, done, a - done);
        out += f.newText;
        done = b;
    }
    return out + text.substr(done);
}

const corrections::DictionaryConverter& converter() {
    static const corrections::DictionaryConverter c;
    return c;
}

TEST(AnalyseDocument, RangesCountTheAgreedUnitsPastCharactersOutsideTheBmp) {
    // "," behind 😀 (U+1F600) and 𠀀 (U+20000, CJK Extension B): four
    // bytes of UTF-8, two UTF-16 units, one character each.
    struct Case {
        PositionEncoding encoding;
        Position start, end;
    };
    const std::string text = "中😀𠀀,文\n";
    const Case cases[] = {
        {PositionEncoding::Utf16, {0, 5}, {0, 6}},
        {PositionEncoding::Utf8, {0, 11}, {0, 12}},
        {PositionEncoding::Utf32, {0, 3}, {0, 4}},
    };
    for (const Case& c : cases) {
        const Analysis a = analyseDocument(text, markdown(), nullptr, c.encoding);
        ASSERT_EQ(a.fixes.size(), 1u) << positionEncodingName(c.encoding);
        EXPECT_EQ(a.fixes[0].start, c.start) << positionEncodingName(c.encoding);
        EXPECT_EQ(a.fixes[0].end, c.end) << positionEncodingName(c.encoding);
        EXPECT_EQ(a.fixes[0].newText, "，");
        EXPECT_EQ(a.fixes[0].rules, std::vector<std::string>{"fixPunctuation"});
    }
}

TEST(AnalyseDocument, EachFixNamesTheSwitchesThatMadeIt) {
    struct Case {
        std::string text;
        std::vector<std::vector<std::string>> rules;
    };
    const Case cases[] = {
        {"中文English混排,好\n", {{"spaceHanLatin"}, {"spaceHanLatin"}, {"fixPunctuation"}}},
        {"好,English\n", {{"fixPunctuation"}}},  // no space after "，"
        {"`code,好` 和 [链接,a](http://x.y/a,b)\n", {{"fixPunctuation"}}},
        {"<!-- folvane-disable -->\n不改,这里\n<!-- folvane-enable -->\n改,这里\n", {{"fixPunctuation"}}},
        {"```\n代码,这里\n```\n", {}},
    };
    for (const Case& c : cases) {
        const Analysis a = analyseDocument(c.text, markdown(), nullptr, PositionEncoding::Utf16);
        std::vector<std::vector<std::string>> rules;
        for (const Fix& f : a.fixes) rules.push_back(f.rules);
        EXPECT_EQ(rules, c.rules) << c.text;
    }
    // Plain text is typeset as a whole: its paragraphs' changes are "typeset".
    const Analysis a = analyseDocument("第一段\n", plainText(), nullptr, PositionEncoding::Utf16);
    ASSERT_EQ(a.fixes.size(), 1u);
    EXPECT_EQ(a.fixes[0].rules, std::vector<std::string>{"typeset"});
    EXPECT_EQ(a.fixes[0].newText, "\u3000\u3000");
}

// The fixes together give what folvane-cli writes for the same document,
// byte for byte, in every encoding and with either kind of line break.
TEST(AnalyseDocument, AllFixesGiveWhatTheCommandLineWrites) {
    struct Case {
        std::string text;
        std::vector<std::string> args;  // of folvane-cli, besides the format
        DocumentSetup setup;
    };
    const std::string md =
        "---\ntitle: a,b\n---\n# 标题😀,好\n\n中文English混排,这是😀测试.\n\n- 列表𠀀项,好的\n- [x] 任务,完成\n\n"
        "```\ncode, here\n```\n\n| 表,头 | b |\n|---|---|\n| 中文abc | 😀, |\n\n<!-- folvane-disable -->\n不改,这里\n"
        "<!-- folvane-enable -->\n他说\"你好\",然后走了.\n";
    const std::string txt = "第一段,没有缩进😀\n第二行𠀀.\n\n\n  第三段 \n";
    DocumentSetup quotesTw = markdown();
    quotesTw.options.fixQuotes = quotesTw.options.toTraditional = true;
    quotesTw.standard = corrections::ScriptStandard::Taiwan;
    DocumentSetup joined = plainText();
    joined.options.joinNonParagraphBreaks = joined.options.fixPunctuation = true;
    auto crlf = [](std::string s) {
        std::string out;
        for (char c : s) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return out;
    };
    const Case cases[] = {
        {md, {"--format", "markdown"}, markdown()},
        {crlf(md), {"--format", "markdown"}, markdown()},
        {md, {"--format", "markdown", "--set", "fixQuotes=1", "--set", "toTraditional=1", "--standard", "tw"}, quotesTw},
        {txt, {"--format", "text"}, plainText()},
        {crlf(txt), {"--format", "text"}, plainText()},
        {txt.substr(0, txt.size() - 1), {"--format", "text"}, plainText()},
        {txt, {"--format", "text", "--set", "joinNonParagraphBreaks=1", "--set", "fixPunctuation=1"}, joined},
        {"", {"--format", "text"}, plainText()},
        {"\n\n\n", {"--format", "markdown"}, markdown()},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--no-rc", "--encoding", "utf-8", "-"});
        const testing::CliRun cli = testing::runCliInProcess(args, c.text);
        ASSERT_EQ(cli.status, 0) << cli.err;
        for (const PositionEncoding e : {PositionEncoding::Utf8, PositionEncoding::Utf16, PositionEncoding::Utf32}) {
            const Analysis a = analyseDocument(c.text, c.setup, &converter(), e);
            EXPECT_EQ(applied(c.text, a.fixes, e), cli.out) << c.text << " " << positionEncodingName(e);
            if (!a.fixes.empty()) {
                const Fix all = combinedFix(c.text, LineIndex(c.text), a.fixes, e);
                EXPECT_EQ(applied(c.text, {all}, e), cli.out) << c.text;
            }
            for (std::size_t i = 1; i < a.fixes.size(); ++i) EXPECT_LT(a.fixes[i - 1].end, a.fixes[i].start);
        }
    }
}

// Names kept from the last analysis are the names the run's records give,
// edit after edit (quotes that pair across lines, lines that change their
// block, fixes that come and go).
TEST(AnalyseDocument, RememberedNamesAreTheRecordsNames) {
    std::string text =
        "# 标题,好\n\n他说\"你好\n然后\"走了,English.\n\n- 列表,项\n  续行abc\n\n| 表,头 | b |\n|---|---|\n| 中文abc | 好, |\n";
    DocumentSetup setup = markdown();
    setup.options.fixQuotes = true;
    const std::string inserts[] = {",", "\"", "a", "中", "\n", "```\n", "|", "😀", "- "};
    RuleMemory memory;
    std::mt19937 rng(7);
    for (int step = 0; step < 120; ++step) {
        if (step == 60) setup.options.halfToFullWidth = true;  // other switches: nothing remembered holds
        std::size_t at = rng() % (text.size() + 1);
        while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
        text.insert(at, inserts[rng() % std::size(inserts)]);
        const Analysis remembered = analyseDocument(text, setup, nullptr, PositionEncoding::Utf16, &memory);
        const Analysis recorded = analyseDocument(text, setup, nullptr, PositionEncoding::Utf16);
        ASSERT_EQ(remembered.fixes.size(), recorded.fixes.size()) << text;
        for (std::size_t i = 0; i < recorded.fixes.size(); ++i) {
            EXPECT_EQ(remembered.fixes[i].rules, recorded.fixes[i].rules) << step << ": " << text;
            EXPECT_EQ(remembered.fixes[i].newText, recorded.fixes[i].newText);
        }
    }
}

// One line of 300 KB with thousands of fixes: named from memory after a
// change elsewhere, and the same names as the records give.
TEST(AnalyseDocument, ALongLineWithManyFixes) {
    std::string line;
    while (line.size() < 300 * 1000) line += "中文English混排,测试";
    std::string text = "# 标题\n\n" + line + "\n";
    RuleMemory memory;
    const Analysis first = analyseDocument(text, markdown(), nullptr, PositionEncoding::Utf16, &memory);
    text.insert(2, ",");  // the heading changes, the long line not
    const Analysis again = analyseDocument(text, markdown(), nullptr, PositionEncoding::Utf16, &memory);
    const Analysis recorded = analyseDocument(text, markdown(), nullptr, PositionEncoding::Utf16);
    ASSERT_GT(first.fixes.size(), 30000u);
    ASSERT_EQ(again.fixes.size(), recorded.fixes.size());
    for (std::size_t i = 0; i < again.fixes.size(); ++i) ASSERT_EQ(again.fixes[i].rules, recorded.fixes[i].rules) << i;
    const Fix all = combinedFix(text, LineIndex(text), again.fixes, PositionEncoding::Utf16);
    EXPECT_EQ(applied(text, {all}, PositionEncoding::Utf16), applied(text, again.fixes, PositionEncoding::Utf16));
}

TEST(AnalyseDocument, TheRunsLineBreaksTakeTheDocumentsKind) {
    // Joining lines makes new breaks; the untouched ones stay as they are.
    DocumentSetup s = plainText();
    s.options.addIndent = false;
    s.options.doubleBreak = true;
    const std::string text = "第一段\r\n\r\n\r\n第二段\r\n第三段\n";
    const Analysis a = analyseDocument(text, s, nullptr, PositionEncoding::Utf16);
    for (const Fix& f : a.fixes) EXPECT_EQ(f.newText.find('\n') != std::string::npos, f.newText.find("\r\n") != std::string::npos);
    EXPECT_EQ(applied(text, a.fixes, PositionEncoding::Utf16), "第一段\r\n\r\n第二段\r\n\r\n第三段\n");
}

TEST(FixMessage, ShortChineseMessages) {
    struct Case {
        std::vector<std::string> rules;
        std::string before, after, message;
    };
    const Case cases[] = {
        {{"fixPunctuation"}, ",", "，", "标点修正：, → ，"},
        {{"spaceHanLatin"}, "", " ", "中英文间加空格：插入“ ”"},
        {{"typeset"}, "\n\n", "", "排版：删除“↵↵”"},
        {{"fixPunctuation", "spaceHanLatin"}, ",", "， ", "标点修正、中英文间加空格：, → ， "},
        {{"fixQuotes"}, "\"", "“", "引号修正：\" → “"},
        {{"toTraditional"}, "软件", "軟體", "统一成繁体：软件 → 軟體"},
        {{"halfToFullWidth"}, "a", "ａ", "半角转全角：a → ａ"},
        {{"typeset"}, "", "一二三四五六七八九十一二三四五六七八九十😀", "排版：插入“一二三四五六七八九十一二三四五六七八九十…”"},
    };
    for (const Case& c : cases) {
        Fix f;
        f.rules = c.rules;
        f.before = c.before;
        f.after = c.after;
        EXPECT_EQ(fixMessage(f), c.message);
    }
    EXPECT_EQ(ruleCaption("mixedPunctuation"), "中英混排标点");
    EXPECT_EQ(ruleCaption("stripTailNoise"), "去段尾干扰符(仅半角字符)");
    EXPECT_EQ(ruleCaption("unknown"), "unknown");
}

}  // namespace
}  // namespace folvane::lsp

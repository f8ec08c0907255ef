#include "cli/cli.h"
#include "cli/cli_args.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

#include "engine/typeset_options.h"
#include "cli_run.h"
#include "gbtext.h"
#include "temp_dir.h"
#include "text/file_io.h"

namespace folvane::cli {
namespace {

using folvane::testing::g;
namespace fs = std::filesystem;

const std::string kI = "\xA1\xA1\xA1\xA1";

using folvane::testing::CliRun;

CliRun run(const std::vector<std::string>& args, const std::string& stdinBytes = "") {
    return folvane::testing::runCliInProcess(args, stdinBytes);
}

using CliTest = folvane::testing::TempDirTest;

const std::string kExample = g("  第一段第一行\r\n第一段第二行。\r\n\r\n   \r\n第二段，结束！\r\n\r\n");

TEST_F(CliTest, TypesetsStandardInputWithSwitches) {
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    };
    const Case cases[] = {
        {{"--encoding", "gb18030"}, kI + g("第一段第一行\r\n") + kI + g("第一段第二行。\r\n") + kI + g("第二段，结束！\r\n")},
        {{"--encoding", "gb18030", "--set", "joinNonParagraphBreaks=1"},
         kI + g("第一段第一行第一段第二行。\r\n") + kI + g("第二段，结束！\r\n")},
        {{"typeset", "--encoding", "gbk", "--set", "lineBreakFix=0"},
         kI + g("第一段第一行\r\n") + kI + g("第一段第二行。\r\n") + kI + "\r\n" + kI + "\r\n" + kI + g("第二段，结束！\r\n")},
        {{"--set", "addIndent=0", "--set", "doubleBreak=1"},
         g("第一段第一行\r\n\r\n第一段第二行。\r\n\r\n第二段，结束！\r\n")},
    };
    // The input's last line break is its file's: the result ends with one.
    for (const auto& c : cases) {
        const CliRun r = run(c.args, kExample);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_GB_EQ(r.out, c.expected);
    }
}

// The sample article under the default switches and under every switch but
// the script conversion gives exactly the outputs kept beside this test:
// the steps may become faster, never different. The same article as
// GB18030 with "\r\n" gives the same text in that form.
TEST_F(CliTest, SampleArticleOutputsStayByteForByte) {
    const auto slurp = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string article = slurp(FOLVANE_DATA_DIR "/sample-article.txt");
    ASSERT_FALSE(article.empty());
    std::vector<std::string> every;
    for (const char* name : {"trimParagraphEnds", "addIndent", "indentFullWidth", "lineBreakFix", "doubleBreak",
                             "tripleBreak", "joinNonParagraphBreaks", "fullToHalfWidth", "halfToFullWidth",
                             "fixPunctuation", "fixQuotes", "stripHeadNoise", "stripTailNoise", "fillBlankLines"}) {
        every.push_back("--set");
        every.push_back(std::string(name) + "=1");
    }
    std::vector<std::string> smart = every;
    for (const char* name : {"protectLinks=1", "spaceHanLatin=1", "smartJoin=1"}) {
        smart.push_back("--set");
        smart.push_back(name);
    }
    const struct {
        const char* file;
        std::vector<std::string> args;
    } cases[] = {
        {"defaults", {}},
        {"every-switch", every},
        {"every-switch-smart", smart},
        {"half-width", {"--set", "fullToHalfWidth=1", "--set", "fixPunctuation=1", "--set", "fixQuotes=1", "--set",
                        "protectLinks=0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string expected = slurp(std::string(FOLVANE_TEST_DATA "/sample-article.") + c.file + ".txt");
        ASSERT_FALSE(expected.empty());
        const CliRun r = run(c.args, article);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.out == expected) << r.out;
        // GB18030 with "\r\n" in, the same text in that form out.
        std::vector<std::string> gbArgs = c.args;
        gbArgs.insert(gbArgs.begin(), {"--encoding", "gb18030"});
        std::string crLf, expectedCrLf;
        for (const char ch : article) crLf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        for (const char ch : expected) expectedCrLf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        const CliRun gb = run(gbArgs, folvane::testing::g(crLf));
        EXPECT_EQ(gb.status, 0) << gb.err;
        EXPECT_TRUE(gb.out == folvane::testing::g(expectedCrLf));
    }
}

TEST_F(CliTest, JoiningRestoresEachLayout) {
    // Two paragraphs broken over two lines each, joined under every spacing.
    const std::string in = g("甲行一\r\n甲行二。\r\n乙行一，\r\n乙行二！");
    const std::string A = kI + g("甲行一甲行二。"), B = kI + g("乙行一，乙行二！");
    struct Case {
        std::vector<std::string> extra;
        std::string expected;
    };
    const Case cases[] = {
        {{}, A + "\r\n" + B},
        {{"--set", "doubleBreak=1"}, A + "\r\n\r\n" + B},
        {{"--set", "doubleBreak=1", "--set", "fillBlankLines=1"}, A + "\r\n" + kI + "\r\n" + B},
        {{"--set", "tripleBreak=1"}, A + "\r\n\r\n\r\n" + B},
        {{"--set", "tripleBreak=1", "--set", "fillBlankLines=1"}, A + "\r\n" + kI + "\r\n" + kI + "\r\n" + B},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--encoding", "gb18030", "--set", "joinNonParagraphBreaks=1"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const CliRun r = run(args, in);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_GB_EQ(r.out, c.expected);
    }
}

TEST_F(CliTest, Utf8InputKeepsItsEncodingAndLineFeeds) {
    const CliRun r = run({"--set", "joinNonParagraphBreaks=1"}, "  第一行\n第二行。\n\n第三行\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "　　第一行第二行。\n　　第三行\n");
    const CliRun forced = run({"--encoding", "utf-8"}, "甲\r\n乙");
    EXPECT_EQ(forced.out, "　　甲\r\n　　乙");
}

std::string firstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

// Argument lists → exit status, first line of standard error, output: the
// forms the parser accepts and every usage error, which names its argument.
TEST_F(CliTest, ArgumentTable) {
    const std::string a = write("a.txt", "A");
    const std::string st = write("stats", "S");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string errLine;  // the first line of standard error
        std::string out;
    };
    const std::string usage = "folvane-cli: ";
    const Case cases[] = {
        // Value forms, repetition, order of options and files.
        {{"--set=addIndent=0", a}, 0, "", "A"},
        {{"--set", "addIndent=0", a}, 0, "", "A"},
        {{a, "--set", "addIndent=0"}, 0, "", "A"},
        {{"--set", "addIndent=0", "--set", "addIndent=1", a}, 0, "", "　　A"},  // the last one wins
        {{"--set", "addIndent=0", "--set=indentFullWidth=0", "--set", "addIndent=1", a}, 0, "", "    A"},
        {{"--encoding=utf-8", "--encoding", "gb18030", a}, 0, "", "\xA1\xA1\xA1\xA1" "A"},
        {{"upper", "--encoding=utf8", a}, 0, "", "A"},
        {{"lower", a, "--encoding", "UTF-8"}, 0, "", "a"},
        {{"typeset", "--set", "addIndent=0", "--", "-"}, 0, "", "in"},  // "-" after -- is standard input
        {{"-"}, 0, "", "　　in"},
        {{"--help"}, 0, "", ""},
        {{"stats", "-h"}, 0, "", ""},
        // Only the first argument names a command.
        {{"--", "stats"}, 1, usage + "cannot read stats: No such file or directory", ""},
        {{"upper", st}, 0, "", "S"},
        {{a, "stats"}, 1, usage + "cannot read stats: No such file or directory", "　　A"},
        // Usage errors.
        {{"--set", "nonsense=1"}, 2, usage + "--set: unknown switch 'nonsense' (see --help for the names)", ""},
        {{"--set", "addIndent=2"}, 2, usage + "--set: addIndent needs the value 0 or 1, as in --set addIndent=1", ""},
        {{"--set", "addIndent"}, 2, usage + "--set: addIndent needs the value 0 or 1, as in --set addIndent=1", ""},
        {{"--set=addIndent= 1"}, 2, usage + "--set: addIndent needs the value 0 or 1, as in --set addIndent=1", ""},
        {{"--set"}, 2, usage + "option --set needs a value", ""},
        {{"--head"}, 2, usage + "option --head needs a value", ""},
        {{"-o"}, 2, usage + "option -o needs a value", ""},
        {{"--encoding", "latin1"}, 2, usage + "--encoding: unknown encoding 'latin1' (auto, gb18030, gbk, utf-8)", ""},
        {{"--encoding="}, 2, usage + "option --encoding needs a value", ""},
        {{"--now", "yesterday"}, 2, usage + "--now: needs \"YYYY-MM-DD HH:MM:SS\", not 'yesterday'", ""},
        {{"--bogus"}, 2, usage + "unknown option '--bogus'", ""},
        {{"-x", a}, 2, usage + "unknown option '-x'", ""},
        {{"--merge", a}, 2, usage + "--merge needs -o DIR", ""},
        {{"-o", dir_ + "/x"}, 2, usage + "-o needs FILE arguments: standard input has no name", ""},
        {{"-o", dir_ + "/x", "-"}, 2, usage + "-o needs FILE arguments: standard input has no name", ""},
        {{"-o", "", a}, 2, usage + "-o: needs a directory", ""},
        {{"replace"}, 2, usage + "replace needs FIND and REPLACEMENT", ""},
        {{"replace", "x"}, 2, usage + "replace needs FIND and REPLACEMENT", ""},
        {{"strip-html", "--set", "fixQuotes=1"}, 2, usage + "option --set applies to typeset only", ""},
        {{"strip-html", "--set", "nonsense"}, 2, usage + "option --set applies to typeset only", ""},
        {{"upper", "--signature"}, 2, usage + "option --signature applies to typeset only", ""},
        {{"lower", "--head", "x"}, 2, usage + "option --head applies to typeset only", ""},
        {{"lower", "--tail=x"}, 2, usage + "option --tail applies to typeset only", ""},
        {{"title", "--config", "c.ini"}, 2, usage + "option --config applies to typeset only", ""},
        {{"stats", "--now", "2000-01-02 00:00:00"}, 2, usage + "option --now applies to typeset only", ""},
        {{"stats", "-o", dir_ + "/x", a}, 2, usage + "-o is not for stats and title: they print a report", ""},
        {{"title", "-o", dir_ + "/x", a}, 2, usage + "-o is not for stats and title: they print a report", ""},
        {{"--config", dir_ + "/none.ini"}, 2,
         usage + "--config: cannot read settings file " + dir_ + "/none.ini: No such file or directory", ""},
    };
    for (const auto& c : cases) {
        std::string label;
        for (const auto& arg : c.args) label += "[" + arg + "]";
        const CliRun r = run(c.args, "in");
        EXPECT_EQ(r.status, c.status) << label << " " << r.err;
        EXPECT_EQ(firstLine(r.err), c.errLine) << label;
        if (c.status == 2) {
            EXPECT_NE(r.err.find("Try 'folvane-cli --help'."), std::string::npos) << label;
        }
        if (!c.args.empty() && (c.args[0] == "--help" || c.args.back() == "-h"))
            EXPECT_TRUE(r.out.starts_with("Usage: folvane-cli")) << label;
        else
            EXPECT_EQ(r.out, c.out) << label;
    }
}

TEST_F(CliTest, HelpDocumentsEveryOption) {
    const CliRun r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* opt : {"--set", "--signature", "--head", "--tail", "--now", "--encoding", "-o DIR", "--merge", "--config",
                            "joinNonParagraphBreaks", "fixPunctuation", "Exit status", "strip-html", "strip-ubb",
                            "remove-blank-lines", "delete-head-spaces", "replace FIND REPLACEMENT", "to-traditional",
                            "to-simplified", "upper", "lower", "stats", "title"})
        EXPECT_NE(r.out.find(opt), std::string::npos) << opt;
    // What the run does beyond the options, read with the wrapping undone.
    std::string flat;
    for (char c : r.out)
        if (c != '\n' && c != ' ') flat += c;
        else if (!flat.empty() && flat.back() != ' ') flat += ' ';
    for (const char* said : {"would replace an input not yet read is not written", "naming both paths (exit status 1)",
                             "the later result replaces the earlier, with a warning", "separated by the paragraph break",
                             "larger than half the machine's memory", "SIGHUP or any other signal that ends the program the temporary file is removed",
                             "keeps each line's own break"})
        EXPECT_NE(flat.find(said), std::string::npos) << said;
}

TEST_F(CliTest, SignaturesWithAFixedClock) {
    const CliRun r = run({"--signature", "--head", "作者：某人\n#YYYY-#MM-#DD", "--tail", "完 #HH:#II", "--now",
                       "2000-01-02 09:05:00"},
                      "正文");
    EXPECT_EQ(r.status, 0);
    // UTF-8 without line breaks of its own gets "\n", the usual break of Unicode text here.
    EXPECT_EQ(r.out, "作者：某人\n2000-01-02\n　　正文\n完 09:05");
}

TEST_F(CliTest, SettingsFileIsTheStartingPoint) {
    // Defaults switched to double breaks (the stored triple break gives way,
    // as when the program loads it), signatures on with a two-line head.
    const std::string body = g("删除首尾空格=1\r\n修正空格=1\r\n全角空格=1\r\n修正换行=1\r\n"
                               "双换行=1\r\n三换行=1\r\n首尾签名=1\r\n首签名=H") +
                             "\xFF" + g("第二行\r\n尾签名=T\r\n");
    const std::string stamp = g("版本=3.0.7\r\n");
    const std::string cfg = write("config.ini", "[folvane]\r\n" + stamp + body);
    const std::string quiet = write("quiet.ini", "[folvane]\r\n" + stamp + g("修正空格=1\r\n首签名=H\r\n"));
    // Stamped by another version, stamped empty, not stamped: the program
    // starts from its defaults with them, and so does --config.
    const std::string old = write("old.ini", "[folvane]\r\n" + g("版本=3.0.6\r\n") + body);
    const std::string empty = write("empty.ini", "[folvane]\r\n" + g("版本=\r\n") + body);
    const std::string unstamped = write("unstamped.ini", "[folvane]\r\n" + body);
    const std::string spaced = write("spaced.ini", "[folvane]\r\n" + g("版本= 3.0.7\r\n") + body);
    const std::string in = "A\r\n\r\nB\r\n";
    const std::string head = g("H\r\n第二行\r\n");
    const std::string defaults = kI + "A\r\n" + kI + "B";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string expected;
        std::string notice;  // the file named in the notice on standard error; empty: none
    };
    const Case cases[] = {
        {"stored switches and signatures", {"--config", cfg}, head + kI + "A\r\n\r\n" + kI + "B\r\nT", ""},
        {"--set wins wherever it stands", {"--set", "doubleBreak=0", "--config", cfg},
         head + kI + "A\r\n" + kI + "B\r\nT", ""},
        {"--head wins", {"--config", cfg, "--head", "X"}, "X\r\n" + kI + "A\r\n\r\n" + kI + "B\r\nT", ""},
        {"--config=FILE", {"--config=" + cfg}, head + kI + "A\r\n\r\n" + kI + "B\r\nT", ""},
        {"absent keys are off", {"--config", quiet}, "    A\r\n    \r\n    B", ""},
        {"--signature switches stored templates on", {"--signature", "--config", quiet},
         "H\r\n    A\r\n    \r\n    B", ""},
        {"old stamp", {"--config", old}, defaults, old},
        {"empty stamp", {"--config", empty}, defaults, empty},
        {"no stamp", {"--config", unstamped}, defaults, unstamped},
        {"a stamp with a space is another stamp", {"--config", spaced}, defaults, spaced},
        {"old stamp, --set still applies", {"--config", old, "--set", "doubleBreak=1"},
         kI + "A\r\n\r\n" + kI + "B", old},
        {"old stamp keeps the templates", {"--signature", "--config", old}, head + defaults + "\r\nT", old},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--encoding", "gb18030"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = run(args, in);
        EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_GB_EQ(r.out, c.expected + "\r\n") << c.name;  // the input's last line break
        if (c.notice.empty()) {
            EXPECT_EQ(r.err, "") << c.name;
        } else {
            EXPECT_EQ(r.err, "folvane-cli: settings file " + c.notice +
                                 " is not stamped 3.0.7: starting from the default switches without signatures, "
                                 "as the program does\n")
                << c.name;
        }
    }
    // The file given is only read: the stale stamp stays where the program
    // would have rewritten it.
    EXPECT_GB_EQ(read(old), "[folvane]\r\n" + g("版本=3.0.6\r\n") + body);
    EXPECT_GB_EQ(read(unstamped), "[folvane]\r\n" + body);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
    EXPECT_EQ(files, 6u);  // no temporary or backup file beside them
}

TEST_F(CliTest, SeveralFilesShareOneRunContext) {
    const std::string a = write("a.txt", g("甲文") + "\r\n");
    const std::string b = write("b.txt", g("H\r\n") + kI + g("乙文"));
    // b starts with the head signature that the run put on a: it is taken
    // off before b is typeset, as when a typeset text is typeset again.
    const CliRun r = run({"--encoding", "gb18030", "--signature", "--head", "H", a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    // The results are separated by a line break, not glued together.
    EXPECT_GB_EQ(r.out, "H\r\n" + kI + g("甲文") + "\r\nH\r\n" + kI + g("乙文"));
}

TEST_F(CliTest, OutputDirectoryNamesFilesAsTheBatchDoes) {
    const std::string a = write("a.b.html", "x");
    const std::string b = write("plain", "y");
    const std::string empty = write("empty.txt", "");
    const std::string out = dir_ + "/out/nested";
    const CliRun r = run({"-o", out, a, b, empty});
    EXPECT_EQ(r.status, 0) << r.err;
    // ASCII is valid UTF-8, so the results are written in UTF-8.
    EXPECT_EQ(read(out + "/a.b.txt"), "　　x");
    EXPECT_EQ(read(out + "/plain.txt"), "　　y");
    EXPECT_FALSE(fs::exists(out + "/empty.txt"));  // empty inputs write nothing
}

TEST_F(CliTest, MergeNamesTheFileAfterTheFirstNonEmptyInput) {
    const std::string empty = write("empty.txt", "");
    const std::string a = write("first.htm", "a");
    const std::string b = write("second.txt", "b");
    const CliRun r = run({"-o", dir_ + "/out", "--merge", empty, a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    // One paragraph break between the results (UTF-8 without line breaks
    // is taken as a file of "\n" line breaks).
    EXPECT_EQ(read(dir_ + "/out/first.txt"), "　　a\n　　b");
    EXPECT_FALSE(fs::exists(dir_ + "/out/second.txt"));
}

TEST_F(CliTest, OutputDirectoryTypesetsPagesAndNeverReplacesAnUnreadInput) {
    const std::string page = write("b.html", "<p>page</p>");
    const std::string txt = write("b.txt", "text");
    // b.html's result would be b.txt, which is read only after it.
    const CliRun r = run({"-o", dir_, page, txt});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(page), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(txt), std::string::npos) << r.err;
    EXPECT_EQ(read(txt), "　　text");  // read in its turn, then typeset in place

    const CliRun pages = run({"-o", dir_ + "/out", page});
    EXPECT_EQ(pages.status, 0) << pages.err;
    EXPECT_EQ(read(dir_ + "/out/b.txt"), "　　page");  // the tags are gone
}

TEST_F(CliTest, UnreadableFileIsReportedAndTheOthersStillRun) {
    const std::string good = write("good.txt", "ok");
    const std::string missing = dir_ + "/missing.txt";
    const CliRun r = run({missing, good});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(missing), std::string::npos);
    EXPECT_EQ(r.out, "　　ok");
}

TEST_F(CliTest, MalformedUtf8IsReportedNotMangled) {
    const std::string bad = write("bad.txt", "ab\xFF");
    const CliRun r = run({"--encoding", "utf-8", bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.txt: not valid UTF-8 at byte 2"), std::string::npos);
    EXPECT_TRUE(r.out.empty());
}

TEST_F(CliTest, UnwritableOutputIsReported) {
    const std::string a = write("a.txt", "x");
    fs::create_directory(dir_ + "/out");
    fs::create_directory(dir_ + "/out/a.txt");  // a directory where the file should go
    const CliRun r = run({"-o", dir_ + "/out", a});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos);
}

TEST_F(CliTest, TextToolCommands) {
    struct Case {
        std::vector<std::string> args;
        std::string input;  // UTF-8: written back as UTF-8
        std::string expected;
    };
    const Case cases[] = {
        {{"strip-html"}, "<p>你好</p><SCRIPT>x</script>a&nbsp;b", "你好\n\na b"},
        {{"strip-ubb"}, "[b]粗体[/b]", "粗体"},
        {{"remove-blank-lines"}, "甲\n\n\n乙\n   \n丙", "甲\n乙\n   \n丙"},
        {{"delete-head-spaces"}, "  甲\n　 乙", "甲\n乙"},
        {{"replace", "ABC", "中"}, "abc Abc", "中 中"},
        {{"replace", "。", "。\n"}, "甲。乙。", "甲。\n乙。\n"},
        {{"replace", "", "x"}, "abc", "abc"},
        {{"replace", "-", "—"}, "a-b", "a—b"},
        {{"upper"}, "中文abc", "中文ABC"},
        {{"lower"}, "中文ABC", "中文abc"},
        {{"to-traditional"}, "简体中文和头发", "簡體中文和頭髮"},
        {{"to-simplified"}, "繁體中文", "繁体中文"},
        {{"title"}, "  第一章 风雨\n正文", "第一章 风雨\n"},
        {{"stats"}, "中文ab",
         "文本大小:6 字节\n中文字数:2 个\n非中文字数:2 个\n全角字数:2 个\n总字数:4 个\n段落数:1 行\n"},
        {{"typeset", "--set", "fixPunctuation=1", "--set", "fixQuotes=1"}, "他说:\"你好,世界\"", "　　他说：“你好，世界”"},
        {{"--set", "toTraditional=1"}, "简体", "　　簡體"},
        {{"--set", "toTraditional=1", "--set", "toSimplified=1"}, "简体", "　　简体"},
    };
    for (const auto& c : cases) {
        const CliRun r = run(c.args, c.input);
        EXPECT_EQ(r.status, 0) << c.args[0] << ": " << r.err;
        EXPECT_EQ(r.out, c.expected) << c.args[0];
    }
}

TEST_F(CliTest, TextToolsKeepTheEncodingRules) {
    // GB18030 in, GB18030 out, "\r\n" untouched.
    const CliRun gbRun = run({"upper", "--encoding", "gb18030"}, g("中文ab\r\n"));
    EXPECT_GB_EQ(gbRun.out, g("中文AB\r\n"));
    const CliRun stats = run({"stats", "--encoding", "gbk"}, g("中\r\n"));
    EXPECT_GB_EQ(stats.out, g("文本大小:4 字节\r\n中文字数:1 个\r\n非中文字数:0 个\r\n全角字数:2 个\r\n总字数:1 个\r\n"
                              "段落数:2 行\r\n"));
    // Files one after another, and -o for a text tool.
    const std::string a = write("a.html", "<b>A</b>");
    const std::string b = write("b.htm", "<i>B</i>");
    EXPECT_EQ(run({"strip-html", a, b}).out, "A\nB");  // UTF-8 without breaks: "\n" between
    const CliRun toDir = run({"strip-html", "-o", dir_ + "/out", a, b});
    EXPECT_EQ(toDir.status, 0) << toDir.err;
    EXPECT_EQ(read(dir_ + "/out/a.txt"), "A");
    EXPECT_EQ(read(dir_ + "/out/b.txt"), "B");
}

TEST_F(CliTest, QuotePairingContinuesFromFileToFile) {
    const std::string a = write("a.txt", g("\"开始"));
    const std::string b = write("b.txt", g("结束\""));
    const CliRun r = run({"--encoding", "gb18030", "--set", "fixQuotes=1", a, b});
    EXPECT_GB_EQ(r.out, kI + g("“开始") + "\r\n" + kI + g("结束”"));
}

// The bash completion offers what the parser accepts: every command, every
// option of the help and every switch name, and nothing else.
TEST(Completion, OffersWhatTheParserAccepts) {
    std::string script;
    ASSERT_TRUE(text::readFile(FOLVANE_COMPLETION_PATH, script));
    auto wordsOf = [&](const std::string& var) {
        const std::string key = "local " + var + "=\"";
        const std::size_t at = script.find(key);
        EXPECT_NE(at, std::string::npos) << var;
        std::vector<std::string> words;
        if (at == std::string::npos) return words;
        const std::size_t end = script.find('"', at + key.size());
        std::string list = script.substr(at + key.size(), end - at - key.size());
        std::size_t i = 0;
        while (i < list.size()) {
            const std::size_t j = std::min(list.find(' ', i), list.size());
            if (j > i) words.push_back(list.substr(i, j - i));
            i = j + 1;
        }
        return words;
    };
    const auto commands = wordsOf("commands");
    std::vector<std::string> names;
    for (const auto name : commandNames()) names.emplace_back(name);
    EXPECT_EQ(commands, names);
    for (const auto& c : commands) EXPECT_TRUE(commandNamed(c)) << c;

    std::vector<std::string> switches;
    for (const auto& f : engine::typesetOptionFields()) switches.emplace_back(f.name);
    EXPECT_EQ(wordsOf("switches"), switches);

    const std::string help = helpText();
    const auto options = wordsOf("options");
    for (const auto& o : options) EXPECT_NE(help.find(o == "--output-dir" ? "-o DIR" : o), std::string::npos) << o;
    // Every option the help lists, as "  --name" at the start of a line.
    std::size_t at = help.find("\nOptions:\n");
    ASSERT_NE(at, std::string::npos);
    while ((at = help.find("\n  -", at + 1)) != std::string::npos) {
        const std::size_t start = at + 3;
        const std::size_t end = help.find_first_of(" ,\n", start);
        const std::string name = help.substr(start, end - start);
        if (name == "--") continue;
        EXPECT_NE(std::find(options.begin(), options.end(), name), options.end()) << name;
    }
    EXPECT_EQ(wordsOf("encodings"), (std::vector<std::string>{"auto", "gb18030", "gbk", "utf-8"}));
}

// The README's table of switches lists the rows of the switch table, in
// its order, with their keys, defaults and help.
TEST(Readme, SwitchListFollowsTheTable) {
    std::string readme;
    ASSERT_TRUE(text::readFile(FOLVANE_README_PATH, readme));
    const std::size_t section = readme.find("\n### Switches\n");
    ASSERT_NE(section, std::string::npos);
    std::vector<std::string> rows;
    std::size_t at = readme.find("\n| `", section);
    while (at != std::string::npos && at < readme.find("\n\n", readme.find("\n|", section) + 1)) {
        const std::size_t end = readme.find('\n', at + 1);
        rows.push_back(readme.substr(at + 1, end - at - 1));
        at = readme.find("\n| `", end);
    }
    std::vector<std::string> expected;
    for (const auto& f : engine::typesetOptionFields())
        expected.push_back("| `" + std::string(f.name) + "` | \"" + std::string(f.configKeyUtf8) + "\" | " +
                           (f.defaultValue ? "on" : "off") + " | " + std::string(f.help) + " |");
    EXPECT_EQ(rows, expected);
}

TEST(OutputName, BatchNaming) {
    EXPECT_EQ(outputNameFor("dir/a.b.html"), "a.b.txt");
    EXPECT_EQ(outputNameFor("a.htm"), "a.txt");
    EXPECT_EQ(outputNameFor("a.txt"), "a.txt");
    EXPECT_EQ(outputNameFor("C:\\x\\y.z.txt"), "C:\\x\\y.z.txt");  // a backslash is part of the name
    EXPECT_EQ(outputNameFor("noext"), "noext.txt");
    EXPECT_EQ(outputNameFor("dir.d/noext"), "noext.txt");
    EXPECT_EQ(outputNameFor(".hidden"), ".txt");
}

// The real executable, as scripts call it.
TEST(CliProcess, FiltersStandardInputAndReportsStatus) {
    const std::string cli = folvane::testing::shellWord(FOLVANE_CLI_PATH);
    const std::string cmd = cli + " --encoding gb18030 --set joinNonParagraphBreaks=1";
    FILE* p = ::popen(("printf '\\243\\254\\r\\n\\241\\243' | " + cmd).c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[256];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int status = ::pclose(p);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(out, kI + "\xA3\xAC\xA1\xA3");
    EXPECT_EQ(WEXITSTATUS(std::system((cli + " --set x=1 2>/dev/null").c_str())), 2);
    EXPECT_EQ(WEXITSTATUS(std::system((cli + " /no/such/file 2>/dev/null").c_str())), 1);
}

TEST(CliProcess, TypesetsTheSampleArticle) {
    const std::string cmd = folvane::testing::shellWord(FOLVANE_CLI_PATH) + " --set joinNonParagraphBreaks=1 " +
                            folvane::testing::shellWord(FOLVANE_DATA_DIR "/sample-article.txt");
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    EXPECT_EQ(WEXITSTATUS(::pclose(p)), 0);
    // A title without a sentence-final mark is joined to the next line, as any line.
    EXPECT_TRUE(out.starts_with("　　秋日的小城早上起来,推开窗户"));
    EXPECT_NE(out.find("卖豆浆的老张照例在街角支起了摊子"), std::string::npos);  // joined
    EXPECT_EQ(out.find('\t'), std::string::npos);
    EXPECT_EQ(out.find("\n\n"), std::string::npos);
}

}  // namespace
}  // namespace folvane::cli

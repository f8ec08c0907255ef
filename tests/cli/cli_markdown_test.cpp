// folvane-cli on Markdown and as a repository's check: --format, -o with
// Markdown, --report, .folvanerc, and each file starting afresh.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "gbtext.h"
#include "temp_dir.h"

namespace folvane::cli {
namespace {

using folvane::testing::CliRun;
using folvane::testing::runCliInProcess;
using CliMarkdown = folvane::testing::TempDirTest;

// UTF-8 with "\n": a document as repositories keep them.
const std::string kDoc = "# 标题,一\n\n用Python写,`a,b`。\n\n```sh\ncd ..; echo \"x\"\n```\n";
const std::string kDocFixed = "# 标题，一\n\n用 Python 写，`a,b`。\n\n```sh\ncd ..; echo \"x\"\n```\n";

TEST_F(CliMarkdown, FormatFollowsTheNameUnlessChosen) {
    const std::string md = write("a.md", kDoc);
    const std::string upper = write("b.MARKDOWN", kDoc);
    const std::string txt = write("c.txt", kDoc);
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{md}, kDocFixed},                 // Markdown's own default switches
        {{upper}, kDocFixed},
        {{"--format", "markdown", txt}, kDocFixed},
        {{"--format", "auto", md}, kDocFixed},
        {{"--format", "markdown"}, kDocFixed},  // standard input
        {{"--format", "text", "--set", "addIndent=0", "--set", "lineBreakFix=0", "--set", "trimParagraphEnds=0", md},
         kDoc},
        // --set starts from the Markdown defaults too; paragraph switches do nothing there.
        {{"--set", "spaceHanLatin=0", "--set", "addIndent=1", "--set", "joinNonParagraphBreaks=1", md},
         "# 标题，一\n\n用Python写，`a,b`。\n\n```sh\ncd ..; echo \"x\"\n```\n"},
    };
    for (const Case& c : cases) {
        const CliRun r = runCliInProcess(c.args, kDoc);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.out) << c.args.back();
    }
    EXPECT_EQ(runCliInProcess({"--format", "rst", md}).status, 2);
}

TEST_F(CliMarkdown, OutputFolderKeepsMarkdownNamesAndBytes) {
    const std::string md = write("doc.md", kDoc);
    const std::string crlf = write("win.md", "甲,乙\r\n\r\n```\r\na,b\r\n```\r\n");
    const std::string noBreak = write("plain.markdown", "甲,乙");
    const CliRun r = runCliInProcess({"-o", dir_ + "/out", md, crlf, noBreak});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(filesIn(dir_ + "/out"), (std::vector<std::string>{"doc.md", "plain.markdown", "win.md"}));
    EXPECT_EQ(read(dir_ + "/out/doc.md"), kDocFixed);
    EXPECT_EQ(read(dir_ + "/out/win.md"), "甲，乙\r\n\r\n```\r\na,b\r\n```\r\n");
    EXPECT_EQ(read(dir_ + "/out/plain.markdown"), "甲，乙");
}

TEST_F(CliMarkdown, CheckPassesWhatNeedsNothing) {
    const std::string good = write("good.md", kDocFixed);
    const std::string bad = write("bad.md", kDoc);
    const std::string text = write("a.txt", "abc\n");
    EXPECT_EQ(runCliInProcess({"--check", good}).status, 0);
    const CliRun both = runCliInProcess({"--check", good, bad});
    EXPECT_EQ(both.status, 1);
    EXPECT_EQ(both.out, bad + "\n");
    // A text whose run changes nothing but its last line break passes.
    EXPECT_EQ(runCliInProcess({"--check", "--set", "addIndent=0", text}).status, 0);
}

TEST_F(CliMarkdown, EachCheckedFileStartsAfresh) {
    // A file with a quote left open does not turn the next file's quotes.
    const std::string odd = write("odd.txt", "他说\"走\n");
    const std::string even = write("even.txt", "她说“再见”\n");
    const std::vector<std::string> sets = {"--set", "fixQuotes=1", "--set", "addIndent=0"};
    auto with = [&](std::vector<std::string> files) {
        std::vector<std::string> args = {"--check"};
        args.insert(args.end(), sets.begin(), sets.end());
        args.insert(args.end(), files.begin(), files.end());
        return runCliInProcess(args);
    };
    EXPECT_EQ(with({even}).out, "");
    EXPECT_EQ(with({odd, even}).out, odd + "\n");
    EXPECT_EQ(with({even, odd}).out, odd + "\n");
}

TEST_F(CliMarkdown, JsonReportHasOneRecordPerChange) {
    const std::string md = write("r.md", "# 题\n\n用Python写,好\n");
    const CliRun r = runCliInProcess({"--report", "json", md});
    EXPECT_EQ(r.status, 1) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    ASSERT_TRUE(j.is_array());
    ASSERT_EQ(j.size(), 3u) << r.out;
    EXPECT_EQ(j[0]["file"], md);
    EXPECT_EQ(j[0]["line"], 3);
    EXPECT_EQ(j[0]["column"], 2);
    EXPECT_EQ(j[0]["end"]["column"], 2);
    EXPECT_EQ(j[0]["rule"], "spaceHanLatin");
    EXPECT_EQ(j[0]["before"], "");
    EXPECT_EQ(j[0]["after"], " ");
    EXPECT_EQ(j[2]["rule"], "fixPunctuation");
    EXPECT_EQ(j[2]["column"], 9);
    EXPECT_EQ(j[2]["end"]["column"], 10);
    EXPECT_EQ(j[2]["before"], ",");
    EXPECT_EQ(j[2]["after"], "，");
    // Nothing to report: an empty array and exit status 0.
    const std::string good = write("g.md", "# 题\n");
    const CliRun none = runCliInProcess({"--report", "json", good});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(nlohmann::json::parse(none.out), nlohmann::json::array());
    // A text file's changes are recorded under "typeset".
    const std::string txt = write("t.txt", "甲\n");
    const nlohmann::json t = nlohmann::json::parse(runCliInProcess({"--report", "json", txt}).out);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0]["rule"], "typeset");
    EXPECT_EQ(t[0]["after"], "　　");
}

TEST_F(CliMarkdown, GithubReportAnnotatesEachChange) {
    const std::string md = write("a,b:c.md", "好,的\n");
    const CliRun r = runCliInProcess({"--report", "github", md});
    EXPECT_EQ(r.status, 1);
    std::string name = md;
    for (std::size_t p; (p = name.find(',')) != std::string::npos;) name.replace(p, 1, "%2C");
    for (std::size_t p; (p = name.find(':')) != std::string::npos;) name.replace(p, 1, "%3A");
    EXPECT_EQ(r.out, "::error file=" + name +
                         ",line=1,col=2,endLine=1,endColumn=3,title=folvane fixPunctuation::fixPunctuation: "
                         "\",\" \xE2\x86\x92 \"，\"\n");
    EXPECT_EQ(runCliInProcess({"--report", "github", "-o", dir_ + "/x", md}).status, 2);
    EXPECT_EQ(runCliInProcess({"--report", "xml", md}).status, 2);
}

// A name with a line break, a carriage return or "%" stays one name in
// every report: escaped for the workflow commands, by JSON in the records.
TEST_F(CliMarkdown, ReportsKeepHostileNamesWhole) {
    const std::string md = write("50%\nnext\rline.md", "好,的\n");
    const CliRun github = runCliInProcess({"--report", "github", md});
    EXPECT_EQ(github.status, 1);
    EXPECT_TRUE(github.out.starts_with("::error file=" + dir_ + "/50%25%0Anext%0Dline.md,line=1,")) << github.out;
    EXPECT_EQ(github.out.find('\n'), github.out.size() - 1) << github.out;
    const CliRun json = runCliInProcess({"--report", "json", md});
    EXPECT_EQ(nlohmann::json::parse(json.out).at(0)["file"], md);
}

TEST_F(CliMarkdown, RepositoryConfigurationIsFoundUpwardAndTheCommandLineWins) {
    std::filesystem::create_directories(dir_ + "/repo/.git");
    write("repo/.folvanerc", "# the repository's switches\nfixQuotes = 1\nspaceHanLatin = 0\n[format]\n*.txt = markdown\n");
    write("repo/docs/.folvanerc", "standard = twp\ntoTraditional = 1\n");
    const std::string top = write("repo/a.txt", "用Python说\"好\"好,的\n");
    const std::string deep = write("repo/docs/b.md", "软件\n");
    const std::string outside = write("c.md", "用Python\n");
    EXPECT_EQ(runCliInProcess({top}).out, "用Python说“好”好，的\n");
    EXPECT_EQ(runCliInProcess({"--set", "fixQuotes=0", top}).out, "用Python说\"好\"好，的\n");
    // As text: the default switches of text (fixPunctuation off), and the file's.
    EXPECT_EQ(runCliInProcess({"--format", "text", "--set", "addIndent=0", top}).out, "用Python说“好”好,的\n");
    EXPECT_EQ(runCliInProcess({deep}).out, "軟體\n");  // the nearest file, with its standard
    EXPECT_EQ(runCliInProcess({"--standard", "opencc", deep}).out, "軟件\n");
    EXPECT_EQ(runCliInProcess({"--no-rc", top}).out.substr(0, 6), "　　");
    EXPECT_EQ(runCliInProcess({outside}).out, "用 Python\n");  // above the repository: none
    write("repo/docs/.folvanerc", "fixQuotes = maybe\n");
    const CliRun broken = runCliInProcess({deep});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find(".folvanerc: line 1: fixQuotes needs the value 0 or 1"), std::string::npos) << broken.err;
}

}  // namespace
}  // namespace folvane::cli

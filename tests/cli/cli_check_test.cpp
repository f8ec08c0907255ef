// folvane-cli --check and --diff: what a run would change, written nowhere.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

#include "cli/unified_diff.h"
#include "cli_run.h"
#include "gbtext.h"
#include "temp_dir.h"
#include "text/codec.h"

namespace folvane::cli {
namespace {

using folvane::testing::CliRun;
using folvane::testing::runCliInProcess;
using CliCheck = folvane::testing::TempDirTest;
using folvane::testing::g;
using folvane::testing::shellWord;

const std::string kTypeset = "\xE3\x80\x80\xE3\x80\x80" "\xE7\x94\xB2\xE3\x80\x82";  // "　　甲。" in UTF-8

TEST_F(CliCheck, ListsTheFilesARunWouldChangeAndWritesNothing) {
    const std::string done = write("done.txt", kTypeset);
    const std::string raw = write("raw.txt", "\xE7\x94\xB2\xE3\x80\x82\n");  // "甲。" and a line feed
    const std::string gbRaw = write("gb.txt", folvane::testing::g("乙，\r\n丙"));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
    };
    const Case cases[] = {
        {{"--check", done}, 0, ""},
        {{"--check", raw}, 1, raw + "\n"},
        {{"--check", done, raw, gbRaw}, 1, raw + "\n" + gbRaw + "\n"},
        // Any command and switches: this one changes nothing here.
        {{"to-traditional", "--check", done}, 0, ""},
        {{"upper", "--check", gbRaw}, 0, ""},
        {{"to-traditional", "--check", raw}, 0, ""},
        // The file's last line break is its own: a file that needs nothing
        // passes, whatever it ends with.
        {{"--check", "--set", "addIndent=0", raw}, 0, ""},
        {{"--check", "--set", "addIndent=0", "--set", "trimParagraphEnds=0", "--set", "lineBreakFix=0", gbRaw}, 0, ""},
    };
    for (const auto& c : cases) {
        const CliRun r = runCliInProcess(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << " " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args.back();
    }
    EXPECT_EQ(read(raw), "\xE7\x94\xB2\xE3\x80\x82\n");
    EXPECT_EQ(read(gbRaw), folvane::testing::g("乙，\r\n丙"));
}

// The diff holds the file's own bytes, its "\r\n" included; --diff-encoding
// utf-8 shows the same lines in UTF-8.
TEST_F(CliCheck, DiffIsOfTheFilesBytesOrInUtf8) {
    const std::string gbRaw = write("gb.txt", folvane::testing::g("甲\r\n乙。"));
    const std::string done = write("done.txt", kTypeset);
    const std::string head = "--- " + gbRaw + "\n+++ " + gbRaw + "\n@@ -1,2 +1 @@\n";
    const CliRun r = runCliInProcess({"--diff", "--set", "joinNonParagraphBreaks=1", gbRaw, done});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, head + "-" + folvane::testing::g("甲") + "\r\n-" + folvane::testing::g("乙。") +
                         "\n\\ No newline at end of file\n+" + folvane::testing::g("　　甲乙。") +
                         "\n\\ No newline at end of file\n");
    const CliRun utf8 =
        runCliInProcess({"--diff", "--diff-encoding", "utf-8", "--set", "joinNonParagraphBreaks=1", gbRaw, done});
    EXPECT_EQ(utf8.status, 1) << utf8.err;
    EXPECT_EQ(utf8.out, head + "-\xE7\x94\xB2\r\n-\xE4\xB9\x99\xE3\x80\x82\n\\ No newline at end of file\n"
                               "+\xE3\x80\x80\xE3\x80\x80\xE7\x94\xB2\xE4\xB9\x99\xE3\x80\x82\n"
                               "\\ No newline at end of file\n");
    // With --check the list comes first; --report diff is --diff.
    const CliRun both = runCliInProcess({"--check", "--diff", gbRaw});
    EXPECT_TRUE(both.out.starts_with(gbRaw + "\n--- ")) << both.out;
    const CliRun report = runCliInProcess({"--report", "diff", gbRaw});
    EXPECT_EQ(report.status, 1);
    EXPECT_EQ(report.out, runCliInProcess({"--diff", gbRaw}).out);
    EXPECT_EQ(runCliInProcess({"--diff", done}).out, "");
}

// The names of --check: one a line, quoted where a line cannot hold them
// as they are; under -z each as it is, ended by NUL. --report list is the
// same list.
TEST_F(CliCheck, CheckedNamesStayOneNameEach) {
    const std::string raw = "\xE7\x94\xB2\xE3\x80\x82\n";  // "甲。" and a line feed: needs indenting
    struct Case {
        const char* name;  // in the folder
        std::string shown;  // after the folder's path
    };
    const Case cases[] = {
        {"plain.txt", "plain.txt"},
        {"with space.txt", "with space.txt"},
        {"中文名.txt", "中文名.txt"},
        {"-dash.txt", "-dash.txt"},
        {"two\nlines.txt", "two\\nlines.txt\""},
        {"tab\tcr\r.txt", "tab\\tcr\\r.txt\""},
        {"quote\"back\\.txt", "quote\\\"back\\\\.txt\""},
        {"esc\x1b" "del\x7f.txt", "esc\\033del\\177.txt\""},
        {"stray\xff\xE7\x94.txt", "stray\\377\\347\\224.txt\""},
        {"c1\xC2\x85.txt", "c1\\302\\205.txt\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write(c.name, raw);
        const bool quoted = c.shown.ends_with('"');
        const std::string expected = (quoted ? "\"" : "") + dir_ + "/" + c.shown + "\n";
        for (const char* list : {"--check", "--report=list"}) {
            const CliRun r = runCliInProcess({list, path});
            EXPECT_EQ(r.status, 1) << list << r.err;
            EXPECT_EQ(r.out, expected) << list;
        }
        const CliRun z = runCliInProcess({"--check", "-z", path});
        EXPECT_EQ(z.out, path + std::string(1, '\0'));
    }
}

// The exit status of `command`, run by the shell in `folder`.
int runIn(const std::string& folder, const std::string& command) {
    const int status = std::system(("cd " + shellWord(folder) + " && " + command).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The diff of each kind of file, made by the real program where the file
// lies, applied by patch -p1 and by git apply to a copy of the file, gives
// the bytes the command writes.
TEST_F(CliCheck, DiffsApplyWithPatchAndGitApply) {
    namespace fs = std::filesystem;
    const std::string crLf = g("上午下雨\r\n没有结束的句子\r\n接着写完。\r\n\r\n　　第二段已经排好。\r\n\r\n"
                               "第三段，上。\r\n");
    const std::string lf = text::crLfToLf(crLf);
    auto in = [](std::string_view gbText, text::Encoding e, bool bom = false) {
        text::TextFormat f;
        f.encoding = e;
        f.bom = bom;
        return text::encodeText(gbText, f);
    };
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"crlf.txt", in(crLf, text::Encoding::Utf8), {}},
        {"lf.txt", in(lf, text::Encoding::Utf8), {}},
        {"bom.txt", in(lf, text::Encoding::Utf8, true), {}},
        {"bom-crlf.txt", in(crLf, text::Encoding::Utf8, true), {}},
        // "上" is 0A 4E in UTF-16LE: a line of patch's ends inside it.
        {"utf16le.txt", in(crLf, text::Encoding::Utf16LE, true), {}},
        {"utf16be.txt", in(crLf, text::Encoding::Utf16BE, true), {}},
        {"gb18030.txt", crLf, {}},
        {"gb18030-lf.txt", lf, {}},
        {"no-final-break.txt", in(crLf.substr(0, crLf.size() - 2), text::Encoding::Utf8), {}},
        {"gb-no-final-break.txt", crLf.substr(0, crLf.size() - 2), {}},
        {"markdown.md", in(g("# 标题\n\n中文English混排,结束.\n"), text::Encoding::Utf8), {}},
        {"with space.txt", in(lf, text::Encoding::Utf8), {}},
        {"line\nbreak \"q\".txt", in(crLf, text::Encoding::Utf8), {}},
    };
    const std::string cli = shellWord(FOLVANE_CLI_PATH);
    const std::string work = dir_ + "/work";
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string original = write(std::string("work/") + c.name, c.bytes);
        std::vector<std::string> args = c.args;
        args.push_back(original);
        const CliRun expected = runCliInProcess(args);
        ASSERT_EQ(expected.status, 0) << expected.err;
        ASSERT_NE(expected.out, c.bytes);
        const std::string diff = dir_ + "/" + std::to_string(++n) + ".diff";
        std::string options;
        for (const std::string& a : c.args) options += " " + shellWord(a);
        EXPECT_EQ(runIn(work, cli + " --diff" + options + " -- " + shellWord(c.name) + " > " + shellWord(diff)), 1);
        for (const char* tool : {"patch -p1 -s", "git apply"}) {
            SCOPED_TRACE(tool);
            const std::string copy = dir_ + "/" + std::to_string(n) + "-" + std::string(tool).substr(0, 3);
            fs::create_directories(copy);
            fs::copy_file(original, copy + "/" + c.name);
            EXPECT_EQ(runIn(copy, std::string(tool) + " < " + shellWord(diff) + " 2>/dev/null"), 0) << read(diff);
            EXPECT_EQ(read(copy + "/" + c.name), expected.out);
        }
    }
}

TEST_F(CliCheck, UsageErrors) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--check", "-o", dir_ + "/out", "x"}, {"stats", "--diff", "x"},
          {"--standard", "cn", "x"}}) {
        const CliRun r = runCliInProcess(args);
        EXPECT_EQ(r.status, 2) << args.front();
    }
}

TEST(UnifiedDiff, Hunks) {
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string file, before, after, expected;
    };
    const Case cases[] = {
        {"equal texts: nothing", "f", "a\nb", "a\nb", ""},
        {"one line changed among many: three lines of context", "f", "1\n2\n3\n4\n5\n6\n7\n8\n9\n",
         "1\n2\n3\n4\nx\n6\n7\n8\n9\n", "--- a/f\n+++ b/f\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+x\n 6\n 7\n 8\n"},
        {"changes far apart: two hunks", "f", "a\n1\n2\n3\n4\n5\n6\n7\nb\n", "A\n1\n2\n3\n4\n5\n6\n7\nB\n",
         "--- a/f\n+++ b/f\n@@ -1,4 +1,4 @@\n-a\n+A\n 1\n 2\n 3\n@@ -6,4 +6,4 @@\n 5\n 6\n 7\n-b\n+B\n"},
        {"a line added at the end", "f", "a\n", "a\nb\n", "--- a/f\n+++ b/f\n@@ -1 +1,2 @@\n a\n+b\n"},
        {"everything removed", "f", "a\nb\n", "", "--- a/f\n+++ b/f\n@@ -1,2 +0,0 @@\n-a\n-b\n"},
        {"the last line loses its break", "f", "a\n", "a",
         "--- a/f\n+++ b/f\n@@ -1 +1 @@\n-a\n+a\n\\ No newline at end of file\n"},
        {"the last line gains one", "f", "a", "a\n",
         "--- a/f\n+++ b/f\n@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+a\n"},
        {"\"\\r\\n\" stays in the line", "f", "a\r\nb\r\n", "a\r\nB\r\n",
         "--- a/f\n+++ b/f\n@@ -1,2 +1,2 @@\n a\r\n-b\r\n+B\r\n"},
        {"only the break differs", "f", "a\r\n", "a\n", "--- a/f\n+++ b/f\n@@ -1 +1 @@\n-a\r\n+a\n"},
        {"a lone \"\\r\" ends no line", "f", "a\rb\n", "a\rB\n", "--- a/f\n+++ b/f\n@@ -1 +1 @@\n-a\rb\n+a\rB\n"},
        {"UTF-16 LE: a line ends at the 0A byte", "f", "a\0\n\0b\0"s, "a\0\n\0c\0"s,
         "--- a/f\n+++ b/f\n@@ -1,2 +1,2 @@\n a\0\n-\0b\0\n\\ No newline at end of file\n"
         "+\0c\0\n\\ No newline at end of file\n"s},
        {"an absolute name without a/ and b/", "/abs/f", "a\n", "b\n", "--- /abs/f\n+++ /abs/f\n@@ -1 +1 @@\n-a\n+b\n"},
        {"a name with a space ends in a tab", "x y", "a\n", "b\n",
         "--- a/x y\t\n+++ b/x y\t\n@@ -1 +1 @@\n-a\n+b\n"},
        {"a name with a line break is quoted whole", "x\ny", "a\n", "b\n",
         "--- \"a/x\\ny\"\n+++ \"b/x\\ny\"\n@@ -1 +1 @@\n-a\n+b\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(unifiedDiff(c.file, c.before, c.after), c.expected) << c.name;
}

}  // namespace
}  // namespace folvane::cli

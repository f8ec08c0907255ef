// folvane-cli --check and --diff: what a run would change, written nowhere.
#include <gtest/gtest.h>

#include "cli/unified_diff.h"
#include "cli_run.h"
#include "gbtext.h"
#include "temp_dir.h"

namespace folvane::cli {
namespace {

using folvane::testing::CliRun;
using folvane::testing::runCliInProcess;
using CliCheck = folvane::testing::TempDirTest;

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

TEST_F(CliCheck, DiffShowsTheChangesInUtf8) {
    const std::string gbRaw = write("gb.txt", folvane::testing::g("甲\r\n乙。"));
    const std::string done = write("done.txt", kTypeset);
    const CliRun r = runCliInProcess({"--diff", "--set", "joinNonParagraphBreaks=1", gbRaw, done});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "--- " + gbRaw + "\n+++ " + gbRaw +
                         "\n@@ -1,2 +1 @@\n-\xE7\x94\xB2\n-\xE4\xB9\x99\xE3\x80\x82\n\\ No newline at end of file\n"
                         "+\xE3\x80\x80\xE3\x80\x80\xE7\x94\xB2\xE4\xB9\x99\xE3\x80\x82\n"
                         "\\ No newline at end of file\n");
    // With --check the list comes first.
    const CliRun both = runCliInProcess({"--check", "--diff", gbRaw});
    EXPECT_TRUE(both.out.starts_with(gbRaw + "\n--- ")) << both.out;
    EXPECT_EQ(runCliInProcess({"--diff", done}).out, "");
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
    struct Case {
        const char* name;
        std::string before, after, expected;
    };
    const Case cases[] = {
        {"equal texts: nothing", "a\r\nb", "a\r\nb", ""},
        {"one line changed among many: three lines of context",
         "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n", "1\r\n2\r\n3\r\n4\r\nx\r\n6\r\n7\r\n8\r\n9\r\n",
         "--- a/f\n+++ b/f\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+x\n 6\n 7\n 8\n"},
        {"changes far apart: two hunks",
         "a\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\nb\r\n", "A\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\nB\r\n",
         "--- a/f\n+++ b/f\n@@ -1,4 +1,4 @@\n-a\n+A\n 1\n 2\n 3\n@@ -6,4 +6,4 @@\n 5\n 6\n 7\n-b\n+B\n"},
        {"a line added at the end", "a\r\n", "a\r\nb\r\n", "--- a/f\n+++ b/f\n@@ -1 +1,2 @@\n a\n+b\n"},
        {"everything removed", "a\r\nb\r\n", "", "--- a/f\n+++ b/f\n@@ -1,2 +0,0 @@\n-a\n-b\n"},
        {"the last line loses its break", "a\r\n", "a",
         "--- a/f\n+++ b/f\n@@ -1 +1 @@\n-a\n+a\n\\ No newline at end of file\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(unifiedDiff("f", c.before, c.after), c.expected) << c.name;
}

}  // namespace
}  // namespace folvane::cli

#include "batch/batch_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine/typeset.h"
#include "gbtext.h"
#include "temp_dir.h"
#include "text/file_io.h"

namespace folvane::batch {
namespace {

using folvane::testing::g;
namespace fs = std::filesystem;

const std::string kI = "\xA1\xA1\xA1\xA1";  // two full-width spaces

std::vector<std::string> paths(const BatchList& list) {
    std::vector<std::string> out;
    for (const auto& r : list.rows()) out.push_back(r.path);
    return out;
}

TEST(BatchList, AddingPaths) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::vector<std::string>, PathSource>> adds;
        std::vector<std::string> rows;
    };
    const auto D = PathSource::Drop;
    const auto F = PathSource::Dialog;
    const Case cases[] = {
        {"the three extensions", {{{"/a/x.txt", "/a/y.htm", "/a/z.html"}, D}}, {"/a/x.txt", "/a/y.htm", "/a/z.html"}},
        {"others refused, .text too", {{{"/a/x.text", "/a/x.doc", "/a/txt", "/a.txt/x", ""}, D}}, {}},
        {"a dropped upper-case extension is refused", {{{"/a/A.TXT", "/a/b.Html"}, D}}, {}},
        {"a chosen upper-case extension passes, the path kept", {{{"/a/A.TXT", "/a/B.Htm"}, F}},
         {"/a/A.TXT", "/a/B.Htm"}},
        {"the same path twice", {{{"/a/x.txt", "/a/x.txt"}, D}}, {"/a/x.txt"}},
        {"the same path in other letter case", {{{"/a/x.txt"}, D}, {{"/A/X.txt"}, F}}, {"/a/x.txt"}},
        {"a path that ends another one is another file", {{{"/x/a/b.txt", "/a/b.txt", "b.txt"}, D}},
         {"/x/a/b.txt", "/a/b.txt", "b.txt"}},
        {"Chinese names: only ASCII letters fold", {{{"/书/甲.txt", "/书/乙.txt", "/书/甲.TXT"}, F}},
         {"/书/甲.txt", "/书/乙.txt"}},
    };
    for (const auto& c : cases) {
        BatchList list;
        for (const auto& [add, source] : c.adds) list.addPaths(add, source);
        EXPECT_EQ(paths(list), c.rows) << c.name;
    }
}

TEST(BatchList, RowsAndLastFolder) {
    BatchList list;
    EXPECT_EQ(list.addPaths({"/home/u/书/a.b.html", "/home/u/c.TXT", "/home/u/d.txt"}, PathSource::Drop), 2u);
    ASSERT_EQ(list.rows().size(), 2u);
    EXPECT_EQ(list.rows()[0].name, "a.b.html");
    EXPECT_EQ(list.rows()[0].kind, FileKind::WebPage);
    EXPECT_EQ(list.rows()[1].kind, FileKind::PlainText);
    EXPECT_EQ(list.rows()[1].status, RowStatus::Waiting);
    EXPECT_EQ(list.lastAddFolder(), "/home/u/");  // of the file added last, not the refused one
    EXPECT_EQ(kindCaption(FileKind::WebPage), g("网页文件"));
    EXPECT_EQ(statusCaption(RowStatus::Done), g("√"));

    // Markdown documents are rows of their own kind; ".text" stays refused.
    BatchList docs;
    EXPECT_EQ(docs.addPaths({"/d/a.md", "/d/b.MARKDOWN", "/d/c.mdown", "/d/e.text", "/d/f.mdx"}, PathSource::Dialog), 3u);
    for (const BatchRow& r : docs.rows()) EXPECT_EQ(r.kind, FileKind::Markdown) << r.path;
    EXPECT_EQ(kindCaption(FileKind::Markdown), "Markdown");
}

TEST(BatchList, RemovingRowsKeepsTheirPathsAdded) {
    struct Case {
        const char* name;
        std::vector<RowStatus> statuses;
        std::vector<std::size_t> selected;
        std::vector<std::string> left;
    };
    using S = RowStatus;
    const Case cases[] = {
        {"waiting and done rows go", {S::Waiting, S::Done, S::Waiting}, {0, 1}, {"/2.txt"}},
        {"rows being converted stay", {S::Initializing, S::Converting, S::Failed}, {2, 1, 0}, {"/0.txt", "/1.txt"}},
        {"selection in any order, repeated, out of range", {S::Waiting, S::Waiting, S::Waiting}, {2, 0, 2, 9},
         {"/1.txt"}},
        {"nothing selected", {S::Waiting}, {}, {"/0.txt"}},
    };
    for (const auto& c : cases) {
        BatchList list;
        std::vector<std::string> all;
        for (std::size_t i = 0; i < c.statuses.size(); ++i) all.push_back("/" + std::to_string(i) + ".txt");
        list.addPaths(all, PathSource::Drop);
        for (std::size_t i = 0; i < c.statuses.size(); ++i) list.rows()[i].status = c.statuses[i];
        list.removeRows(c.selected);
        EXPECT_EQ(paths(list), c.left) << c.name;
    }
    BatchList list;
    list.addPaths({"/a.txt"}, PathSource::Drop);
    list.removeRows({0});
    EXPECT_EQ(list.addPaths({"/a.txt"}, PathSource::Drop), 0u);  // refused until cleared
    list.clear();
    EXPECT_EQ(list.addPaths({"/A.txt"}, PathSource::Drop), 1u);
}

TEST(Naming, OutputFiles) {
    struct Case {
        std::string folder, input, expected;
    };
    const Case cases[] = {
        {"/out", "/in/a.b.html", "/out/a.b.txt"},
        {"/out/", "/in/a.htm", "/out/a.txt"},
        {"/out", "/in/a.txt", "/out/a.txt"},
        {"/out", "C:\\x\\y.z.TXT", "/out/C:\\x\\y.z.txt"},  // a backslash is part of the name
        {"/out", "noext", "/out/noext.txt"},
        {"/out", "dir.d/noext", "/out/noext.txt"},
        {"/out", "/in/.txt", "/out/.txt"},
        {"/输出", "/in/甲.html", "/输出/甲.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(outputPathFor(c.folder, c.input), c.expected) << c.input;
}

TEST(Naming, ParagraphSeparator) {
    struct Case {
        const char* name;
        std::function<void(engine::TypesetOptions&)> set;
        std::string expected;
    };
    const Case cases[] = {
        {"no blank lines", [](auto&) {}, "\r\n"},
        {"doubleBreak", [](auto& o) { o.doubleBreak = true; }, "\r\n\r\n"},
        {"tripleBreak", [](auto& o) { o.tripleBreak = true; }, "\r\n\r\n\r\n"},
        {"filled blank lines carry the indentation",
         [](auto& o) { o.doubleBreak = o.fillBlankLines = o.addIndent = o.indentFullWidth = true; },
         "\r\n" + kI + "\r\n"},
        {"fill without indentation", [](auto& o) { o.tripleBreak = o.fillBlankLines = true; }, "\r\n\r\n\r\n"},
    };
    for (const auto& c : cases) {
        engine::TypesetOptions o;
        c.set(o);
        EXPECT_EQ(paragraphSeparator(o), c.expected) << c.name;
    }
}

TEST(Folder, DefaultBesideTheProgramWhenWritable) {
    struct Case {
        std::string exeDir;
        bool writable;
        std::string expected;
    };
    const Case cases[] = {
        {"/opt/folvane", true, "/opt/folvane/批量排版默认文件夹"},
        {"/usr/bin", false, "/home/u/批量排版默认文件夹"},
        {"", true, "/home/u/批量排版默认文件夹"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> asked;
        const auto result = defaultOutputFolder(c.exeDir, "/home/u/", [&](const std::string& d) {
            asked.push_back(d);
            return c.writable;
        });
        EXPECT_EQ(result, c.expected) << c.exeDir;
    }
}

using BatchFiles = folvane::testing::TempDirTest;

TEST_F(BatchFiles, PrepareOutputFolder) {
    std::string why;
    EXPECT_TRUE(prepareOutputFolder(dir_ + "/a/b/c", &why)) << why;
    EXPECT_TRUE(fs::is_directory(dir_ + "/a/b/c"));
    EXPECT_TRUE(filesIn(dir_ + "/a/b/c").empty());  // the probe is gone
    const std::string file = write("plain", "x");
    EXPECT_FALSE(prepareOutputFolder(file + "/sub", &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(prepareOutputFolder(file, &why));
    // A folder that exists but takes no files (even for root).
    EXPECT_FALSE(prepareOutputFolder("/proc", &why));
    EXPECT_FALSE(prepareOutputFolder("", &why));
}

TEST(Texts, Captions) {
    EXPECT_EQ(fileInfoText("/d/abc.txt", 12345), "abc.txt(12KB)");
    EXPECT_EQ(fileInfoText("abc.txt", 999), "abc.txt(0KB)");
    EXPECT_EQ(convertingCaption(3, 12), g("正在转换第3个文件(共12个)"));
    struct Case {
        std::int64_t seconds;
        std::string expected;
    };
    const Case cases[] = {{0, g("0时0分0秒")}, {65, g("0时1分5秒")}, {3600, g("1时0分0秒")}, {36061, g("10时1分1秒")},
                          {-3, g("0时0分0秒")}};
    for (const auto& c : cases) EXPECT_EQ(elapsedText(c.seconds), c.expected) << c.seconds;
}

TEST(Texts, FinalMessage) {
    struct Case {
        std::size_t files;
        std::string label;
        std::size_t failed;
        std::string expected;
    };
    const std::string ok = g("恭喜！转换任务顺利完成！\r\n总共转换 ");
    const Case cases[] = {
        {3, g("0时0分12秒"), 0, ok + g("3 个文件，历经12秒。")},
        {3, g("0时3分5秒"), 0, ok + g("3 个文件，历经3分5秒。")},
        {1, g("1时0分5秒"), 0, ok + g("1 个文件，历经1时5秒。")},
        {1, g("10时0分0秒"), 0, ok + g("1 个文件，历经10时0秒。")},
        {1, g("0时10分0秒"), 0, ok + g("1 个文件，历经10分0秒。")},
        {2, "", 0, ok + g("2 个文件。")},
        {2, g("0时"), 0, ok + g("2 个文件。")},  // nothing left after the clean-up
        {4, g("0时0分1秒"), 2, g("转换任务已完成，其中 2 个文件失败（无法读取或写入）！\r\n总共转换 4 个文件，历经1秒。")},
    };
    for (const auto& c : cases) EXPECT_GB_EQ(finalMessage(c.files, c.label, c.failed), c.expected);
}

// A run as the batch window drives it: every input in order, merge read per file.
struct Outcomes {
    std::vector<FileOutcome> outcomes;
    std::vector<std::string> errors;
};

Outcomes runAll(BatchRun& run, const std::function<bool(std::size_t)>& merge, const engine::TypesetOptions& o,
                engine::RunContext& ctx) {
    Outcomes out;
    for (std::size_t i = 0; i < run.inputs().size(); ++i) {
        const std::string input = run.inputs()[i];
        FileResult r = run.processFile(
            i, merge(i),
            [&](std::string t, BatchFileProgress* p) { return typesetForBatch(input, std::move(t), run.currentFormat(), o, ctx, p); },
            paragraphSeparator(o));
        out.outcomes.push_back(r.outcome);
        out.errors.push_back(r.error);
        for (std::size_t f : r.mergedFailed) out.outcomes[f] = FileOutcome::Failed;
    }
    const MergedClose closed = run.closeMerged();
    for (std::size_t f : closed.failed) out.outcomes[f] = FileOutcome::Failed;
    return out;
}

const auto kNever = [](std::size_t) { return false; };
const auto kAlways = [](std::size_t) { return true; };

TEST_F(BatchFiles, TextAndWebPagesOneFileEach) {
    const std::string a = write("in/a.b.html", g("<p>网页</p>甲"));
    const std::string b = write("in/b.htm", "<SCRIPT>x</SCRIPT>y\0z");
    const std::string c = write("in/c.txt", g("文本"));
    const std::string e = write("in/empty.txt", "");
    const std::string missing = dir_ + "/in/missing.txt";
    BatchRun run(dir_ + "/out", text::EncodingChoice::Gb18030, {a, b, c, e, missing});
    ASSERT_TRUE(prepareOutputFolder(dir_ + "/out"));
    engine::RunContext ctx;
    const Outcomes r = runAll(run, kNever, engine::TypesetOptions::defaults(), ctx);
    using O = FileOutcome;
    EXPECT_EQ(r.outcomes, (std::vector<O>{O::Written, O::Written, O::Written, O::Empty, O::Failed}));
    EXPECT_NE(r.errors[4].find(missing), std::string::npos);
    EXPECT_EQ(filesIn(dir_ + "/out"), (std::vector<std::string>{"a.b.txt", "b.txt", "c.txt"}));
    EXPECT_GB_EQ(read(dir_ + "/out/a.b.txt"), kI + g("网页\r\n") + kI + g("甲"));
    EXPECT_EQ(read(dir_ + "/out/b.txt"), kI + "y");  // the page ends at its zero byte
    EXPECT_GB_EQ(read(dir_ + "/out/c.txt"), kI + g("文本"));
}

TEST_F(BatchFiles, MarkdownKeepsItsStructureAndEveryFileItsLastBreak) {
    // The window's switches: the paragraph switches leave a Markdown
    // document alone, its prose is corrected, its code kept.
    const std::string md = g("# 标题\r\n\r\n- 中文,好\r\n\r\n```\r\nfoo(1);\r\n```\r\n");
    const std::string a = write("in/doc.md", md);
    const std::string b = write("in/t.txt", g("文本\r\n"));
    const std::string c = write("in/none.txt", g("末行"));
    BatchRun run(dir_ + "/out", text::EncodingChoice::Gb18030, {a, b, c});
    run.setKeepFinalBreak(true);
    ASSERT_TRUE(prepareOutputFolder(dir_ + "/out"));
    engine::RunContext ctx;
    engine::TypesetOptions o = engine::TypesetOptions::defaults();
    o.fixPunctuation = true;
    const Outcomes r = runAll(run, kNever, o, ctx);
    using O = FileOutcome;
    EXPECT_EQ(r.outcomes, (std::vector<O>{O::Written, O::Written, O::Written}));
    EXPECT_EQ(filesIn(dir_ + "/out"), (std::vector<std::string>{"doc.md", "none.txt", "t.txt"}));
    EXPECT_GB_EQ(read(dir_ + "/out/doc.md"), g("# 标题\r\n\r\n- 中文，好\r\n\r\n```\r\nfoo(1);\r\n```\r\n"));
    EXPECT_GB_EQ(read(dir_ + "/out/t.txt"), kI + g("文本\r\n"));
    EXPECT_GB_EQ(read(dir_ + "/out/none.txt"), kI + g("末行"));
}

TEST_F(BatchFiles, MergedFileIsNamedAfterTheFirstNonEmptyFile) {
    const std::string e = write("empty.txt", "");
    const std::string a = write("first.htm", "a");
    const std::string b = write("second.txt", "b");
    const std::string blank = write("blank.txt", "   ");  // typesets to nothing: no separator for it
    const std::string c = write("third.txt", "c");
    BatchRun run(dir_ + "/out", text::EncodingChoice::Gb18030, {e, a, b, blank, c});
    ASSERT_TRUE(prepareOutputFolder(dir_ + "/out"));
    engine::RunContext ctx;
    engine::TypesetOptions o = engine::TypesetOptions::defaults();
    o.doubleBreak = true;
    const Outcomes r = runAll(run, kAlways, o, ctx);
    EXPECT_EQ(r.outcomes[0], FileOutcome::Empty);
    EXPECT_EQ(filesIn(dir_ + "/out"), (std::vector<std::string>{"first.txt"}));
    EXPECT_EQ(read(dir_ + "/out/first.txt"), kI + "a\r\n\r\n" + kI + "b\r\n\r\n" + kI + "c");
}

TEST_F(BatchFiles, MergeReadAnewForEveryFile) {
    const std::string a = write("a.txt", "a");
    const std::string b = write("b.txt", "b");
    const std::string c = write("c.txt", "c");
    const std::string d = write("d.txt", "d");
    BatchRun run(dir_ + "/out", text::EncodingChoice::Gb18030, {a, b, c, d});
    ASSERT_TRUE(prepareOutputFolder(dir_ + "/out"));
    engine::RunContext ctx;
    // Merged a+b, then c alone, then d opens a merged file of its own.
    runAll(run, [](std::size_t i) { return i != 2; }, engine::TypesetOptions::defaults(), ctx);
    EXPECT_EQ(filesIn(dir_ + "/out"), (std::vector<std::string>{"a.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(read(dir_ + "/out/a.txt"), kI + "a\r\n" + kI + "b");
    EXPECT_EQ(read(dir_ + "/out/c.txt"), kI + "c");
    EXPECT_EQ(read(dir_ + "/out/d.txt"), kI + "d");
}

TEST_F(BatchFiles, AnOutputNeverReplacesAnInputNotYetRead) {
    const std::string html = write("b.html", "new");
    const std::string txt = write("b.txt", "old");
    // The output folder is the inputs' folder: b.html's output is b.txt.
    BatchRun run(dir_, text::EncodingChoice::Gb18030, {html, txt});
    engine::RunContext ctx;
    const Outcomes r = runAll(run, kNever, engine::TypesetOptions::defaults(), ctx);
    EXPECT_EQ(r.outcomes, (std::vector<FileOutcome>{FileOutcome::Failed, FileOutcome::Written}));
    EXPECT_NE(r.errors[0].find(html), std::string::npos) << r.errors[0];
    EXPECT_NE(r.errors[0].find(txt), std::string::npos) << r.errors[0];
    EXPECT_EQ(read(txt), kI + "old");  // read in its turn, then replaced by its own result

    // In merge mode the merged file is written after its inputs were read.
    const std::string m1 = write("m/x.html", "1");
    const std::string m2 = write("m/x.txt", "2");
    BatchRun merged(dir_ + "/m", text::EncodingChoice::Gb18030, {m1, m2});
    const Outcomes rm = runAll(merged, kAlways, engine::TypesetOptions::defaults(), ctx);
    EXPECT_EQ(rm.outcomes, (std::vector<FileOutcome>{FileOutcome::Appended, FileOutcome::Appended}));
    EXPECT_EQ(read(m2), kI + "1\r\n" + kI + "2");
}

TEST_F(BatchFiles, RefusedAndReplacedOutputs) {
    struct Case {
        const char* name;
        std::vector<std::string> inputs;  // written in the case's folder, which is also the output folder
        bool merge;
        std::vector<std::size_t> refused, replacing;  // indices
    };
    const Case cases[] = {
        {"html before its txt", {"b.html", "b.txt"}, false, {0}, {}},
        {"txt before its html", {"b.txt", "b.html"}, false, {}, {1}},
        {"an input replaced by itself", {"a.txt"}, false, {}, {}},
        {"same name in two folders", {"d1/a.txt", "d2/a.txt"}, false, {}, {1}},
        {"merge refuses nothing", {"b.html", "b.txt"}, true, {}, {}},
        {"a missing input fails on reading only", {"-nothing.html", "c.htm"}, false, {}, {}},
        // Its first result would be what the second turn reads.
        {"one file given twice", {"b.txt", "b.txt"}, false, {0}, {}},
        {"three of one name", {"b.html", "c.htm", "b.txt", "b.txt"}, false, {0, 2}, {}},
        {"two pages of one name after their text", {"b.txt", "b.htm", "b.html"}, false, {}, {1, 2}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string folder = "case" + std::to_string(n++);
        std::vector<std::string> inputs;
        for (const std::string& name : c.inputs) {
            if (name.starts_with("-")) inputs.push_back(dir_ + "/" + folder + "/" + name.substr(1));
            else inputs.push_back(write(folder + "/" + name, "x"));
        }
        BatchRun run(dir_ + "/" + folder, text::EncodingChoice::Gb18030, inputs);
        engine::RunContext ctx;
        const auto o = engine::TypesetOptions::defaults();
        std::vector<std::size_t> refused, replacing;
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            const FileResult r = run.processFile(
                i, c.merge,
                [&](std::string t, BatchFileProgress* p) { return typesetForBatch(inputs[i], std::move(t), run.currentFormat(), o, ctx, p); },
                "\r\n");
            if (r.error.find("would replace the input") != std::string::npos) refused.push_back(i);
            if (r.outcome != FileOutcome::Failed && r.replacedOutputOf) replacing.push_back(i);
        }
        EXPECT_TRUE(run.closeMerged().failed.empty()) << c.name;
        EXPECT_EQ(refused, c.refused) << c.name;
        EXPECT_EQ(replacing, c.replacing) << c.name;
    }
}

TEST_F(BatchFiles, SameNameInTwoFoldersTheLaterReplacesTheEarlier) {
    const std::string a = write("d1/a.txt", "one");
    const std::string b = write("d2/a.htm", "two");
    BatchRun run(dir_ + "/out", text::EncodingChoice::Gb18030, {a, b});
    ASSERT_TRUE(prepareOutputFolder(dir_ + "/out"));
    engine::RunContext ctx;
    const auto o = engine::TypesetOptions::defaults();
    auto transform = [&](const std::string& in) {
        return [&, in](std::string t, BatchFileProgress* p) { return typesetForBatch(in, std::move(t), run.currentFormat(), o, ctx, p); };
    };
    EXPECT_FALSE(run.processFile(0, false, transform(a), "\r\n").replacedOutputOf);
    const FileResult second = run.processFile(1, false, transform(b), "\r\n");
    ASSERT_TRUE(second.replacedOutputOf);
    EXPECT_EQ(*second.replacedOutputOf, 0u);
    EXPECT_EQ(read(dir_ + "/out/a.txt"), kI + "two");
}

TEST_F(BatchFiles, EncodingWithAndWithoutDetection) {
    struct Case {
        const char* name;
        std::string input;
        text::EncodingChoice choice;
        bool merge;
        std::string expected;
        FileOutcome outcome;
    };
    const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87\n\xE4\xB8\x80";  // 中文\n一
    const std::string kIu = "\xE3\x80\x80\xE3\x80\x80";
    const std::string le = std::string("\xFF\xFE", 2) + std::string("a\0\n\0b\0", 6);
    const std::string leI = std::string("\x00\x30\x00\x30", 4);
    const Case cases[] = {
        {"UTF-8 with LF comes back as UTF-8 with LF", utf8, text::EncodingChoice::Auto, false,
         kIu + "\xE4\xB8\xAD\xE6\x96\x87\n" + kIu + "\xE4\xB8\x80", FileOutcome::Written},
        {"without detection the bytes are GB18030", g("中文\r\n一"), text::EncodingChoice::Gb18030, false,
         kI + g("中文\r\n") + kI + g("一"), FileOutcome::Written},
        {"UTF-16 merged twice keeps one byte-order mark", le, text::EncodingChoice::Auto, true,
         std::string("\xFF\xFE", 2) + leI + std::string("a\0\n\0", 4) + leI + std::string("b\0\n\0", 4) + leI +
             std::string("a\0\n\0", 4) + leI + std::string("b\0", 2),
         FileOutcome::Appended},
        {"a broken byte-order-marked file fails", std::string("\xEF\xBB\xBF\xFF", 4), text::EncodingChoice::Auto,
         false, "", FileOutcome::Failed},
    };
    for (const auto& c : cases) {
        fs::remove_all(dir_ + "/out");
        const std::string in = write("in/f.txt", c.input);
        const std::string again = write("in/g.txt", c.input);
        std::vector<std::string> inputs{in};
        if (c.merge) inputs.push_back(again);
        BatchRun run(dir_ + "/out", c.choice, inputs);
        ASSERT_TRUE(prepareOutputFolder(dir_ + "/out"));
        engine::RunContext ctx;
        const Outcomes r = runAll(run, c.merge ? kAlways : kNever, engine::TypesetOptions::defaults(), ctx);
        EXPECT_EQ(r.outcomes[0], c.outcome) << c.name;
        if (c.outcome != FileOutcome::Failed) EXPECT_EQ(read(dir_ + "/out/f.txt"), c.expected) << c.name;
        else EXPECT_FALSE(fs::exists(dir_ + "/out/f.txt")) << c.name;
    }
}

TEST_F(BatchFiles, UnwritableFolderFailsEveryFileMergedOrNot) {
    const std::string a = write("a.txt", "a");
    const std::string b = write("b.txt", "b");
    for (const bool merge : {false, true}) {
        BatchRun run("/proc", text::EncodingChoice::Gb18030, {a, b});
        engine::RunContext ctx;
        const Outcomes r =
            runAll(run, [merge](std::size_t) { return merge; }, engine::TypesetOptions::defaults(), ctx);
        EXPECT_EQ(r.outcomes, (std::vector<FileOutcome>{FileOutcome::Failed, FileOutcome::Failed})) << merge;
    }
}

TEST_F(BatchFiles, ProgressOfOneFile) {
    struct Recorder : BatchFileProgress {
        std::vector<std::string> events;
        void fileRead(std::uint64_t size) override { events.push_back("read " + std::to_string(size)); }
        void initializing() override { events.push_back("init"); }
        void converting() override { events.push_back("convert"); }
    };
    const std::string a = write("a.html", "<b>x</b>");
    const std::string e = write("e.txt", "");
    BatchRun run(dir_ + "/out", text::EncodingChoice::Gb18030, {a, e});
    ASSERT_TRUE(prepareOutputFolder(dir_ + "/out"));
    engine::RunContext ctx;
    const auto o = engine::TypesetOptions::defaults();
    Recorder rec;
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string in = run.inputs()[i];
        run.processFile(
            i, false, [&](std::string t, BatchFileProgress* p) { return typesetForBatch(in, std::move(t), run.currentFormat(), o, ctx, p); },
            "\r\n", &rec);
    }
    EXPECT_EQ(rec.events, (std::vector<std::string>{"read 8", "init", "convert", "read 0"}));
}

}  // namespace
}  // namespace folvane::batch

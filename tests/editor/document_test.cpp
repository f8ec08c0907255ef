#include "editor/document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "gbtext.h"
#include "text/file_io.h"

namespace folvane::editor {
namespace {

using folvane::testing::g;
namespace fs = std::filesystem;

const std::string kBase(kBaseTitle);

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/folvane-doc-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        ::chmod(dir_.c_str(), 0755);
        fs::remove_all(dir_);
    }
    // Open as the window does: read, take the path, show the text, end the load.
    void open(const std::string& path) {
        auto file = readDocumentFile(path);
        ASSERT_TRUE(file);
        doc_.beginOpen(path, file->format);
        doc_.textChanged(file->text, 0);
        doc_.fileLoaded(file->text, 0);
    }
    std::string dir_;
    Document doc_;
};

TEST_F(DocumentTest, TitleAndSavedIndicator) {
    const std::string path = dir_ + "/a.txt";
    ASSERT_TRUE(text::writeFileAtomically(path, "abc"));
    struct Step {
        const char* name;
        std::function<void(Document&)> action;
        std::string title;
        bool saved;
    };
    const Step steps[] = {
        {"start", [](Document&) {}, kBase, true},
        {"editing an untitled document", [](Document& d) { d.textChanged("x", 1); }, kBase, false},
        {"emptying it again", [](Document& d) { d.textChanged("", 0); }, kBase, true},
        {"open", [&](Document&) { open(path); }, "a.txt - " + kBase, true},
        {"edit", [](Document& d) { d.textChanged("abcd", 4); }, "* a.txt - " + kBase, false},
        {"save", [&](Document& d) { ASSERT_TRUE(d.save(d.currentPath(), "abcd")); }, "a.txt - " + kBase, true},
        {"new", [](Document& d) { d.newDocument(); }, kBase, true},
        {"edit after new", [](Document& d) { d.textChanged("y", 1); }, kBase, false},
    };
    for (const auto& s : steps) {
        s.action(doc_);
        EXPECT_EQ(doc_.title(), s.title) << s.name;
        EXPECT_EQ(doc_.savedIndicator(), s.saved) << s.name;
    }
    EXPECT_FALSE(doc_.savedFlag());  // New clears it
}

// The saved indicator follows the history: it is set exactly when the
// editor shows the snapshot the file holds.
TEST_F(DocumentTest, UndoBackToTheFilesTextIsSaved) {
    const std::string path = dir_ + "/a.txt";
    ASSERT_TRUE(text::writeFileAtomically(path, "abc"));
    open(path);
    struct Step {
        const char* name;
        std::function<void(Document&)> action;
        bool saved;
    };
    const Step steps[] = {
        {"a run changes the text", [](Document& d) { d.textChanged("ABC", 0); }, false},
        {"undo back to the file", [](Document& d) { d.shown(d.undo()->caret); }, true},
        {"redo", [](Document& d) { d.shown(d.redo()->caret); }, false},
        {"undo again", [](Document& d) { d.shown(d.undo()->caret); }, true},
        {"a text equal to the current one", [](Document& d) { d.textChanged("abc", 3); }, true},
        {"a new edit after the undo", [](Document& d) { d.textChanged("abX", 3); }, false},
        {"undo to the file once more", [](Document& d) { d.shown(d.undo()->caret); }, true},
        {"edit, then save", [](Document& d) {
             d.textChanged("abY", 3);
             ASSERT_TRUE(d.save(d.currentPath(), "abY"));
         }, true},
        {"undo past the save", [](Document& d) { d.shown(d.undo()->caret); }, false},
        {"redo onto the saved text", [](Document& d) { d.shown(d.redo()->caret); }, true},
    };
    for (const auto& s : steps) {
        s.action(doc_);
        EXPECT_EQ(doc_.savedIndicator(), s.saved) << s.name;
        EXPECT_EQ(doc_.title(), (s.saved ? "" : "* ") + std::string("a.txt - ") + kBase) << s.name;
    }
}

TEST_F(DocumentTest, ASavedSnapshotDroppedAsTheOldestIsForgotten) {
    Document small(3);
    const std::string path = dir_ + "/a.txt";
    ASSERT_TRUE(text::writeFileAtomically(path, "f"));
    small.beginOpen(path);
    small.fileLoaded(std::string("f"), 0);
    for (const char* t : {"1", "2", "3"}) small.textChanged(t, 1);
    // Three slots hold "1", "2", "3" now; no undo reaches "f", and no slot
    // that took the file's place may count as saved.
    while (small.canUndo()) {
        small.shown(small.undo()->caret);
        EXPECT_FALSE(small.savedIndicator()) << small.text().str();
    }
}

TEST(FileName, OnlyTheSlashSeparates) {
    EXPECT_EQ(fileNameOf("/home/u/a b.txt"), "a b.txt");
    EXPECT_EQ(fileNameOf("/home/u/a\\b.txt"), "a\\b.txt");  // a backslash is part of the name
    EXPECT_EQ(fileNameOf("a.txt"), "a.txt");
    EXPECT_EQ(fileNameOf("/home/u/"), "");
    EXPECT_EQ(lengthStatus(12), g("文本长度：12字节"));
}

TEST_F(DocumentTest, ConfirmationsOnlyForAChangedDocument) {
    for (auto cmd : {DocumentCommand::New, DocumentCommand::Open, DocumentCommand::Close})
        EXPECT_FALSE(doc_.confirmationBefore(cmd));
    // Text typed into an untitled document is asked about like a changed
    // file; emptied again, there is nothing to lose.
    doc_.textChanged("draft", 5);
    for (auto cmd : {DocumentCommand::New, DocumentCommand::Open, DocumentCommand::Close})
        EXPECT_TRUE(doc_.confirmationBefore(cmd));
    doc_.textChanged("", 0);
    EXPECT_FALSE(doc_.confirmationBefore(DocumentCommand::Close));
    const std::string path = dir_ + "/a.txt";
    ASSERT_TRUE(text::writeFileAtomically(path, "abc"));
    open(path);
    EXPECT_FALSE(doc_.confirmationBefore(DocumentCommand::Close));
    doc_.textChanged("abcd", 4);
    struct Case {
        DocumentCommand cmd;
        std::string text, title;
    };
    const Case cases[] = {
        {DocumentCommand::New, g("当前文本文件已被改动，想保存该文件吗？"), g("新建前保存确认")},
        {DocumentCommand::Open, g("当前文本文件已被改动，想保存该文件吗？"), g("打开前保存确认")},
        {DocumentCommand::Close, g("文件已被改动，想保存该文件吗？"), g("关闭确认")},
    };
    for (const auto& c : cases) {
        const auto q = doc_.confirmationBefore(c.cmd);
        ASSERT_TRUE(q);
        EXPECT_GB_EQ(q->text, c.text);
        EXPECT_GB_EQ(q->title, c.title);
    }
}

TEST_F(DocumentTest, OpenAndNewRestartTheHistory) {
    doc_.textChanged("one", 3);
    doc_.textChanged("two", 3);
    ASSERT_TRUE(doc_.undo());
    doc_.textChanged("one", 3);
    ASSERT_TRUE(doc_.canRedo());
    const std::string path = dir_ + "/a.txt";
    ASSERT_TRUE(text::writeFileAtomically(path, "file"));
    open(path);
    EXPECT_FALSE(doc_.loadingFile());
    // The history starts at the file's text: nothing before it to go back
    // to (an empty snapshot there once let Undo and Save empty the file).
    EXPECT_EQ(doc_.history().historyPos(), 1u);
    EXPECT_FALSE(doc_.canRedo() || doc_.canUndo());
    EXPECT_EQ(doc_.history().current().str(), "file");
    EXPECT_TRUE(doc_.savedIndicator());
    doc_.textChanged("file2", 5);
    EXPECT_FALSE(doc_.savedIndicator());
    ASSERT_TRUE(doc_.canUndo());
    EXPECT_EQ(doc_.undo()->text(), "file");
    EXPECT_FALSE(doc_.canUndo());

    doc_.newDocument();
    EXPECT_EQ(doc_.history().historyPos(), 1u);
    EXPECT_FALSE(doc_.canUndo() || doc_.canRedo());
    EXPECT_EQ(doc_.currentPath(), "");
}

TEST_F(DocumentTest, SaveKeepsTheFileFormat) {
    const std::string path = dir_ + "/u.txt";
    ASSERT_TRUE(text::writeFileAtomically(path, "\xEF\xBB\xBF" "a\nb\n"));
    open(path);
    ASSERT_TRUE(doc_.save(path, "a\r\nb\r\nc"));
    std::string back;
    ASSERT_TRUE(text::readFile(path, back));
    EXPECT_EQ(back, "\xEF\xBB\xBF" "a\nb\nc\n");  // the file's last line break kept

    doc_.newDocument();
    const std::string fresh = dir_ + "/new.txt";
    ASSERT_TRUE(doc_.save(fresh, g("甲\r\n乙")));
    ASSERT_TRUE(text::readFile(fresh, back));
    EXPECT_EQ(back, g("甲\r\n乙"));  // new documents: GB18030 with CR LF
    EXPECT_TRUE(doc_.savedFlag());
}

TEST_F(DocumentTest, FailedSaveLeavesTheDocumentChanged) {
    // A directory that does not exist stands for any failing write.
    const std::string path = dir_ + "/missing/a.txt";
    doc_.textChanged("text", 4);
    std::string error;
    EXPECT_FALSE(doc_.save(path, "text", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(doc_.currentPath(), path);
    EXPECT_FALSE(doc_.savedIndicator());
    EXPECT_FALSE(doc_.savedFlag());
    EXPECT_EQ(doc_.title(), "* a.txt - " + kBase);
    EXPECT_TRUE(doc_.confirmationBefore(DocumentCommand::Close));
    fs::create_directory(dir_ + "/missing");
    EXPECT_TRUE(doc_.save(path, "text"));
    EXPECT_FALSE(doc_.confirmationBefore(DocumentCommand::Close));
}

TEST_F(DocumentTest, UnreadableFileIsReported) {
    std::string error;
    EXPECT_FALSE(readDocumentFile(dir_ + "/none.txt", &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace folvane::editor

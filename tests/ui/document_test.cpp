// The window and its document: New, Open, Save, confirmations, Undo/Redo,
// dropped files and the file named on the command line.
#include <gtest/gtest.h>

#include <functional>

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <sys/stat.h>

#include "editor/document_flow.h"
#include "editor_widget.h"
#include "gbtext.h"
#include "main_window.h"
#include "worker.h"
#include "text/file_io.h"
#include "ui_support.h"

namespace {

using folvane::editor::SaveAnswer;
using folvane::testing::g;

const QString kBase = QStringLiteral("Velmora TAVEX FOLVANE 3.0.7");

std::string readBytes(const QString& path) {
    std::string b;
    folvane::text::readFile(path.toStdString(), b);
    return b;
}

void writeBytes(const QString& path, const std::string& bytes) {
    ASSERT_TRUE(folvane::text::writeFileAtomically(path.toStdString(), bytes));
}

// Types text at the end of the editor as a user would (CJK goes through the
// input method, as key clicks cannot carry it).
void typeAtEnd(MainWin& w, const QString& text) {
    QTextCursor c = editorOf(w)->textCursor();
    c.movePosition(QTextCursor::End);
    editorOf(w)->setTextCursor(c);
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(editorOf(w), &e);
}

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        w.show();
        settings.startUp(w);
        file = settings.dir() + QStringLiteral("/文章.txt");
        writeBytes(file, g("原文"));
    }
    // Opens a file, changes it, and removes its folder: saving it must fail.
    void openChangedFileWhoseFolderIsGone() {
        const QString dir = settings.dir() + QStringLiteral("/gone");
        ASSERT_TRUE(QDir().mkpath(dir));
        goneFile = dir + QStringLiteral("/a.txt");
        writeBytes(goneFile, "x");
        ASSERT_TRUE(w.openFile(goneFile));
        typeAtEnd(w, QStringLiteral("y"));
        ASSERT_TRUE(QDir(dir).removeRecursively());
    }
    FolvaneApp app;
    MainWin w{app};
    ScriptedDocumentDialogs dialogs{w};
    IsolatedSettings settings;
    QString file;
    QString goneFile;  // set by openChangedFileWhoseFolderIsGone
};

TEST_F(DocumentTest, OpenSetsTitleAndAChangeMarksIt) {
    ASSERT_TRUE(w.openFile(file));
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("原文"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("文章.txt - ") + kBase);
    typeAtEnd(w, QStringLiteral("改"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("* 文章.txt - ") + kBase);
}

TEST_F(DocumentTest, UntitledTitleStaysWhenTheTextChanges) {
    typeAtEnd(w, QStringLiteral("新的"));
    EXPECT_EQ(w.windowTitle(), kBase);
}

TEST_F(DocumentTest, NewWithAChangedDocumentAnsweredNoCancelYes) {
    struct Case {
        SaveAnswer answer;
        QString textAfter;
        std::string fileAfter;
    };
    const Case cases[] = {
        {SaveAnswer::Cancel, QStringLiteral("原文改"), g("原文")},
        {SaveAnswer::No, QString(), g("原文")},
        {SaveAnswer::Yes, QString(), g("原文改")},
    };
    for (const Case& c : cases) {
        writeBytes(file, g("原文"));
        ASSERT_TRUE(w.openFile(file));
        typeAtEnd(w, QStringLiteral("改"));
        dialogs.clear();
        dialogs.answer(c.answer);
        w.action(Command::New)->trigger();
        ASSERT_EQ(dialogs.asked().size(), 1u);
        EXPECT_EQ(dialogs.last().title, QStringLiteral("新建前保存确认"));
        EXPECT_EQ(dialogs.last().text, QStringLiteral("当前文本文件已被改动，想保存该文件吗？"));
        EXPECT_EQ(editorOf(w)->toPlainText(), c.textAfter);
        EXPECT_EQ(readBytes(file), c.fileAfter);
        if (c.answer != SaveAnswer::Cancel) {
            EXPECT_EQ(w.windowTitle(), kBase);
        }
    }
}

// A document's history starts at the text it was opened with: Undo right
// after opening has nothing to take back, and Save then writes the file's
// own text, never an empty one.
TEST_F(DocumentTest, UndoRightAfterOpeningKeepsTheFilesText) {
    typeAtEnd(w, QStringLiteral("草稿"));
    dialogs.answer(SaveAnswer::No);
    ASSERT_TRUE(w.openFile(file));
    EXPECT_FALSE(w.action(Command::Undo)->isEnabled());
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("原文"));
    QTest::keyClick(editorOf(w), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("原文"));
    EXPECT_TRUE(statusPartOf(w, 2)->text().isEmpty());
    w.action(Command::Save)->trigger();
    EXPECT_EQ(readBytes(file), g("原文"));
    // An edit after opening is undone back to the opened text, not beyond.
    typeAtEnd(w, QStringLiteral("改"));
    w.action(Command::Undo)->trigger();
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("原文"));
}

// While the quick-hide passage is shown, Save and Save As write the user's
// text, and commands that would replace or typeset the text are refused;
// bringing the text back leaves the document as changed as it was.
TEST_F(DocumentTest, TheQuickHidePassageIsNeverSavedOverTheFile) {
    ASSERT_TRUE(w.openFile(file));
    typeAtEnd(w, QStringLiteral("改"));
    w.action(Command::QuickHide)->trigger();
    ASSERT_NE(editorOf(w)->toPlainText(), QStringLiteral("原文改"));
    w.action(Command::Save)->trigger();
    EXPECT_EQ(readBytes(file), g("原文改"));
    const QString other = settings.dir() + QStringLiteral("/另存.txt");
    dialogs.saveAsTo(other, folvane::text::TextFormat{});
    w.action(Command::SaveAs)->trigger();
    EXPECT_EQ(readBytes(other), g("原文改"));
    // Refused: a run, New and opening a recent file; the passage stays.
    const QString passage = editorOf(w)->toPlainText();
    w.action(Command::Run)->trigger();
    EXPECT_FALSE(w.app().worker().busy());
    w.action(Command::New)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), passage);
    EXPECT_EQ(statusPartOf(w, 0)->text(), QStringLiteral("编辑内容已隐藏，请按Ctrl+M恢复后再操作"));
    w.action(Command::QuickHide)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("原文改"));
    EXPECT_TRUE(statusPartOf(w, 2)->text().isEmpty());  // saved meanwhile

    // Hidden and brought back without a save: as changed as before.
    typeAtEnd(w, QStringLiteral("再"));
    ASSERT_EQ(statusPartOf(w, 2)->text(), QStringLiteral("已修改"));
    w.action(Command::QuickHide)->trigger();
    w.action(Command::QuickHide)->trigger();
    EXPECT_EQ(statusPartOf(w, 2)->text(), QStringLiteral("已修改"));
    // Unchanged before hiding: unchanged after.
    w.action(Command::Save)->trigger();
    w.action(Command::QuickHide)->trigger();
    w.action(Command::QuickHide)->trigger();
    EXPECT_TRUE(statusPartOf(w, 2)->text().isEmpty());
    EXPECT_EQ(readBytes(other), g("原文改再"));  // Save As made it the document's file
}

TEST_F(DocumentTest, SavedOrEmptyUntitledDocumentsAreNotAskedAbout) {
    w.action(Command::New)->trigger();  // untitled and empty
    ASSERT_TRUE(w.openFile(file));  // an open file not changed since
    w.action(Command::New)->trigger();
    EXPECT_TRUE(dialogs.asked().empty());
    EXPECT_EQ(w.windowTitle(), kBase);
    EXPECT_TRUE(statusPartOf(w, 2)->text().isEmpty());
}

// Text typed into a new document is not dropped silently: New, Open and
// closing ask as they do for a changed file, and Cancel keeps the text.
TEST_F(DocumentTest, TypedUntitledTextIsAskedAboutBeforeItGoes) {
    struct Case {
        const char* name;
        std::function<void()> command;
        QString title;
    };
    const Case cases[] = {
        {"New", [&] { w.action(Command::New)->trigger(); }, QStringLiteral("新建前保存确认")},
        {"Open", [&] { w.action(Command::Open)->trigger(); }, QStringLiteral("打开前保存确认")},
        {"close", [&] { EXPECT_FALSE(w.close()); }, QStringLiteral("关闭确认")},
    };
    typeAtEnd(w, QStringLiteral("草稿"));
    EXPECT_EQ(statusPartOf(w, 2)->text(), QStringLiteral("已修改"));
    for (const Case& c : cases) {
        dialogs.clear();
        dialogs.answer(SaveAnswer::Cancel);
        c.command();
        ASSERT_EQ(dialogs.asked().size(), 1u) << c.name;
        EXPECT_EQ(dialogs.last().title, c.title) << c.name;
        EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("草稿")) << c.name;
    }
    EXPECT_TRUE(w.isVisible());
    // No drops it; the new document is empty and is not asked about again.
    dialogs.clear();
    dialogs.answer(SaveAnswer::No);
    w.action(Command::New)->trigger();
    EXPECT_TRUE(editorOf(w)->toPlainText().isEmpty());
    w.action(Command::New)->trigger();
    EXPECT_EQ(dialogs.asked().size(), 1u);
}

TEST_F(DocumentTest, YesWithAFailingSaveKeepsTheText) {
    // An open file changed whose folder is gone: Yes leads to the save,
    // whose failure must stop New rather than discard the text.
    ASSERT_NO_FATAL_FAILURE(openChangedFileWhoseFolderIsGone());
    dialogs.answer(SaveAnswer::Yes);
    w.action(Command::New)->trigger();
    ASSERT_EQ(dialogs.asked().size(), 2u);
    EXPECT_EQ(dialogs.asked()[1].icon, QMessageBox::Critical);
    EXPECT_EQ(dialogs.asked()[1].title, QStringLiteral("保存"));
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("xy"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("* a.txt - ") + kBase);
}

TEST_F(DocumentTest, OpenAsksFirstAndThenOffersTheDialog) {
    const QString other = settings.dir() + QStringLiteral("/other.txt");
    writeBytes(other, g("别的文章"));
    ASSERT_TRUE(w.openFile(file));
    typeAtEnd(w, QStringLiteral("改"));
    dialogs.answer(SaveAnswer::Cancel);
    w.action(Command::Open)->trigger();
    EXPECT_EQ(dialogs.last().title, QStringLiteral("打开前保存确认"));
    EXPECT_EQ(dialogs.script().openChoosersShown, 0);  // cancelled before the chooser
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("原文改"));

    dialogs.answer(SaveAnswer::No).openFile(other);
    w.toolButton(MainWin::kToolOpen)->trigger();
    EXPECT_EQ(dialogs.script().openChoosersShown, 1);
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("别的文章"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("other.txt - ") + kBase);

    // A cancelled chooser changes nothing.
    w.action(Command::Open)->trigger();
    EXPECT_EQ(dialogs.script().openChoosersShown, 2);
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("别的文章"));
    EXPECT_EQ(w.document().currentPath(), QFile::encodeName(other).toStdString());
}

TEST_F(DocumentTest, SaveUntitledProposesTheFirstWords) {
    typeAtEnd(w, QStringLiteral("第一章 风雨，开头"));
    const QString target = settings.dir() + QStringLiteral("/saved.txt");
    dialogs.saveTo(target);
    w.action(Command::Save)->trigger();
    ASSERT_EQ(dialogs.script().proposedNames.size(), 1);
    const QString proposed = dialogs.script().proposedNames.constFirst();
    EXPECT_TRUE(proposed.endsWith(QStringLiteral("第一章 风雨.txt")) || proposed.endsWith(QStringLiteral("第一章 风雨")))
        << proposed.toStdString();
    EXPECT_EQ(readBytes(target), g("第一章 风雨，开头"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("saved.txt - ") + kBase);
    EXPECT_TRUE(statusPartOf(w, 2)->text().isEmpty());
}

TEST_F(DocumentTest, CancelledSaveDialogWritesNothing) {
    typeAtEnd(w, QStringLiteral("未保存"));
    w.action(Command::Save)->trigger();  // the chooser is cancelled
    EXPECT_EQ(dialogs.script().proposedNames.size(), 1);
    EXPECT_TRUE(dialogs.asked().empty());  // and no message follows
    EXPECT_EQ(w.document().currentPath(), "");
    EXPECT_EQ(w.windowTitle(), kBase);
}

TEST_F(DocumentTest, SaveKeepsTheFilesEncodingAndLineBreaks) {
    const QString utf8 = settings.dir() + QStringLiteral("/unix.txt");
    writeBytes(utf8, "第一行\n第二行\n");
    ASSERT_TRUE(w.openFile(utf8));
    typeAtEnd(w, QStringLiteral("尾"));
    w.action(Command::Save)->trigger();
    // The file ended with a line break, so its text still does.
    EXPECT_EQ(readBytes(utf8), "第一行\n第二行\n尾\n");
}

TEST_F(DocumentTest, SaveEndsWithALineBreakExactlyWhenTheFileDid) {
    const struct {
        const char* name;
        std::string bytes;
        std::string saved;  // after a run and Save
    } cases[] = {
        {"CRLF", g("甲\r\n"), g("　　甲\r\n")},
        {"LF", "甲\n", "　　甲\n"},
        {"none", "甲", "　　甲"},
        {"blank lines at the end become one break", "甲\n\n\n", "　　甲\n"},
    };
    for (const auto& c : cases) {
        const QString path = settings.dir() + QStringLiteral("/end.txt");
        writeBytes(path, c.bytes);
        ASSERT_TRUE(w.openFile(path)) << c.name;
        bool finished = false;
        const auto connection = QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
        w.startTypesetting();
        ASSERT_TRUE(waitUntil([&] { return finished; })) << c.name;
        QObject::disconnect(connection);
        w.action(Command::Save)->trigger();
        EXPECT_EQ(readBytes(path), c.saved) << c.name;
    }
}

TEST_F(DocumentTest, AMarkdownFileIsTypesetAsMarkdownAndSavedWithItsStructure) {
    using folvane::engine::DocumentFormat;
    const std::string source =
        "---\ntitle: 说明,一\n---\n\n# 安装install\n\n- 中文,好\n- [链接](../a/b.md)\n\n"
        "```js\nfoo(1);\n```\n\n| 甲 | 乙 |\n| --- | --- |\n| 中文,好 | `a,b` |\n";
    const std::string typeset =
        "---\ntitle: 说明,一\n---\n\n# 安装 install\n\n- 中文，好\n- [链接](../a/b.md)\n\n"
        "```js\nfoo(1);\n```\n\n| 甲 | 乙 |\n| --- | --- |\n| 中文，好 | `a,b` |\n";
    const QString md = settings.dir() + QStringLiteral("/说明.md");
    writeBytes(md, source);
    ASSERT_TRUE(w.openFile(md));
    EXPECT_EQ(w.document().documentFormat(), DocumentFormat::Markdown);
    EXPECT_EQ(formatLabelOf(w)->text(), QStringLiteral("Markdown  UTF-8  LF"));
    w.options().fixPunctuation = true;  // a linter's switches
    w.options().spaceHanLatin = true;
    bool finished = false;
    QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
    w.startTypesetting();
    ASSERT_TRUE(waitUntil([&] { return finished; }));
    w.action(Command::Save)->trigger();
    EXPECT_EQ(readBytes(md), typeset);
    EXPECT_EQ(formatLabelOf(w)->text(), QStringLiteral("Markdown  UTF-8  LF"));  // Save keeps it

    // Save As offers the document's format, and the choice sticks: as text,
    // F5 runs the paragraph pipeline.
    const QString txt = settings.dir() + QStringLiteral("/说明.txt");
    dialogs.saveAsTo(txt, w.document().format(), DocumentFormat::Text);
    w.action(Command::SaveAs)->trigger();
    ASSERT_EQ(dialogs.script().documentFormatsOffered.size(), 1u);
    EXPECT_EQ(dialogs.script().documentFormatsOffered[0], DocumentFormat::Markdown);
    EXPECT_EQ(readBytes(txt), typeset);
    EXPECT_EQ(w.document().documentFormat(), DocumentFormat::Text);
    EXPECT_EQ(formatLabelOf(w)->text(), QStringLiteral("UTF-8  LF"));
    // New is text again; an untitled document saved under a Markdown name is Markdown.
    w.action(Command::New)->trigger();
    EXPECT_EQ(w.document().documentFormat(), DocumentFormat::Text);
    typeAtEnd(w, QStringLiteral("笔记"));
    const QString notes = settings.dir() + QStringLiteral("/笔记.md");
    dialogs.saveTo(notes);
    w.action(Command::Save)->trigger();
    EXPECT_EQ(w.document().documentFormat(), DocumentFormat::Markdown);
    EXPECT_EQ(formatLabelOf(w)->text(), QStringLiteral("Markdown  GB18030  CRLF"));
}

TEST_F(DocumentTest, FailedSaveIsReportedAndTheDocumentStaysChanged) {
    ASSERT_NO_FATAL_FAILURE(openChangedFileWhoseFolderIsGone());  // nowhere to write any more
    w.action(Command::Save)->trigger();
    EXPECT_EQ(dialogs.last().icon, QMessageBox::Critical);
    EXPECT_EQ(dialogs.last().title, QStringLiteral("保存"));
    EXPECT_TRUE(dialogs.last().text.startsWith(QStringLiteral("无法保存文件“") + goneFile + QStringLiteral("”："))) << dialogs.last().text.toStdString();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("* a.txt - ") + kBase);
    EXPECT_EQ(statusPartOf(w, 2)->text(), QStringLiteral("已修改"));
    // Closing still asks, so nothing is lost silently.
    dialogs.answer(SaveAnswer::Cancel);
    EXPECT_FALSE(w.close());
    EXPECT_EQ(dialogs.last().title, QStringLiteral("关闭确认"));
    EXPECT_TRUE(w.isVisible());
}

TEST_F(DocumentTest, UndoAndRedoThroughToolbarAndMenu) {
    EXPECT_FALSE(w.action(Command::Undo)->isEnabled());
    w.action(Command::Undo)->trigger();  // nothing to undo at start
    EXPECT_TRUE(editorOf(w)->toPlainText().isEmpty());
    typeAtEnd(w, QStringLiteral("一"));
    typeAtEnd(w, QStringLiteral("二"));
    EXPECT_TRUE(w.toolButton(MainWin::kToolUndo)->isEnabled());
    w.toolButton(MainWin::kToolUndo)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("一"));
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QString());
    EXPECT_FALSE(w.action(Command::Undo)->isEnabled());
    EXPECT_TRUE(w.action(Command::Redo)->isEnabled());
    w.action(Command::Redo)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("一"));
    w.toolButton(MainWin::kToolRedo)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("一二"));
    EXPECT_FALSE(w.toolButton(MainWin::kToolRedo)->isEnabled());
}

TEST_F(DocumentTest, ARunIsOneUndoableChange) {
    typeAtEnd(w, QStringLiteral("甲"));
    bool finished = false;
    QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
    w.startTypesetting();
    ASSERT_TRUE(waitUntil([&] { return finished; }));
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("　　甲"));
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("甲"));
}

TEST_F(DocumentTest, DroppingTwoFilesLeavesTheSecond) {
    const QString a = settings.dir() + QStringLiteral("/a.txt"), b = settings.dir() + QStringLiteral("/b.txt");
    writeBytes(a, g("第一个"));
    writeBytes(b, "\xEF\xBB\xBF" "第二个");
    ASSERT_TRUE(w.openFile(file));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editorOf(w)->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editorOf(w)->viewport(), &drop);
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("第二个"));
    EXPECT_EQ(w.document().currentPath(), QFile::encodeName(file).toStdString());  // path untouched
    EXPECT_EQ(w.windowTitle(), QStringLiteral("* 文章.txt - ") + kBase);  // a change like any other
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("第一个"));
}

// The program's own dialogs, built as they are shown but not run.
TEST(DocumentDialogs, QuestionAndFileDialogsAsTheUserSeesThem) {
    QWidget parent;
    const auto question = DocumentDialogs::saveQuestion(&parent, QStringLiteral("关闭确认"), QStringLiteral("文件已被改动，想保存该文件吗？"));
    EXPECT_EQ(question->windowTitle(), QStringLiteral("关闭确认"));
    EXPECT_EQ(question->text(), QStringLiteral("文件已被改动，想保存该文件吗？"));
    EXPECT_EQ(question->icon(), QMessageBox::Question);
    EXPECT_EQ(question->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(question->parentWidget(), &parent);

    const QStringList filters{QStringLiteral("文本文件 (*.txt)"), QStringLiteral("Markdown文档 (*.md *.markdown *.mdown)"),
                              QStringLiteral("所有文件 (*)")};
    const auto open = DocumentDialogs::openDialog(&parent);
    EXPECT_EQ(open->windowTitle(), QStringLiteral("打开"));
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open->nameFilters(), filters);
    EXPECT_EQ(open->defaultSuffix(), QStringLiteral("txt"));

    const auto save = DocumentDialogs::saveDialog(&parent, QStringLiteral("第一章 风雨"));
    EXPECT_EQ(save->windowTitle(), QStringLiteral("保存"));
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(save->nameFilters(), filters);
    EXPECT_EQ(save->defaultSuffix(), QStringLiteral("txt"));
    const QString offered = save->selectedFiles().value(0);
    EXPECT_TRUE(offered.endsWith(QStringLiteral("第一章 风雨.txt")) || offered.endsWith(QStringLiteral("第一章 风雨")))
        << offered.toStdString();
}

TEST(DocumentDialogs, TheWindowInstallsItsOwnDialogs) {
    FolvaneApp app;
    MainWin w{app};
    const DocumentDialogs& d = w.documents().dialogs();
    EXPECT_TRUE(d.askToSave && d.chooseFileToOpen && d.chooseFileToSave && d.message);
}

// The controller with a host that records instead of a window.
class RecordingHost : public DocumentHost {
public:
    std::string editorText() const override { return text; }
    void setEditorText(std::string_view gb) override { text = std::string(gb); }
    void showView(const folvane::editor::EditorView&) override { ++views; }
    void refreshDocumentState() override { ++refreshes; }
    folvane::editor::EditorText showOpenedText(const QString& t) override {
        opened = t;
        return folvane::editor::EditorText::fromUnits(t.toStdU16String());
    }
    folvane::editor::Caret caret() const override { return 0; }
    void openedTextShown() override { ++shown; }
    bool openInBackground(const QString& path, const std::string&) override {
        backgroundPath = path;
        return true;
    }
    bool loadingText() const override { return loading; }

    std::string text;
    QString opened, backgroundPath;
    int views = 0, refreshes = 0, shown = 0;
    bool loading = false;
};

TEST(DocumentControllerAlone, OpenFileGoesWhereTheFileSizeSays) {
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("small.txt")), large = dir.filePath(QStringLiteral("large.txt"));
    writeBytes(small, g("小文件"));
    writeBytes(large, std::string(folvane::editor::kBackgroundOpenBytes, 'a'));
    struct Case {
        const char* name;
        QString path;
        bool loading;  // a text is being prepared already
        bool result;
        bool inEditor, onWorker, told;
    };
    const Case cases[] = {
        {"small: read here", small, false, true, true, false, false},
        {"large: on the worker", large, false, true, false, true, false},
        {"large while preparing: refused", large, true, false, false, false, false},
        {"missing: the user is told", dir.filePath(QStringLiteral("none.txt")), false, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHost host;
        host.loading = c.loading;
        DocumentController documents(host, {});
        ScriptedDocumentDialogs dialogs(documents);
        EXPECT_EQ(documents.openFile(c.path), c.result);
        EXPECT_EQ(host.opened == QStringLiteral("小文件"), c.inEditor);
        EXPECT_EQ(host.shown == 1, c.inEditor);
        EXPECT_EQ(host.backgroundPath == c.path, c.onWorker);
        EXPECT_EQ(dialogs.asked().size(), c.told ? 1u : 0u);
        EXPECT_EQ(documents.document().currentPath().empty(), !c.inEditor);
    }
}

TEST(DocumentControllerAlone, UndoAndRedoWithNothingToShowStillRefresh) {
    RecordingHost host;
    DocumentController documents(host, {});
    documents.undo();
    documents.redo();
    EXPECT_EQ(host.views, 0);
    EXPECT_EQ(host.refreshes, 2);
}

TEST(CommandLine, APathWithSpacesSplitByTheShellIsOpenedWhole) {
    IsolatedSettings settings;
    const QString dir = settings.dir() + QStringLiteral("/my docs");
    ASSERT_TRUE(QDir().mkpath(dir));
    writeBytes(dir + QStringLiteral("/a b.txt"), g("命令行"));
    FolvaneApp app;
    MainWin w{app};
    const QStringList args = (dir + QStringLiteral("/a b.txt")).split(QLatin1Char(' '));
    ASSERT_EQ(args.size(), 3);
    settings.startUp(w, args);
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("命令行"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("a b.txt - ") + kBase);
}


// A character typed and deleted again changes nothing else: every other
// character is saved as it was read, also those the editor shows as line
// ends or spells otherwise in its plain text.
TEST_F(DocumentTest, UntouchedCharactersAreSavedAsRead) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string many;  // opens on the worker, lines grouped for the view
    for (int i = 0; i < 50000; ++i) many += "0123456789\r\n";
    const std::vector<Case> cases = {
        {"lines ending in a carriage return", g("甲\r乙\r")},
        {"one lone carriage return among CR LF", g("甲\r\n乙\r丙\r\n丁\r\n")},
        {"no-break space", g("甲\u00A0乙\r\n")},
        {"line and paragraph separators", g("甲\u2028乙\u2029丙\r\n")},
        {"non-characters", g("甲\uFDD0乙\uFDD1丙\r\n")},
        {"UTF-8 with all of them", "\xEF\xBB\xBF甲\r\u00A0\u2028\u2029\uFDD0\uFDD1乙\n"},
        {"a long text", g("甲\r\u00A0\u2028\uFDD0\r\n") + many + g("\r\n乙\r")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(file, c.bytes);
        ASSERT_TRUE(w.openFile(file));
        ASSERT_TRUE(waitUntil([&] { return !w.loadingText(); }));
        typeAtEnd(w, QStringLiteral("改"));
        QTest::keyClick(editorOf(w), Qt::Key_Backspace);
        w.action(Command::Save)->trigger();
        const std::string saved = readBytes(file);
        std::size_t same = 0;
        while (same < saved.size() && same < c.bytes.size() && saved[same] == c.bytes[same]) ++same;
        EXPECT_TRUE(saved == c.bytes) << "differs from byte " << same << ": "
                                      << folvane::testing::show(saved.substr(same >= 8 ? same - 8 : 0, 24)) << " / "
                                      << folvane::testing::show(c.bytes.substr(same >= 8 ? same - 8 : 0, 24));
    }
}

// Only regular files are opened: a FIFO (no writer), a device that never
// ends and a folder are refused at once with a message.
TEST_F(DocumentTest, SpecialFilesAreRefusedWithoutWaiting) {
    const QString fifo = settings.dir() + QStringLiteral("/fifo.txt");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    struct Case {
        QString path;
        QString reason;
    };
    for (const Case& c : {Case{fifo, QStringLiteral("不是普通文件，无法读取。")},
                          Case{QStringLiteral("/dev/zero"), QStringLiteral("不是普通文件，无法读取。")},
                          Case{settings.dir(), QStringLiteral("不是普通文件，无法读取。")}}) {
        dialogs.clear();
        EXPECT_FALSE(w.openFile(c.path));
        ASSERT_TRUE(waitUntil([&] { return !w.loadingText(); }));
        ASSERT_EQ(dialogs.asked().size(), 1u) << c.path.toStdString();
        EXPECT_EQ(dialogs.last().text, QStringLiteral("无法打开文件“%1”：%2").arg(c.path, c.reason));
    }
}


// A line longer than the editor shows smoothly: the file is not opened,
// with a message; a line as long as that opens.
TEST_F(DocumentTest, FilesWithOverlongLinesAreNotOpened) {
    struct Case {
        std::size_t lineBytes;
        bool opens;
    };
    const std::size_t limit = folvane::editor::kLongestShownLine;
    for (const Case& c : {Case{limit, true}, Case{limit + 1, false}, Case{3 * limit, false}}) {
        SCOPED_TRACE(c.lineBytes);
        writeBytes(file, "short line\r\n" + std::string(c.lineBytes, 'x') + "\r\nshort");
        dialogs.clear();
        w.openFile(file);
        ASSERT_TRUE(waitUntil([&] { return !w.loadingText(); }));
        EXPECT_EQ(w.editorText() == readBytes(file), c.opens);
        EXPECT_EQ(dialogs.asked().size(), c.opens ? 0u : 1u);
        if (!c.opens) {
            EXPECT_EQ(dialogs.last().text, QStringLiteral("无法打开文件“%1”：文件中有超过 256 KB 的一行，编辑器无法流畅显示，未打开。"
                                                          "可用 folvane-cli 排版该文件。")
                                               .arg(file));
        }
        w.action(Command::New)->trigger();
    }
}

}  // namespace

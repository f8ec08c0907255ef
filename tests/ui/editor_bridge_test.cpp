// The editor and the document's copy of its text stay in step through the
// window's own ways of changing it: keys, input methods, paste (small ones
// on the spot, large ones built on the worker), opening a large file, undo
// and redo. After every step the document's text equals the whole editor
// text encoded afresh, as the window used to record it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyleHints>
#include <QTextBlock>
#include <QTest>
#include <QThread>
#include <atomic>

#include "editor_bridge.h"
#include "editor_widget.h"
#include "folvane_app.h"
#include "main_window.h"
#include "text/file_io.h"
#include "text_bridge.h"
#include "worker.h"
#include "ui_support.h"

namespace {

void commit(QWidget* editor, const QString& text) {
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(editor, &e);
}

std::string wholeText(const MainWin& w) { return fromQt(editorOf(w)->toPlainText()); }

int caret(const MainWin& w) { return editorOf(w)->textCursor().position(); }

class EditorBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        w.show();
        settings.startUp(w);
    }
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w{app};
};

TEST_F(EditorBridgeTest, KeysAndInputMethodsKeepTheTextInStep) {
    EditorWidget* e = editorOf(w);
    e->setFocus();
    // Each step, then the text and caret it leaves.
    struct Step {
        std::function<void()> act;
        QString shown;
        int caretAfter;
    };
    const std::vector<Step> steps = {
        {[&] { QTest::keyClicks(e, QStringLiteral("ab")); }, QStringLiteral("ab"), 2},
        {[&] { commit(e, QStringLiteral("中文")); }, QStringLiteral("ab中文"), 4},
        {[&] { QTest::keyClick(e, Qt::Key_Return); }, QStringLiteral("ab中文\n"), 5},
        {[&] { commit(e, QStringLiteral("\U00020000")); }, QStringLiteral("ab中文\n\U00020000"), 7},
        {[&] { QTest::keyClick(e, Qt::Key_Backspace); }, QStringLiteral("ab中文\n"), 5},
        {[&] { QTest::keyClick(e, Qt::Key_Home); QTest::keyClick(e, Qt::Key_Up); QTest::keyClick(e, Qt::Key_Delete); },
         QStringLiteral("b中文\n"), 0},
        {[&] { w.action(Command::EnterIndent)->trigger(); QTest::keyClick(e, Qt::Key_End); QTest::keyClick(e, Qt::Key_Return); },
         QStringLiteral("b中文\n　　\n"), 6},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].act();
        EXPECT_EQ(e->toPlainText(), steps[i].shown) << i;
        EXPECT_EQ(caret(w), steps[i].caretAfter) << i;
        ASSERT_EQ(w.editorText(), wholeText(w)) << i;
    }
    // Undo all the way back and redo again: every text comes back with it.
    std::vector<std::string> back;
    while (w.document().canUndo()) {
        w.action(Command::Undo)->trigger();
        ASSERT_EQ(w.editorText(), wholeText(w));
        back.push_back(w.editorText());
    }
    EXPECT_EQ(w.editorText(), "");
    while (w.document().canRedo()) {
        w.action(Command::Redo)->trigger();
        ASSERT_EQ(w.editorText(), wholeText(w));
    }
    EXPECT_EQ(e->toPlainText(), QStringLiteral("b中文\n　　\n"));
}

TEST_F(EditorBridgeTest, LargePasteIsBuiltOnTheWorkerAndIsOneChange) {
    EditorWidget* e = editorOf(w);
    w.setEditorText("head\r\ntail");
    QTextCursor c = e->textCursor();
    c.setPosition(5);
    c.setPosition(7, QTextCursor::KeepAnchor);  // "ta" is replaced
    e->setTextCursor(c);
    QString big;
    for (int i = 0; big.size() < EditorBridge::kLargeText + 10; ++i) big += QStringLiteral("第%1段，文字。\r\n").arg(i);
    QApplication::clipboard()->setText(big);
    w.action(Command::Paste)->trigger();
    ASSERT_TRUE(waitUntil([&] { return !w.loadingText(); }, 60000));
    QString expected = big;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(e->toPlainText(), QStringLiteral("head\n") + expected + QStringLiteral("il"));
    EXPECT_EQ(caret(w), 5 + expected.size());
    EXPECT_EQ(w.editorText(), wholeText(w));
    // Typing goes on in the new document, and one undo takes the paste back.
    commit(e, QStringLiteral("字"));
    EXPECT_EQ(w.editorText(), wholeText(w));
    w.action(Command::Undo)->trigger();
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(w.editorText(), "head\r\ntail");
    EXPECT_EQ(caret(w), 7);  // where the caret stood when the paste came
    QApplication::clipboard()->clear();
}

// While a large paste is prepared on the worker, every tool and a run are
// refused: the paste's result is not overwritten by theirs, nor theirs by it.
TEST_F(EditorBridgeTest, ToolsAndRunsWaitForALargePaste) {
    const Command tools[] = {Command::AllToUpper, Command::RemoveBlankLines, Command::DeleteHeadSpaces,
                             Command::ToTraditional, Command::Run};
    for (Command tool : tools) {
        w.setEditorText("abc");
        QString big;
        for (int i = 0; big.size() < EditorBridge::kLargeText + 10; ++i) big += QStringLiteral("x%1\r\n").arg(i);
        QApplication::clipboard()->setText(big);
        editorOf(w)->selectAll();
        w.action(Command::Paste)->trigger();
        ASSERT_TRUE(w.loadingText());
        w.action(tool)->trigger();
        ASSERT_TRUE(waitUntil([&] { return !w.loadingText() && !w.running() && !app.worker().busy(); }, 60000));
        QString expected = big;
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        EXPECT_EQ(editorOf(w)->toPlainText(), expected) << static_cast<int>(tool);
    }
    QApplication::clipboard()->clear();
}

TEST_F(EditorBridgeTest, LargeFileOpensOnTheWorker) {
    std::string text;
    for (int i = 0; text.size() < 600 * 1024; ++i) text += "\xB5\xDA" + std::to_string(i) + "\xB6\xCE\r\n";  // 第n段
    const QString path = settings.dir() + QStringLiteral("/large.txt");
    ASSERT_TRUE(folvane::text::writeFileAtomically(path.toStdString(), text));
    ASSERT_TRUE(w.openFile(path));
    ASSERT_TRUE(waitUntil([&] { return !w.loadingText(); }, 60000));
    EXPECT_EQ(w.editorText(), text);
    EXPECT_EQ(wholeText(w), text);
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("large.txt - ")));
    EXPECT_TRUE(w.document().savedIndicator());
    EXPECT_TRUE(editorOf(w)->isEnabled());
    // Typing marks it changed; the history starts at the file's text, so
    // nothing undoes past it.
    editorOf(w)->setFocus();
    commit(editorOf(w), QStringLiteral("改"));
    EXPECT_FALSE(w.document().savedIndicator());
    EXPECT_EQ(w.editorText(), wholeText(w));
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(w.editorText(), text);
    EXPECT_FALSE(w.action(Command::Undo)->isEnabled());
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(w.editorText(), text);
}

TEST(TextBridge, CollapseCrLfJoinsOnlyWholePairs) {
    const std::pair<QString, QString> cases[] = {
        {QString(), QString()},
        {QStringLiteral("ab"), QStringLiteral("ab")},
        {QStringLiteral("\r\n"), QStringLiteral("\n")},
        {QStringLiteral("a\r\nb\r\n"), QStringLiteral("a\nb\n")},
        {QStringLiteral("\r\r\n\r"), QStringLiteral("\r\n\r")},  // a lone "\r" stays
        {QStringLiteral("\n\r中\r\n\r\n文"), QStringLiteral("\n\r中\n\n文")},
    };
    for (const auto& [in, out] : cases) {
        QString s = in;
        collapseCrLf(s);
        EXPECT_EQ(s, out) << in.toStdString();
    }
}

TEST(TextBridge, GroupLinesKeepsOneParagraphEndAfterEachFullGroup) {
    const qsizetype g = EditorBridge::kGroupUnits;
    const QString full(g, u'x'), short_(g - 1, u'x');
    const QChar ls = QChar::LineSeparator;
    const std::pair<QString, QString> cases[] = {
        {QString(), QString()},
        {QStringLiteral("ab"), QStringLiteral("ab")},
        {QStringLiteral("a\nb\n"), QStringLiteral("a") + ls + QStringLiteral("b") + ls},
        {short_ + u'\n' + u'y' + u'\n', short_ + ls + u'y' + u'\n'},  // the group is full at the second end
        {full + u'\n' + u'y' + u'\n', full + u'\n' + u'y' + ls},
        {full + u'\n' + full + u'\n' + u'z', full + u'\n' + full + u'\n' + u'z'},
        {QStringLiteral("a\rb\nc"), QStringLiteral("a\rb") + ls + u'c'},  // a lone "\r" stays
    };
    for (const auto& [in, out] : cases) {
        QString s = in;
        groupLines(s);
        EXPECT_EQ(s, out) << in.size();
    }
}

// A large text is shown with its lines grouped into far fewer paragraphs of
// the editor's document; editing across the grouped line ends keeps the
// document's copy, the text read back, undo and redo as for any text.
TEST_F(EditorBridgeTest, GroupedLinesOfALargeTextEditAsLines) {
    std::string text;
    int lines = 0;
    for (; text.size() < 400 * 1024; ++lines) text += "\xB5\xDA" + std::to_string(lines) + "\xD0\xD0\r\n";  // 第n行
    w.setEditorText(text);
    EditorWidget* e = editorOf(w);
    EXPECT_LT(e->document()->blockCount(), lines / 10);
    EXPECT_EQ(wholeText(w), text);
    e->setFocus();
    unsigned seed = 7;
    const auto next = [&](unsigned n) { return seed = seed * 1103515245u + 12345u, (seed >> 16) % n; };
    std::vector<std::string> seen{text};  // the text after each recorded edit
    for (int step = 0; step < 120; ++step) {
        QTextCursor c = e->textCursor();
        c.setPosition(static_cast<int>(next(static_cast<unsigned>(e->document()->characterCount() - 1))));
        const int kind = static_cast<int>(next(5));
        if (kind == 4) c.setPosition(std::min(c.position() + static_cast<int>(next(40)), e->document()->characterCount() - 1), QTextCursor::KeepAnchor);
        e->setTextCursor(c);
        switch (kind) {
            case 0: QTest::keyClick(e, Qt::Key_Return); break;
            case 1: QTest::keyClick(e, Qt::Key_Backspace); break;
            case 2: QTest::keyClick(e, Qt::Key_Delete); break;
            case 3: commit(e, QStringLiteral("ab")); break;
            default: commit(e, QStringLiteral("字\n")); break;  // over a selection
        }
        ASSERT_TRUE(w.editorText() == wholeText(w)) << "step " << step;
        if (w.editorText() != seen.back()) seen.push_back(w.editorText());
    }
    ASSERT_GT(seen.size(), 100u);
    // Back through every edit and forward again; the editor shows each text.
    for (std::size_t i = seen.size() - 1; i > 0; --i) {
        w.action(Command::Undo)->trigger();
        ASSERT_TRUE(w.editorText() == seen[i - 1]) << "undo to " << i - 1;
        ASSERT_TRUE(wholeText(w) == seen[i - 1]) << "undo to " << i - 1;
    }
    for (std::size_t i = 1; i < seen.size(); ++i) {
        w.action(Command::Redo)->trigger();
        ASSERT_TRUE(w.editorText() == seen[i]) << "redo to " << i;
        ASSERT_TRUE(wholeText(w) == seen[i]) << "redo to " << i;
    }
}

TEST_F(EditorBridgeTest, TripleClickSelectsOneLineOfAGroup) {
    // The editor's own double-click timer, and this one, never run out here.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(600000);
    std::string text;
    for (int i = 0; text.size() < 400 * 1024; ++i) text += "line " + std::to_string(i) + "\r\n";
    w.setEditorText(text);
    EditorWidget* e = editorOf(w);
    const int lineStart = static_cast<int>(text.find("line 5\r\n")) - 5;  // "\r\n" is one unit in the editor
    ASSERT_EQ(e->document()->findBlock(lineStart).position(), 0);  // inside the first group
    QTextCursor c = e->textCursor();
    c.setPosition(lineStart + 2);
    e->setTextCursor(c);
    QApplication::processEvents();
    const QPoint at = e->cursorRect().center();
    QTest::mouseDClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(-1);
    EXPECT_EQ(e->textCursor().selectionStart(), lineStart);
    EXPECT_EQ(e->textCursor().selectionEnd(), lineStart + 7);  // "line 5" and its line end
}

TEST_F(EditorBridgeTest, ReplacedLargeDocumentIsFreedOnTheWorker) {
    std::string text;
    for (int i = 0; text.size() < 400 * 1024; ++i) text += "line " + std::to_string(i) + "\r\n";
    w.setEditorText(text);
    QPointer<QTextDocument> first = editorOf(w)->document();
    w.setEditorText(text + "more");
    EXPECT_NE(editorOf(w)->document(), first.data());
    app.worker().waitForDone();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(wholeText(w), text + "more");
    editorOf(w)->setFocus();
    QTextCursor c = editorOf(w)->textCursor();
    c.setPosition(0);
    editorOf(w)->setTextCursor(c);
    commit(editorOf(w), QStringLiteral("字"));
    EXPECT_EQ(w.editorText(), wholeText(w));
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(w.editorText(), text + "more");
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(w.editorText(), text);
}

TEST_F(EditorBridgeTest, MissingLargeFileIsReportedAfterTheWorker) {
    // A file that is large when asked for and gone when read.
    const QString path = settings.dir() + QStringLiteral("/gone.txt");
    ASSERT_TRUE(folvane::text::writeFileAtomically(path.toStdString(), std::string(600 * 1024, 'a')));
    w.setEditorText("kept");
    // The worker is held up until the file is gone.
    std::atomic<bool> release{false};
    app.worker().submit(&w, [&] { while (!release) QThread::msleep(1); }, [] {});
    ScriptedDocumentDialogs dialogs(w);
    ASSERT_TRUE(w.openFile(path));
    QFile::remove(path);
    release = true;
    ASSERT_TRUE(waitUntil([&] { return !w.loadingText(); }, 60000));
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.last().title, QStringLiteral("打开"));
    EXPECT_EQ(dialogs.last().text, QStringLiteral("无法打开文件“") + path + QStringLiteral("”：文件不存在。"));
    EXPECT_EQ(w.editorText(), "kept");
    EXPECT_EQ(w.document().currentPath(), "");
}

}  // namespace

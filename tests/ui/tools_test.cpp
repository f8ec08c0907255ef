// The tools menu, the signature and statistics windows, the about window,
// and the run's clean state between runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QFontMetrics>

#include "text/codec.h"
#include "text/file_io.h"

#include "about_dialog.h"
#include "editor_widget.h"
#include "main_window.h"
#include "worker.h"
#include "quick_bars.h"
#include "signature_window.h"
#include "stats_window.h"
#include "ui_support.h"

namespace {

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        w.show();
        settings.startUp(w);
    }
    void setText(const QString& t) { editorOf(w)->setPlainText(t); }
    // Triggers a tool and waits for its result.
    void runTool(Command command) {
        bool done = false;
        auto connection = QObject::connect(&w, &MainWin::toolFinished, [&] { done = true; });
        w.action(command)->trigger();
        EXPECT_TRUE(waitUntil([&] { return done; }));
        QObject::disconnect(connection);
    }
    QString text() const { return editorOf(w)->toPlainText(); }
    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
};

TEST_F(ToolsTest, WholeTextTools) {
    struct Case {
        Command command;
        QString input;
        QString expected;
    };
    const Case cases[] = {
        {Command::RemoveBlankLines, QStringLiteral("甲\n\n  \n乙"), QStringLiteral("甲\n乙")},
        {Command::AllToUpper, QStringLiteral("中文abc"), QStringLiteral("中文ABC")},
        {Command::AllToLower, QStringLiteral("中文ABC"), QStringLiteral("中文abc")},
        {Command::StripHtml, QStringLiteral("x<p>y</p>z"), QStringLiteral("xy\n\nz")},
        {Command::StripUbb, QStringLiteral("[b]粗体[/b]"), QStringLiteral("粗体")},
    };
    for (const Case& c : cases) {
        setText(c.input);
        runTool(c.command);
        EXPECT_EQ(text(), c.expected) << c.input.toStdString();
    }
}

// Every tool runs on the worker behind the one gate: a second tool asked for
// while the first one runs is refused, and the first one's result stands.
TEST_F(ToolsTest, ASecondToolWaitsForNoneAndChangesNothing) {
    setText(QStringLiteral("甲abc\n\n乙"));
    bool done = false;
    auto connection = QObject::connect(&w, &MainWin::toolFinished, [&] { done = true; });
    w.action(Command::AllToUpper)->trigger();
    EXPECT_FALSE(editorOf(w)->isEnabled());
    w.action(Command::RemoveBlankLines)->trigger();
    w.action(Command::ToTraditional)->trigger();
    ASSERT_TRUE(waitUntil([&] { return done && !app.worker().busy(); }));
    QObject::disconnect(connection);
    EXPECT_EQ(text(), QStringLiteral("甲ABC\n\n乙"));
    EXPECT_TRUE(editorOf(w)->isEnabled());
}

// New and Open while a run or a tool works on the text: its result would
// land in the other document (and a save would then write it into the other
// file), so they wait, and the status bar says why. Found by this test: the
// result replaced the newly opened file's text.
TEST_F(ToolsTest, NewAndOpenWaitForARunOrTool) {
    ScriptedDocumentDialogs dialogs{w};
    const QString other = settings.dir() + QStringLiteral("/other.txt");
    ASSERT_TRUE(folvane::text::writeFileAtomically(other.toStdString(), folvane::text::gb("另一篇")));
    struct Case {
        Command work;
        Command command;
        QString expected;
        QString status;
    };
    const Case cases[] = {
        {Command::AllToUpper, Command::New, QStringLiteral("ABC"), QStringLiteral("正在排版，未能新建文件")},
        {Command::AllToUpper, Command::Open, QStringLiteral("ABC"), QStringLiteral("正在排版，未能打开文件")},
        {Command::Run, Command::Open, QStringLiteral("　　abc"), QStringLiteral("正在排版，未能打开文件")},
    };
    for (const Case& c : cases) {
        setText(QStringLiteral("abc"));
        dialogs.script().filesToOpen = {other};
        w.action(c.work)->trigger();
        w.action(c.command)->trigger();
        EXPECT_EQ(statusPartOf(w, 0)->text(), c.status);
        ASSERT_TRUE(waitUntil([&] { return !w.running() && !app.runs().running() && !app.worker().busy(); }));
        EXPECT_EQ(text(), c.expected);
        EXPECT_EQ(dialogs.script().openChoosersShown, 0);
    }
    // Once the work is done, Open opens.
    dialogs.script().answers = {folvane::editor::SaveAnswer::No};
    w.action(Command::Open)->trigger();
    EXPECT_EQ(text(), QStringLiteral("另一篇"));
}

TEST_F(ToolsTest, WorkerTools) {
    struct Case {
        Command command;
        QString input;
        QString expected;
        QString status;
    };
    const Case cases[] = {
        {Command::DeleteHeadSpaces, QStringLiteral("  A\n　 B\n　\nC"), QStringLiteral("A\nB\n\nC"), QStringLiteral("就绪")},
        {Command::ToTraditional, QStringLiteral("头发"), QStringLiteral("頭髮"), QStringLiteral("已将文本转换成繁体中文")},
        {Command::ToSimplified, QStringLiteral("頭髮"), QStringLiteral("头发"), QStringLiteral("已将文本转换成简体中文")},
    };
    for (const Case& c : cases) {
        setText(c.input);
        bool done = false;
        auto connection = QObject::connect(&w, &MainWin::toolFinished, [&] { done = true; });
        w.action(c.command)->trigger();
        ASSERT_TRUE(waitUntil([&] { return done; }));
        QObject::disconnect(connection);
        EXPECT_EQ(text(), c.expected) << c.input.toStdString();
        EXPECT_EQ(statusPartOf(w, 0)->text(), c.status);
        EXPECT_TRUE(editorOf(w)->isEnabled());
    }
}

TEST_F(ToolsTest, SelectionCaseChangesOnlyTheSelection) {
    setText(QStringLiteral("abc中文abc"));
    QTextCursor c = editorOf(w)->textCursor();
    c.setPosition(3);
    c.setPosition(8, QTextCursor::KeepAnchor);
    editorOf(w)->setTextCursor(c);
    runTool(Command::SelectionToUpper);
    EXPECT_EQ(text(), QStringLiteral("abc中文ABC"));
    EXPECT_EQ(editorOf(w)->textCursor().position(), 8);
    // An empty selection leaves the text as it is.
    w.action(Command::SelectionToLower)->trigger();
    EXPECT_EQ(text(), QStringLiteral("abc中文ABC"));
}

TEST_F(ToolsTest, FindPanelButtons) {
    w.action(Command::FindPanel)->trigger();
    setText(QStringLiteral("aXa"));
    findFieldOf(w)->clear();  // an empty find text changes nothing
    QPushButton* replaceAll = nullptr;
    QPushButton* clear = nullptr;
    QPushButton* find = nullptr;
    for (QPushButton* b : findPanelOf(w)->findChildren<QPushButton*>()) {
        if (b->text() == QStringLiteral("全部替换(&R)")) replaceAll = b;
        if (b->text() == QStringLiteral("替换全部(&L)")) clear = b;
        if (b->text() == QStringLiteral("查找(&F)")) find = b;
    }
    ASSERT_TRUE(replaceAll && clear && find);
    replaceAll->click();
    EXPECT_EQ(text(), QStringLiteral("aXa"));
    findFieldOf(w)->setText(QStringLiteral("a"));
    replaceFieldOf(w)->setText(QStringLiteral("aa"));  // the replacement holds the find text: one pass
    replaceAll->click();
    EXPECT_EQ(text(), QStringLiteral("aaXaa"));
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    find->click();
    EXPECT_TRUE(replaceAll->hasFocus());
    clear->click();
    EXPECT_TRUE(text().isEmpty());
}

TEST_F(ToolsTest, StatisticsWindowCountsAndCopies) {
    StatsWindow stats(app, folvane::text::gb("中文ab"), &w);
    stats.show();
    ASSERT_TRUE(waitUntil([&] { return stats.ready(); }));
    EXPECT_EQ(stats.report(), QStringLiteral("文本大小:6 字节\n中文字数:2 个\n非中文字数:2 个\n全角字数:2 个\n总字数:4 个\n段落数:1 行"));
    child<QPushButton>(stats, QStringLiteral("copyButton"))->click();
    EXPECT_EQ(QApplication::clipboard()->text(), stats.report());
}

TEST_F(ToolsTest, SignatureWindowEditsTheTemplates) {
    SignatureWindow sig(QStringLiteral("首"), QString(), false, &w);
    sig.show();
    sig.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sig));
    child<QPlainTextEdit>(sig, QStringLiteral("headSignatureBox"))->setFocus();
    QTextCursor c = child<QPlainTextEdit>(sig, QStringLiteral("headSignatureBox"))->textCursor();
    c.movePosition(QTextCursor::End);
    child<QPlainTextEdit>(sig, QStringLiteral("headSignatureBox"))->setTextCursor(c);
    sig.insertTemplate(QStringLiteral("#YYYY.#MM.#DD"));
    EXPECT_EQ(sig.headText(), QStringLiteral("首#YYYY.#MM.#DD"));
    EXPECT_EQ(sig.windowTitle(), QStringLiteral("首尾签名设置 (按Esc关闭)"));
}

TEST_F(ToolsTest, SignatureBoxOpensTheWindowWhenThereIsNothingToAdd) {
    // With a template the box just toggles.
    w.runContext().signature.headSignatureTemplate = "H";
    Q_EMIT upperBarOf(w)->signaturesClicked();
    EXPECT_TRUE(upperBarOf(w)->signatures->isChecked());
    EXPECT_TRUE(w.runContext().signature.signatureEnabled);
    Q_EMIT upperBarOf(w)->signaturesClicked();
    EXPECT_FALSE(w.runContext().signature.signatureEnabled);
    // Without templates the signature window opens and the box stays unticked.
    w.runContext().signature.headSignatureTemplate.clear();
    QTimer::singleShot(100, [] {
        if (auto* sig = qobject_cast<SignatureWindow*>(QApplication::activeModalWidget())) {
            child<QPlainTextEdit>(*sig, QStringLiteral("tailSignatureBox"))->setPlainText(QStringLiteral("尾\n第二行"));
            sig->close();
        }
    });
    Q_EMIT upperBarOf(w)->signaturesClicked();
    EXPECT_FALSE(upperBarOf(w)->signatures->isChecked());
    EXPECT_EQ(w.runContext().signature.tailSignatureTemplate, folvane::text::gb("尾\r\n第二行"));
}

TEST_F(ToolsTest, AboutWindowShowsVersionAndBuildTime) {
    AboutDialog about(&w);
    const QString v = AboutDialog::versionText();
    EXPECT_TRUE(v.startsWith(QStringLiteral("3.0.7\n")));
    EXPECT_EQ(v.size(), QStringLiteral("3.0.7\n2000-01-02 03:04:05").size());
    EXPECT_NE(about.findChild<QLabel*>(QStringLiteral("versionLabel")), nullptr);
    // Wide enough for its whole title beside the title bar's icon and buttons.
    about.show();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 TAVEX FOLVANE"));
    EXPECT_GE(about.width(), QFontMetrics(about.font()).horizontalAdvance(about.windowTitle()) * 3 / 2 + 160);
}

TEST_F(ToolsTest, EachRunStartsWithAFreshQuotePairing) {
    w.options().fixQuotes = true;
    for (int run = 0; run < 2; ++run) {
        setText(QStringLiteral("他说\"你好"));  // one quote: the pairing is left open
        bool finished = false;
        auto connection = QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
        w.startTypesetting();
        ASSERT_TRUE(waitUntil([&] { return finished; }));
        QObject::disconnect(connection);
        EXPECT_EQ(text(), QStringLiteral("　　他说“你好")) << run;
    }
}

TEST_F(ToolsTest, MinimizeAfterTheRun) {
    w.options().minimizeAfter = true;
    bool finished = false;
    QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
    w.startTypesetting();
    ASSERT_TRUE(waitUntil([&] { return finished; }));
    EXPECT_TRUE(w.isMinimized());
}

TEST_F(ToolsTest, WithoutATrayMinimizingKeepsTheWindow) {
    // The offscreen platform has no tray: minimise-to-tray must not hide the
    // window, or the user would have neither a window nor an icon.
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    w.action(Command::TrayOnMinimize)->trigger();
    w.showMinimized();
    // The window would hide itself in a queued call: let every posted event run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.desktop().trayIcon(), nullptr);
}

TEST_F(ToolsTest, TrayMenuShowsTheCommandsOwnActions) {
    QMenu* menu = w.desktop().trayMenu();
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], w.action(Command::ShowWindow));
    EXPECT_EQ(items[1], w.action(Command::TrayOneClick));
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3], w.action(Command::TrayExit));
    EXPECT_EQ(items[0]->text(), QStringLiteral("显示编辑窗口"));
    EXPECT_EQ(items[3]->text(), QStringLiteral("退出"));
    // The tray's check mark is the menu's and the toolbar's.
    w.action(Command::OneClick)->setChecked(true);
    EXPECT_TRUE(items[1]->isChecked());
    w.action(Command::OneClick)->setChecked(false);
    EXPECT_FALSE(items[1]->isChecked());
}

TEST_F(ToolsTest, ExitAsksBeforeDiscardingAChangedFile) {
    const QString path = settings.dir() + QStringLiteral("/a.txt");
    ASSERT_TRUE(folvane::text::writeFileAtomically(path.toStdString(), "x"));
    ASSERT_TRUE(w.openFile(path));
    QInputMethodEvent e;
    e.setCommitString(QStringLiteral("改"));
    QApplication::sendEvent(editorOf(w), &e);
    ScriptedDocumentDialogs dialogs(w);
    dialogs.answer(folvane::editor::SaveAnswer::Cancel);
    w.action(Command::Exit)->trigger();
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.last().title, QStringLiteral("关闭确认"));
    EXPECT_EQ(dialogs.last().text, QStringLiteral("文件已被改动，想保存该文件吗？"));
    EXPECT_TRUE(w.isVisible());
}

TEST_F(ToolsTest, WordWrapFollowsItsMenuItem) {
    EXPECT_EQ(editorOf(w)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    w.action(Command::WordWrap)->trigger();
    EXPECT_EQ(editorOf(w)->lineWrapMode(), QPlainTextEdit::NoWrap);
    w.action(Command::WordWrap)->trigger();
    EXPECT_EQ(editorOf(w)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

TEST_F(ToolsTest, EditorFontAsksForASimplifiedChineseFamily) {
    const QStringList families = editorOf(w)->font().families();
    EXPECT_EQ(families.value(0), QStringLiteral("宋体"));
    EXPECT_TRUE(families.contains(QStringLiteral("Noto Serif CJK SC")));
    EXPECT_EQ(editorOf(w)->font().pointSize(), 10);
}

}  // namespace

namespace {

// Closing or destroying the window while a long tool works on the worker:
// the tool finishes on its own copy of the text, its result is dropped, and
// nothing touches the window afterwards (the sanitizer build checks this).
TEST(ToolsLifetime, TheWindowGoesAwayWhileALongToolRuns) {
    for (bool viaClose : {false, true}) {
        FolvaneApp app;
        IsolatedSettings settings;
        auto* w = new MainWin(app);
        w->show();
        settings.startUp(*w);
        QString big;
        for (int i = 0; i < 15000; ++i) big += QStringLiteral("这是一段用来转换的简体中文文字，第%1行。\n").arg(i);
        editorOf(*w)->setPlainText(big);
        w->action(Command::ToTraditional)->trigger();
        ASSERT_TRUE(app.worker().busy());
        if (viaClose) {
            ScriptedDocumentDialogs discard(*w);
            discard.answer(folvane::editor::SaveAnswer::No);  // do not save the changed text
            EXPECT_TRUE(w->close());
        }
        delete w;
        app.worker().waitForDone();
        ASSERT_TRUE(waitUntil([&] { return !app.worker().busy(); }));
        // The application object is still sound: a new window works with it.
        MainWin again(app);
        editorOf(again)->setPlainText(QStringLiteral("后来"));
        EXPECT_EQ(editorOf(again)->toPlainText(), QStringLiteral("后来"));
    }
}

}  // namespace

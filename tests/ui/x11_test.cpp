// End-to-end tests under Xvfb: real X clients (xdotool, xclip) press the
// global hot key and put text on the clipboard.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <cstdlib>
#include <QProcess>
#include <QSystemTrayIcon>

#include "changes_window.h"
#include "editor_widget.h"
#include "main_window.h"
#include "run_controller.h"
#include "ui_support.h"

namespace {

// How long to wait at most for the X server, the clients and the window:
// far beyond what they need, so that a busy machine never fails a test.
constexpr int kWait = 30000;

bool onX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Runs a shell command; its own children (xclip keeps one) do not hold us up.
int sh(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }

// Runs an X client while this process keeps answering X requests (the
// clipboard may be ours); returns its standard output.
QString client(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(kWait)) return QStringLiteral("<not started>");
    if (!input.isNull()) {
        p.write(input);
        p.closeWriteChannel();
    }
    waitUntil([&] { return p.state() == QProcess::NotRunning; }, kWait);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Puts `utf8` on the clipboard through xclip (its child keeps the selection).
void xcopy(const std::string& utf8) {
    const std::string cmd = "printf '%s' '" + utf8 + "' | xclip -selection clipboard -t UTF8_STRING -i";
    ASSERT_EQ(sh(cmd), 0);
}

QString xpaste() {
    return client(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
}

class X11Window : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onX11()) GTEST_SKIP() << "needs an X server";
        w.show();
        settings.startUp(w);
        ASSERT_NE(w.showHideHotKeyId(), 0);
        ASSERT_NE(w.oneClickHotKeyId(), 0);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QObject::connect(&app.runs(), &RunController::runStarted, [this] { ++started; });
        QObject::connect(&w, &MainWin::typesettingFinished, [this] { ++finished; });
    }
    // Presses keys through the X server; the grab sends them to us wherever the focus is.
    void press(const char* keys) { ASSERT_EQ(sh(std::string("xdotool key ") + keys), 0); }
    QString text() const { return editorOf(w)->toPlainText(); }
    bool clipboardIs(const QString& t) {
        return waitUntil([&] { return QApplication::clipboard()->text() == t; }, kWait);
    }

    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
    int started = 0, finished = 0;
};

const QString kTypeset = QStringLiteral("　　剪贴板的文字\n　　第二行");

TEST_F(X11Window, ShiftF12HidesAndShowsTheWindowInEveryMode) {
    for (int mode = 0; mode < 3; ++mode) {
        if (mode == 1) w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
        if (mode == 2) w.app().windowState().set(folvane::settings::WindowFlag::CopyTypeset, true);
        press("shift+F12");
        EXPECT_TRUE(waitUntil([&] { return !w.isVisible(); }, kWait)) << mode;
        press("shift+F12");
        EXPECT_TRUE(waitUntil([&] { return w.isVisible(); }, kWait)) << mode;
    }
}

TEST_F(X11Window, AltQWithOneClickOffChangesNothing) {
    editorOf(w)->setPlainText(QStringLiteral("原文"));
    xcopy("剪贴板的文字\n第二行");
    ASSERT_TRUE(clipboardIs(QStringLiteral("剪贴板的文字\n第二行")));
    press("alt+q");
    // The key reaches us (the grab holds): a later SHIFT+F12 proves it was handled.
    press("shift+F12");
    ASSERT_TRUE(waitUntil([&] { return !w.isVisible(); }, kWait));
    EXPECT_EQ(started, 0);
    EXPECT_EQ(text(), QStringLiteral("原文"));
}

TEST_F(X11Window, AltQTypesetsTheClipboardAndCopiesTheResult) {
    w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    app.options().copyAfter = true;
    xcopy("剪贴板的文字\n第二行");
    ASSERT_TRUE(clipboardIs(QStringLiteral("剪贴板的文字\n第二行")));
    press("alt+q");
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }, kWait));
    EXPECT_EQ(text(), kTypeset);
    EXPECT_EQ(xpaste(), kTypeset);
}

TEST_F(X11Window, CopyIsTypesetWithRealCopies) {
    app.options().copyAfter = true;
    xcopy("已经在剪贴板上\n的文字");
    ASSERT_TRUE(clipboardIs(QStringLiteral("已经在剪贴板上\n的文字")));
    editorOf(w)->setPlainText(QStringLiteral("原文"));
    w.app().windowState().set(folvane::settings::WindowFlag::CopyTypeset, true);
    // What was already there is not typeset.
    for (int i = 0; i < 3; ++i) w.desktop().onWatchTimer();
    EXPECT_EQ(text(), QStringLiteral("原文"));
    EXPECT_EQ(started, 0);

    // A single line is only pasted.
    xcopy("一行而已");
    ASSERT_TRUE(waitUntil([&] { return text() == QStringLiteral("一行而已"); }, kWait));
    EXPECT_EQ(started, 0);

    // Two lines are typeset; the result goes to the clipboard and is not typeset again.
    xcopy("剪贴板的文字\n第二行");
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }, kWait));
    EXPECT_EQ(text(), kTypeset);
    EXPECT_EQ(xpaste(), kTypeset);
    for (int i = 0; i < 3; ++i) w.desktop().onWatchTimer();
    EXPECT_EQ(started, 1);

    // Copying the same text again starts no run.
    xcopy("剪贴板的文字\n第二行");
    ASSERT_TRUE(waitUntil([&] { return finished == 2; }, kWait));  // it differs from the result
    xcopy("　　剪贴板的文字\n　　第二行");
    ASSERT_TRUE(clipboardIs(kTypeset));
    for (int i = 0; i < 3; ++i) w.desktop().onWatchTimer();
    EXPECT_EQ(started, 2);
}

TEST(X11, ClipboardTextReachesTheEditorThroughReplacePaste) {
    if (!onX11()) GTEST_SKIP() << "needs an X server";
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_EQ(sh("printf '剪贴板的文字\\n第二行' | xclip -selection clipboard -t UTF8_STRING -i"), 0);
    const QString id = QString::number(w.winId());
    ASSERT_EQ(sh("xdotool windowfocus --sync " + id.toStdString()), 0);
    ASSERT_TRUE(waitUntil([&] { return w.isActiveWindow(); }, kWait));
    // The menu "编辑(&E)", then its item "全文替换粘贴(&P)", by keyboard.
    ASSERT_EQ(sh("xdotool key --delay 100 alt+e p"), 0);
    EXPECT_TRUE(waitUntil([&] { return editorOf(w)->toPlainText() == QStringLiteral("剪贴板的文字\n第二行"); }, kWait))
        << editorOf(w)->toPlainText().toStdString();
}

TEST(X11, MinimizingToTheTrayAndBack) {
    if (!onX11()) GTEST_SKIP() << "needs an X server";
    // A small system tray for the test's display.
    QProcess tray;
    tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top")});
    if (!tray.waitForStarted(10000)) GTEST_SKIP() << "trayer is not installed";
    ASSERT_TRUE(waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, kWait));

    FolvaneApp app;

    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.action(Command::TrayOnMinimize)->trigger();
    w.showMinimized();
    ASSERT_TRUE(waitUntil([&] { return !w.isVisible() && w.desktop().trayIcon() && w.desktop().trayIcon()->isVisible(); }, kWait));
    EXPECT_EQ(w.desktop().trayIcon()->toolTip(), QStringLiteral("点击打开 TAVEX FOLVANE"));
    // A click on the icon brings the window back and removes the icon.
    ASSERT_TRUE(waitUntil([&] { return w.desktop().trayIcon()->geometry().isValid(); }, kWait));
    const QPoint at = w.desktop().trayIcon()->geometry().center();
    ASSERT_EQ(sh("xdotool mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1"), 0);
    EXPECT_TRUE(waitUntil([&] { return w.isVisible() && !w.isMinimized(); }, kWait));
    EXPECT_FALSE(w.desktop().trayIcon()->isVisible());
    tray.kill();
    tray.waitForFinished();
}

}  // namespace

namespace {

// The editor's commands driven by real key presses.
class X11Editor : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onX11()) GTEST_SKIP() << "needs an X server";
        w.show();
        settings.startUp(w);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        ASSERT_EQ(sh("xdotool windowfocus --sync " + QString::number(w.winId()).toStdString()), 0);
        ASSERT_TRUE(waitUntil([&] { return w.isActiveWindow(); }, kWait));
        editorOf(w)->setFocus();
        QObject::connect(&w, &MainWin::typesettingFinished, [this] { ++finished; });
    }
    // Keys sent while this process goes on handling events (a modal dialog
    // may be running its own loop meanwhile).
    static void keysLater(const QString& script) {
        ASSERT_TRUE(QProcess::startDetached(QStringLiteral("sh"), {QStringLiteral("-c"), script}));
    }
    void keys(const std::string& k) { ASSERT_EQ(sh("xdotool key --delay 60 " + k), 0); }
    QString text() const { return editorOf(w)->toPlainText(); }
    QString path(const QString& name) const { return settings.dir() + QLatin1Char('/') + name; }

    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
    int finished = 0;
};

TEST_F(X11Editor, SaveAsChoosesUtf8AndLfByKeys) {
    editorOf(w)->setPlainText(QStringLiteral("甲 😀\n乙"));
    const QString target = path(QStringLiteral("keys.txt"));
    // Once the dialog is up: the name, then "编码(&E):" one down (UTF-8),
    // "换行符(&B):" one down (LF), and Enter.
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isActiveWindow()) return;
        poll.stop();
        keysLater(QStringLiteral("sleep 0.3; xdotool key ctrl+a; xdotool type --delay 20 '%1'; "
                                 "xdotool key --delay 150 alt+e Down alt+b Down Return")
                      .arg(target));
    });
    poll.start();
    keys("ctrl+shift+s");
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(target); }, kWait));
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeModalWidget() == nullptr; }, kWait));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("\xe7\x94\xb2 \xf0\x9f\x98\x80\n\xe4\xb9\x99"));
    EXPECT_EQ(formatLabelOf(w)->text(), QStringLiteral("UTF-8  LF"));
}

TEST_F(X11Editor, FindNextSelectsTheMatchEscapeKeepsIt) {
    editorOf(w)->setPlainText(QStringLiteral("Abc aBc ABC"));
    keys("ctrl+f");
    ASSERT_TRUE(waitUntil([&] { return findFieldOf(w)->hasFocus(); }, kWait));
    ASSERT_EQ(sh("xdotool type --delay 40 abc"), 0);
    keys("F3 F3 F3 shift+F3 Escape ctrl+c");
    ASSERT_TRUE(waitUntil([&] { return QApplication::clipboard()->text() == QStringLiteral("aBc"); }, kWait))
        << QApplication::clipboard()->text().toStdString();
    EXPECT_EQ(xpaste(), QStringLiteral("aBc"));
}

TEST_F(X11Editor, RecentFileOpenedFromTheMenuByKeys) {
    for (const char* name : {"a.txt", "b.txt"}) {
        QFile f(path(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(name);
        f.close();
        ASSERT_TRUE(w.openFile(f.fileName()));
    }
    // Down from the first item of "文件(&F)" to "最近打开的文件" (disabled
    // items are passed over), into it, and its entry "&2" (a.txt).
    QMenu* fileMenu = w.menuBar()->actions().at(0)->menu();
    int downs = 0;
    for (QAction* a : fileMenu->actions()) {
        if (a == w.action(Command::RecentFiles)) break;
        if (!a->isSeparator() && a->isEnabled()) ++downs;
    }
    std::string k = "alt+f";
    for (int i = 1; i < downs; ++i) k += " Down";
    keys(k + " Down Right 2");
    EXPECT_TRUE(waitUntil([&] { return text() == QStringLiteral("a.txt"); }, kWait)) << text().toStdString();
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("a.txt - ")));
}

TEST_F(X11Editor, F5WithASelectionTypesetsOnlyItAndTheChangesWindowShowsTheTextBefore) {
    app.options().fixPunctuation = true;
    const QString before = QStringLiteral("第一行,\n第二行,好.\n第三行,");
    editorOf(w)->setPlainText(before);
    keys("ctrl+Home Down shift+End F5");
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }, kWait));
    keys("ctrl+a ctrl+c");
    ASSERT_TRUE(waitUntil([&] { return QApplication::clipboard()->text() == text(); }, kWait));
    const QString after = xpaste();
    const QStringList lines = after.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 3) << after.toStdString();
    EXPECT_EQ(lines.first(), QStringLiteral("第一行,"));
    EXPECT_EQ(lines.last(), QStringLiteral("第三行,"));
    EXPECT_TRUE(after.contains(QStringLiteral("第二行，好。"))) << after.toStdString();

    // "排版(&R)" → "查看排版改动": the window opens on the text before the run.
    keys("alt+r Down Return");
    ASSERT_TRUE(waitUntil([&] { return w.changesWindow() && w.changesWindow()->isActiveWindow(); }, kWait));
    ChangesWindow* cw = w.changesWindow();
    ASSERT_TRUE(waitUntil([&] { return child<QPlainTextEdit>(*cw, QStringLiteral("beforeView"))->toPlainText() == before; }, kWait));
    EXPECT_FALSE(cw->changes().empty());
    child<QPlainTextEdit>(*cw, QStringLiteral("beforeView"))->setFocus();
    keys("ctrl+a ctrl+c");
    EXPECT_TRUE(waitUntil([&] { return QApplication::clipboard()->text() == before; }, kWait));
    EXPECT_EQ(xpaste(), before);
}

}  // namespace

// End-to-end tests under Xvfb: real X clients (xdotool, xclip) press the
// global hot key and put text on the clipboard.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <cstdlib>
#include <QProcess>
#include <QSystemTrayIcon>

#include "editor_widget.h"
#include "main_window.h"
#include "ui_support.h"

namespace {

bool onX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Runs a shell command; its own children (xclip keeps one) do not hold us up.
int sh(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }

TEST(X11, ShiftF12HidesAndShowsTheWindow) {
    if (!onX11()) GTEST_SKIP() << "needs an X server";
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    ASSERT_NE(w.showHideHotKeyId(), 0);
    ASSERT_NE(w.oneClickHotKeyId(), 0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_EQ(sh("xdotool key shift+F12"), 0);
    EXPECT_TRUE(waitUntil([&] { return !w.isVisible(); }, 5000));
    ASSERT_EQ(sh("xdotool key shift+F12"), 0);
    EXPECT_TRUE(waitUntil([&] { return w.isVisible(); }, 5000));
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
    ASSERT_TRUE(waitUntil([&] { return w.isActiveWindow(); }, 5000));
    // The menu "编辑(&E)", then its item "全文替换粘贴(&P)", by keyboard.
    ASSERT_EQ(sh("xdotool key --delay 100 alt+e p"), 0);
    EXPECT_TRUE(waitUntil([&] { return w.editor()->toPlainText() == QStringLiteral("剪贴板的文字\n第二行"); }, 5000))
        << w.editor()->toPlainText().toStdString();
}

TEST(X11, MinimizingToTheTrayAndBack) {
    if (!onX11()) GTEST_SKIP() << "needs an X server";
    // A small system tray for the test's display.
    QProcess tray;
    tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top")});
    if (!tray.waitForStarted(3000)) GTEST_SKIP() << "trayer is not installed";
    ASSERT_TRUE(waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000));

    FolvaneApp app;

    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.action(Command::TrayOnMinimize)->trigger();
    w.showMinimized();
    ASSERT_TRUE(waitUntil([&] { return !w.isVisible() && w.trayIcon() && w.trayIcon()->isVisible(); }, 5000));
    EXPECT_EQ(w.trayIcon()->toolTip(), QStringLiteral("点击打开 TAVEX FOLVANE"));
    // A click on the icon brings the window back and removes the icon.
    ASSERT_TRUE(waitUntil([&] { return w.trayIcon()->geometry().isValid(); }, 5000));
    const QPoint at = w.trayIcon()->geometry().center();
    ASSERT_EQ(sh("xdotool mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1"), 0);
    EXPECT_TRUE(waitUntil([&] { return w.isVisible() && !w.isMinimized(); }, 5000));
    EXPECT_FALSE(w.trayIcon()->isVisible());
    tray.kill();
    tray.waitForFinished();
}

}  // namespace

// End-to-end tests under Xvfb: real X clients (xdotool, xclip) press the
// global hot key and put text on the clipboard.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <cstdlib>

#include "editor_widget.h"
#include "main_window.h"
#include "ui_support.h"

namespace {

bool onX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Runs a shell command; its own children (xclip keeps one) do not hold us up.
int sh(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }

TEST(X11, ShiftF12HidesAndShowsTheWindow) {
    if (!onX11()) GTEST_SKIP() << "needs an X server";
    MainWin w;
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_EQ(sh("xdotool key shift+F12"), 0);
    EXPECT_TRUE(waitUntil([&] { return !w.isVisible(); }, 5000));
    ASSERT_EQ(sh("xdotool key shift+F12"), 0);
    EXPECT_TRUE(waitUntil([&] { return w.isVisible(); }, 5000));
}

TEST(X11, ClipboardTextReachesTheEditorThroughReplacePaste) {
    if (!onX11()) GTEST_SKIP() << "needs an X server";
    MainWin w;
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

}  // namespace

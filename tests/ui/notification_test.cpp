// Tips as Wayland shows them: through the desktop's notification service,
// here one of the test's own on the session bus of dbus-run-session (a
// connection of its own, as another program's), and without a service as a
// balloon inside the main window that takes no focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QAction>
#include <optional>
#include <QWindow>

#include "balloon_tip.h"
#include "desktop_controller.h"
#include "editor_widget.h"
#include "folvane_app.h"
#include "main_window.h"
#include "notification_server.h"
#include "platform/desktop_notifications.h"
#include "worker.h"
#include "ui_support.h"

namespace {

constexpr int kOneClickId = 1, kShowHideId = 2;
const QString kDoneText = QStringLiteral("提示：\n已成功排版，直接粘贴即可提取。");
const QString kWorkingText = QStringLiteral("排版中，请稍候……");

class NotificationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus (run under dbus-run-session)";
        QApplication::clipboard()->clear();
        w.show();
        settings.startUp(w);
        app.hotKeys() = {kOneClickId, kShowHideId};
        QObject::connect(&w, &MainWin::typesettingFinished, [this] { ++finished; });
        w.desktop().setWaylandTips(true);
        w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    }
    void TearDown() override {
        if (serverBus_) {
            serverBus_->unregisterService(DesktopNotifications::service());
            serverBus_->unregisterObject(DesktopNotifications::path());
            QDBusConnection::disconnectFromBus(serverBus_->name());
        }
    }
    // The service, on a connection other than the program's.
    NotificationServer* startServer() {
        serverBus_.emplace(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server")));
        auto* server = new NotificationServer(&serverObject_);
        EXPECT_TRUE(serverBus_->registerObject(DesktopNotifications::path(), &serverObject_));
        EXPECT_TRUE(serverBus_->registerService(DesktopNotifications::service()));
        return server;
    }
    bool waitForRuns(int n) {
        return waitUntil([&] { return finished == n && !app.worker().busy(); });
    }

    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
    int finished = 0;
    QObject serverObject_;
    std::optional<QDBusConnection> serverBus_;
};

TEST_F(NotificationTest, AOneClickRunSaysItIsDoneThroughTheService) {
    NotificationServer* server = startServer();
    app.options().copyAfter = true;
    QApplication::clipboard()->setText(QStringLiteral("甲行\n乙行"));
    w.desktop().onHotKey(kOneClickId);
    ASSERT_TRUE(waitForRuns(1));
    ASSERT_TRUE(waitUntil([&] { return !server->received.empty(); }));
    const ReceivedNotification& n = server->received.back();
    EXPECT_EQ(n.appName, QStringLiteral("Folvane"));
    EXPECT_EQ(n.body, kDoneText);
    EXPECT_EQ(n.timeout, BalloonTip::kShownMs);
    EXPECT_EQ(n.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("folvane"));
    // No window of the program's own besides.
    EXPECT_FALSE(w.desktop().balloon()->isVisible());
}

// Copy-is-typeset says it is working, then done: the second tip takes the
// first one's place, and a run whose result is not on the clipboard takes
// the working tip away.
TEST_F(NotificationTest, TheWorkingTipIsReplacedOrTakenAway) {
    NotificationServer* server = startServer();
    for (bool copyAfter : {true, false}) {
        SCOPED_TRACE(copyAfter);
        finished = 0;
        server->received.clear();
        app.options().copyAfter = copyAfter;
        QApplication::clipboard()->setText(QStringLiteral("起初"));
        {
            MessageBoxAnswer none(QMessageBox::Ok, 0);
            w.action(Command::CopyTypeset)->trigger();
        }
        ASSERT_TRUE(w.action(Command::CopyTypeset)->isChecked());
        QApplication::clipboard()->setText(copyAfter ? QStringLiteral("甲行\n乙行") : QStringLiteral("丙行\n丁行"));
        ASSERT_TRUE(waitForRuns(1));
        ASSERT_TRUE(waitUntil([&] {
            return server->received.size() == (copyAfter ? 2u : 1u) && server->open.size() == (copyAfter ? 1 : 0);
        })) << server->received.size() << " " << server->open.size();
        EXPECT_EQ(server->received.front().body, kWorkingText);
        if (copyAfter) {
            EXPECT_EQ(server->open.values(), QStringList{kDoneText});
        }
        {
            MessageBoxAnswer none(QMessageBox::Ok, 0);
            w.action(Command::CopyTypeset)->trigger();
        }
        ASSERT_FALSE(w.action(Command::CopyTypeset)->isChecked());
        server->open.clear();
    }
}

// Without a service the tip is a popup inside the main window, and only
// while the window is on the screen: a window of its own would be tiled
// and take the keyboard focus.
TEST_F(NotificationTest, WithoutAServiceTheTipIsAPopupOfTheWindowThatTakesNoFocus) {
    ASSERT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(DesktopNotifications::service()));
    app.options().copyAfter = true;
    w.activateWindow();
    editorOf(w)->setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == editorOf(w); }));
    QApplication::clipboard()->setText(QStringLiteral("甲行\n乙行"));
    w.desktop().onHotKey(kOneClickId);
    ASSERT_TRUE(waitForRuns(1));
    BalloonTip* tip = w.desktop().balloon();
    ASSERT_TRUE(waitUntil([&] { return tip->isVisible(); }));
    EXPECT_EQ(tip->text(), DesktopController::doneTip());
    EXPECT_FALSE(w.desktop().notifications()->usable());
    EXPECT_TRUE(tip->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(tip->windowType(), Qt::ToolTip);
    ASSERT_NE(tip->windowHandle(), nullptr);
    EXPECT_EQ(tip->windowHandle()->transientParent(), w.windowHandle());
    EXPECT_TRUE(QRect(w.mapToGlobal(QPoint(0, 0)), w.size()).contains(tip->geometry()));
    EXPECT_EQ(QApplication::focusWidget(), editorOf(w));
    EXPECT_EQ(QApplication::activeWindow(), &w);

    tip->hide();
    w.hide();
    w.desktop().onHotKey(kOneClickId);
    ASSERT_TRUE(waitForRuns(2));
    QApplication::processEvents();
    EXPECT_EQ(w.desktop().lastTip(), DesktopController::doneTip());
    EXPECT_FALSE(tip->isVisible());
}

}  // namespace

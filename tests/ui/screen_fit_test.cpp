// Every window on a laptop screen of 1920×1080 pixels at 200 % (960×540
// logical pixels): the offscreen platform with that screen (small_screen.
// json) and QT_SCALE_FACTOR=2. Each window lies on the screen with its
// frame, its buttons inside it; a saved size too large is brought back.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include "batch_window.h"
#include "changes_window.h"
#include "editor_widget.h"
#include "folvane_app.h"
#include "main_window.h"
#include "screen_fit.h"
#include "settings/ini_store.h"
#include "text/codec.h"
#include "worker.h"
#include "ui_support.h"

namespace {

TEST(FitFrameInto, MovesAndShrinksOntoTheScreen) {
    const QRect screen(0, 0, 960, 540);
    struct Case {
        const char* what;
        QRect frame;
        QSize minimum;
        QRect expected;
    };
    const Case cases[] = {
        {"fits: stays", {50, 20, 689, 500}, {}, {50, 20, 689, 500}},
        {"bottom below the edge: moved up", {50, 100, 689, 500}, {}, {50, 40, 689, 500}},
        {"taller than the screen: shrunk, at the top", {50, 50, 689, 1000}, {}, {50, 0, 689, 540}},
        {"wider and taller: the whole screen", {-30, -30, 1600, 1000}, {}, {0, 0, 960, 540}},
        {"left of the screen: moved right", {-200, 10, 400, 300}, {}, {0, 10, 400, 300}},
        {"off to the right: brought back", {2000, 10, 400, 300}, {}, {560, 10, 400, 300}},
        {"minimum larger than the screen: top left kept on it", {100, 100, 1200, 700}, {1000, 600}, {0, 0, 1000, 600}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fitFrameInto(c.frame, screen, c.minimum), c.expected) << c.what;
    }
    // A second screen to the right: its own area counts.
    EXPECT_EQ(fitFrameInto({900, 0, 400, 300}, {960, 0, 800, 600}), QRect(960, 0, 400, 300));
}

const QRect kScreen(0, 0, 960, 540);

// What of `window` does not lie on the screen: its frame, or a button
// outside the window (buttons in a scrolled area may lie outside its view).
std::string misfits(QWidget* window) {
    QCoreApplication::processEvents();
    std::string out;
    const QRect frame = window->frameGeometry();
    if (!kScreen.contains(frame)) {
        out += window->objectName().toStdString() + " frame " + std::to_string(frame.x()) + "," +
               std::to_string(frame.y()) + " " + std::to_string(frame.width()) + "x" +
               std::to_string(frame.height()) + "; ";
    }
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(window) || b->text().isEmpty()) continue;
        bool scrolled = false;
        for (QWidget* p = b->parentWidget(); p && p != window; p = p->parentWidget())
            if (qobject_cast<QAbstractScrollArea*>(p)) scrolled = true;
        if (scrolled) continue;
        const QRect r(b->mapTo(window, QPoint(0, 0)), b->size());
        if (!window->rect().contains(r)) out += "button " + b->text().toStdString() + " outside; ";
    }
    return out;
}

// Opens a modal window with `open` and reports what of it misfits (or
// that none opened), then closes it.
std::string misfitsOfModal(const std::function<void()>& open) {
    std::string result = "no window opened";
    QTimer probe;
    probe.setInterval(20);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        probe.stop();
        result = misfits(modal);
        if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
        else modal->close();
    });
    probe.start();
    open();
    return result;
}

class SmallScreen : public ::testing::Test {
protected:
    void SetUp() override {
        QScreen* screen = QGuiApplication::primaryScreen();
        ASSERT_EQ(screen->geometry(), kScreen) << "run with QT_SCALE_FACTOR=2 and the small screen's configuration";
        ASSERT_EQ(screen->availableGeometry(), kScreen);
    }
};

TEST_F(SmallScreen, TheMainWindowFitsWithItsStatusBar) {
    for (const char* saved : {"", "1600x1000", "685x496"}) {
        SCOPED_TRACE(saved);
        IsolatedSettings settings;
        if (*saved) {
            const QStringList size = QString::fromLatin1(saved).split(QLatin1Char('x'));
            folvane::settings::IniStore store(settings.path(), "folvane");
            ASSERT_TRUE(store.writeText(folvane::text::gb("版本"), "3.0.7").ok);
            ASSERT_TRUE(store.writeText(folvane::text::gb("窗口宽度"), size[0].toStdString()).ok);
            ASSERT_TRUE(store.writeText(folvane::text::gb("窗口高度"), size[1].toStdString()).ok);
        }
        FolvaneApp app;
        MainWin w{app};
        w.show();
        settings.startUp(w);
        EXPECT_EQ(misfits(&w), "");
        ASSERT_TRUE(w.statusBar()->isVisible());
        EXPECT_TRUE(w.rect().contains(QRect(w.statusBar()->mapTo(&w, QPoint(0, 0)), w.statusBar()->size())));
    }
}

TEST_F(SmallScreen, EveryDialogFits) {
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w{app};
    w.show();
    settings.startUp(w);
    const Command dialogs[] = {Command::Options, Command::Signatures, Command::Statistics, Command::About,
                               Command::Donate};
    for (Command c : dialogs) {
        EXPECT_EQ(misfitsOfModal([&] { w.action(c)->trigger(); }), "") << w.action(c)->text().toStdString();
    }
}

// The options window scrolls its switches where the screen is too small;
// 确定, 取消 and 重置 stay in sight.
TEST_F(SmallScreen, TheOptionsWindowScrollsItsSwitches) {
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w{app};
    w.show();
    settings.startUp(w);
    std::string result = "no window opened";
    QTimer probe;
    probe.setInterval(20);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        probe.stop();
        result = misfits(d);
        for (const char* name : {"ok", "cancel", "reset"}) {
            auto* b = d->findChild<QPushButton*>(QString::fromLatin1(name));
            if (!b || !b->isVisible()) result += std::string(name) + " missing; ";
        }
        if (!d->findChild<QAbstractScrollArea*>(QStringLiteral("optionsScroll"))) result += "no scroll area; ";
        d->reject();
    });
    probe.start();
    w.action(Command::Options)->trigger();
    EXPECT_EQ(result, "");
}

TEST_F(SmallScreen, TheBatchAndChangesWindowsFit) {
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w{app};
    w.show();
    settings.startUp(w);
    editorOf(w)->setPlainText(QStringLiteral("甲行\n乙行"));
    w.action(Command::Run)->trigger();
    ASSERT_TRUE(waitUntil([&] { return !app.worker().busy() && w.action(Command::Run)->isEnabled(); }));
    w.action(Command::ShowChanges)->trigger();
    ASSERT_TRUE(waitUntil([&] { return w.changesWindow() && w.changesWindow()->isVisible(); }));
    EXPECT_EQ(misfits(w.changesWindow()), "");
    w.changesWindow()->close();

    w.action(Command::Batch)->trigger();
    ASSERT_TRUE(waitUntil([&] { return w.batchWindow() && w.batchWindow()->isVisible(); }));
    EXPECT_EQ(misfits(w.batchWindow()), "");
    w.batchWindow()->close();
}

}  // namespace

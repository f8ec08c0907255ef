// One-click typesetting (ALT+Q) and copy-is-typeset, driven through the
// desktop controller with the in-process clipboard of the offscreen
// platform. The X11 tests repeat the main paths with real X clients.
#include <gtest/gtest.h>

#include <QAction>
#include <functional>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

#include "balloon_tip.h"
#include "document_controller.h"
#include "gbtext.h"
#include "text/file_io.h"
#include "desktop_controller.h"
#include "editor_widget.h"
#include "folvane_app.h"
#include "main_window.h"
#include "quick_bars.h"
#include "run_controller.h"
#include "worker.h"
#include "ui_support.h"

namespace {

constexpr int kOneClickId = 1, kShowHideId = 2;

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        QApplication::clipboard()->clear();
        w.show();
        settings.startUp(w);
        // Offscreen there is no key grab: give the keys identifiers of their own.
        app.hotKeys() = {kOneClickId, kShowHideId};
        QObject::connect(&app.runs(), &RunController::runStarted, [this] { ++started; });
        QObject::connect(&w, &MainWin::typesettingFinished, [this] { ++finished; });
    }
    void copy(const QString& text) { QApplication::clipboard()->setText(text); }
    QString clip() const { return QApplication::clipboard()->text(); }
    QString text() const { return editorOf(w)->toPlainText(); }
    bool waitForRuns(int n) {
        return waitUntil([&] { return finished == n && !app.worker().busy(); });
    }
    void switchCopyTypesetOn() {
        MessageBoxAnswer none(QMessageBox::Ok, 0);  // toggling on shows no box
        w.action(Command::CopyTypeset)->trigger();
        ASSERT_TRUE(w.action(Command::CopyTypeset)->isChecked());
        ASSERT_TRUE(lowerBarOf(w)->copyTypeset->isChecked());
    }
    DesktopController& desktop() { return w.desktop(); }

    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
    int started = 0, finished = 0;
};

const QString kTwoLines = QStringLiteral("甲行\n乙行");
const QString kTwoLinesTypeset = QStringLiteral("　　甲行\n　　乙行");

TEST_F(ClipboardTest, AltQDoesNothingWhileOneClickIsOff) {
    editorOf(w)->setPlainText(QStringLiteral("原文"));
    copy(kTwoLines);
    desktop().onHotKey(kOneClickId);
    EXPECT_EQ(started, 0);
    EXPECT_EQ(text(), QStringLiteral("原文"));
    EXPECT_TRUE(desktop().lastTip().isEmpty());
}

TEST_F(ClipboardTest, AltQPastesTheClipboardAndTypesetsIt) {
    for (bool copyAfter : {false, true}) {
        finished = started = 0;
        w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
        app.options().copyAfter = copyAfter;
        copy(kTwoLines);
        desktop().onHotKey(kOneClickId);
        EXPECT_EQ(started, 1);
        ASSERT_TRUE(waitForRuns(1));
        EXPECT_EQ(text(), kTwoLinesTypeset);
        EXPECT_EQ(clip(), copyAfter ? kTwoLinesTypeset : kTwoLines);
        // "直接粘贴即可提取" is said only when the result is on the clipboard.
        EXPECT_EQ(desktop().lastTip(), copyAfter ? DesktopController::doneTip() : QString()) << copyAfter;
        EXPECT_EQ(desktop().balloon()->isVisible(), copyAfter);
    }
}

// The clipboard's text is not the open file's: a clipboard-driven run works
// in an untitled document, asking first as New does when the file's text
// has unsaved changes, so a later Save never writes it into the file.
TEST_F(ClipboardTest, ClipboardRunsNeverLandInTheOpenFile) {
    const QString victim = settings.dir() + QStringLiteral("/victim.txt");
    const std::string original = folvane::testing::g("原文");
    ASSERT_TRUE(folvane::text::writeFileAtomically(victim.toStdString(), original));
    ScriptedDocumentDialogs dialogs{w};
    struct Case {
        const char* name;
        std::function<void()> trigger;
    };
    const Case cases[] = {
        {"ALT+Q", [&] { desktop().onHotKey(kOneClickId); }},
        {"copy-is-typeset", [&] { desktop().onWatchTimer(); }},
    };
    w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    switchCopyTypesetOn();
    int runs = 0;
    for (const Case& c : cases) {
        // Unchanged file: no question, the run goes to a new document.
        ASSERT_TRUE(w.openFile(victim)) << c.name;
        copy(QStringLiteral("%1甲\n乙").arg(++runs));
        c.trigger();
        ASSERT_TRUE(waitForRuns(runs)) << c.name;
        EXPECT_TRUE(w.documents().document().currentPath().empty()) << c.name;
        EXPECT_TRUE(dialogs.asked().empty()) << c.name;
        // A changed file: Cancel keeps it and starts no run.
        ASSERT_TRUE(w.openFile(victim));
        QTextCursor cursor = editorOf(w)->textCursor();
        cursor.insertText(QStringLiteral("改"));
        dialogs.answer(folvane::editor::SaveAnswer::Cancel);
        copy(QStringLiteral("%1丙\n丁").arg(runs + 100));
        c.trigger();
        EXPECT_EQ(dialogs.asked().size(), 1u) << c.name;
        EXPECT_EQ(dialogs.last().title, QStringLiteral("新建前保存确认")) << c.name;
        EXPECT_EQ(started, runs) << c.name;
        EXPECT_TRUE(text().contains(QStringLiteral("改")) && text().contains(QStringLiteral("原文"))) << c.name;
        dialogs.clear();
        dialogs.answer(folvane::editor::SaveAnswer::No);
        w.action(Command::New)->trigger();
        dialogs.clear();
    }
    std::string bytes;
    ASSERT_TRUE(folvane::text::readFile(victim.toStdString(), bytes));
    EXPECT_EQ(bytes, original);
}

TEST_F(ClipboardTest, AltQWithAnEmptyClipboardRunsOnAnEmptyText) {
    w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    editorOf(w)->setPlainText(QStringLiteral("原文"));
    desktop().onHotKey(kOneClickId);
    ASSERT_TRUE(waitForRuns(1));
    EXPECT_EQ(text(), QString());
}

TEST_F(ClipboardTest, AltQAppliesTheAutomaticReplacementFirst) {
    w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    findFieldOf(w)->setText(QStringLiteral("甲"));
    replaceFieldOf(w)->setText(QStringLiteral("丙"));
    for (bool ticked : {false, true}) {
        finished = 0;
        autoReplaceBoxOf(w)->setChecked(ticked);
        copy(kTwoLines);
        desktop().onHotKey(kOneClickId);
        ASSERT_TRUE(waitForRuns(1));
        EXPECT_EQ(text(), ticked ? QStringLiteral("　　丙行\n　　乙行") : kTwoLinesTypeset) << ticked;
    }
}

TEST_F(ClipboardTest, ATriggerDuringARunIsIgnored) {
    w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    QString big;
    for (int i = 0; i < 20000; ++i) big += QStringLiteral("第%1行\n").arg(i);
    editorOf(w)->setPlainText(big);
    w.startTypesetting();
    ASSERT_TRUE(w.running());
    copy(kTwoLines);
    desktop().onHotKey(kOneClickId);
    switchCopyTypesetOn();
    copy(QStringLiteral("别的\n文字"));
    desktop().onWatchTimer();
    EXPECT_EQ(started, 1);
    ASSERT_TRUE(waitForRuns(1));
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(text().startsWith(QStringLiteral("　　第0行")));
    // The text copied during the run was seen at the run's end: not typeset later.
    desktop().onWatchTimer();
    EXPECT_EQ(started, 1);
}

TEST_F(ClipboardTest, ShiftF12HidesAndShowsInEveryMode) {
    for (int mode = 0; mode < 3; ++mode) {
        if (mode == 1) w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
        if (mode == 2) switchCopyTypesetOn();
        desktop().onHotKey(kShowHideId);
        EXPECT_FALSE(w.isVisible()) << mode;
        desktop().onHotKey(kShowHideId);
        EXPECT_TRUE(w.isVisible()) << mode;
    }
}

// A minimised window is "visible" to Qt but not on the screen: one press
// brings it back, from any state the window can be in.
TEST_F(ClipboardTest, ShiftF12BringsBackAMinimisedOrHiddenWindowAtOnce) {
    struct Case {
        const char* name;
        std::function<void()> put;
        bool shownAfter;
    };
    const Case cases[] = {
        {"minimised", [&] { w.showMinimized(); }, true},
        {"hidden", [&] { w.hide(); }, true},
        {"maximised", [&] { w.showMaximized(); }, false},
        {"normal", [&] { w.showNormal(); }, false},
    };
    for (const Case& c : cases) {
        w.showNormal();
        c.put();
        QCoreApplication::processEvents();
        desktop().onHotKey(kShowHideId);
        EXPECT_EQ(w.isVisible() && !w.isMinimized(), c.shownAfter) << c.name;
    }
}

// The desktop's shortcut or a second start asks for the same action as the
// key, also where no key could be grabbed.
TEST_F(ClipboardTest, TriggersWorkWithoutAGrabbedKey) {
    app.hotKeys() = {0, 0};
    w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    copy(kTwoLines);
    desktop().trigger(folvane::engine::DesktopTrigger::OneClick);
    ASSERT_TRUE(waitForRuns(1));
    EXPECT_EQ(text(), kTwoLinesTypeset);
    desktop().trigger(folvane::engine::DesktopTrigger::ShowHide);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(ClipboardTest, HotKeyIdentifierZeroMatchesNothing) {
    app.hotKeys() = {0, 0};
    w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    copy(kTwoLines);
    desktop().onHotKey(0);
    EXPECT_EQ(started, 0);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(ClipboardTest, TextAlreadyOnTheClipboardIsNotTypeset) {
    copy(kTwoLines);
    editorOf(w)->setPlainText(QStringLiteral("原文"));
    switchCopyTypesetOn();
    desktop().onWatchTimer();
    EXPECT_EQ(started, 0);
    EXPECT_EQ(text(), QStringLiteral("原文"));
}

TEST_F(ClipboardTest, CopyIsTypesetCycle) {
    switchCopyTypesetOn();
    // One line: only pasted.
    copy(QStringLiteral("一行而已"));
    desktop().onWatchTimer();
    EXPECT_EQ(text(), QStringLiteral("一行而已"));
    EXPECT_EQ(started, 0);
    // The same line again: nothing, even after the editor changed.
    editorOf(w)->setPlainText(QStringLiteral("改过"));
    desktop().onWatchTimer();
    EXPECT_EQ(text(), QStringLiteral("改过"));
    // Two lines: pasted and typeset, with the working tip at once.
    copy(kTwoLines);
    desktop().onWatchTimer();
    EXPECT_EQ(started, 1);
    EXPECT_EQ(desktop().lastTip(), DesktopController::workingTip());
    ASSERT_TRUE(waitForRuns(1));
    EXPECT_EQ(text(), kTwoLinesTypeset);
    EXPECT_EQ(clip(), kTwoLines);  // copyAfter off: the clipboard keeps the copy
    // so no tip says the result could be pasted, and the working tip goes.
    EXPECT_EQ(desktop().lastTip(), DesktopController::workingTip());
    EXPECT_FALSE(desktop().balloon()->isVisible());
    // The same text again starts no run.
    desktop().onWatchTimer();
    EXPECT_EQ(started, 1);
}

TEST_F(ClipboardTest, WithCopyAfterTheResultIsNotTypesetAgain) {
    app.options().copyAfter = true;
    switchCopyTypesetOn();
    copy(kTwoLines);
    desktop().onWatchTimer();
    ASSERT_TRUE(waitForRuns(1));
    EXPECT_EQ(clip(), kTwoLinesTypeset);
    EXPECT_EQ(desktop().lastTip(), DesktopController::doneTip());
    desktop().onWatchTimer();
    EXPECT_EQ(started, 1);
}

TEST_F(ClipboardTest, SwitchingOffWhileBusyDoesNotRearm) {
    switchCopyTypesetOn();
    copy(kTwoLines);
    desktop().onWatchTimer();
    ASSERT_EQ(started, 1);
    w.action(Command::CopyTypeset)->trigger();  // off, while the run works
    EXPECT_FALSE(lowerBarOf(w)->copyTypeset->isChecked());
    ASSERT_TRUE(waitForRuns(1));
    EXPECT_FALSE(app.clipboard().watch.armed);
    copy(QStringLiteral("新的\n两行"));
    desktop().onWatchTimer();
    EXPECT_EQ(started, 1);
}

TEST_F(ClipboardTest, PasteButtonFollowsTheClipboard) {
    QApplication::clipboard()->clear();
    desktop().onWatchTimer();
    EXPECT_FALSE(w.toolButton(MainWin::kToolPaste)->isEnabled());
    copy(QStringLiteral("字"));
    desktop().onWatchTimer();
    EXPECT_TRUE(w.toolButton(MainWin::kToolPaste)->isEnabled());
    EXPECT_EQ(w.desktop().watchTimer().interval(), 100);
    EXPECT_TRUE(w.desktop().watchTimer().isActive());
}

TEST_F(ClipboardTest, OneClickMenuButtonAndTrayAgree) {
    for (int round = 0; round < 2; ++round) {
        {
            MessageBoxAnswer answer(QMessageBox::Ok);
            w.toolButton(MainWin::kToolOneClick)->trigger();  // on: with the message
            EXPECT_EQ(answer.title, QStringLiteral("友情提示"));
            EXPECT_EQ(answer.text, QStringLiteral("一键排版快捷键: ALT+Q"));
        }
        EXPECT_TRUE(w.action(Command::OneClick)->isChecked());
        EXPECT_TRUE(w.action(Command::TrayOneClick)->isChecked());
        EXPECT_TRUE(app.clipboard().oneClick);
        w.action(Command::TrayOneClick)->trigger();  // off: no message
        EXPECT_FALSE(w.action(Command::OneClick)->isChecked());
        EXPECT_FALSE(w.toolButton(MainWin::kToolOneClick)->isChecked());
        EXPECT_FALSE(app.clipboard().oneClick);
    }
}

TEST_F(ClipboardTest, OneClickMessageIsShownWithoutAlwaysOnTop) {
    w.action(Command::AlwaysOnTop)->trigger();
    ASSERT_TRUE(w.app().windowState().value().alwaysOnTop);
    bool onTopWhileShown = true;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            onTopWhileShown = w.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            probe.stop();
            box->accept();
        }
    });
    probe.start();
    w.action(Command::OneClick)->trigger();
    EXPECT_FALSE(onTopWhileShown);
    EXPECT_TRUE(w.app().windowState().value().alwaysOnTop);
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(ClipboardTest, ABalloonTipClosesOnAClick) {
    w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    app.options().copyAfter = true;
    desktop().onHotKey(kOneClickId);
    ASSERT_TRUE(waitForRuns(1));
    BalloonTip* tip = desktop().balloon();
    ASSERT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->text(), DesktopController::doneTip());
    // Keys typed while it shows go where they went before.
    EXPECT_TRUE(tip->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(tip->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(tip->windowType(), Qt::ToolTip);
    QTest::mouseClick(tip, Qt::LeftButton);
    EXPECT_FALSE(tip->isVisible());
}

TEST_F(ClipboardTest, TheModesAreSavedWithTheSettings) {
    w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    switchCopyTypesetOn();
    w.close();
    folvane::settings::IniStore store(settings.path(), "folvane");
    EXPECT_EQ(store.readText(folvane::text::gb("一键排版"), "<absent>"), "1");
    EXPECT_EQ(store.readText(folvane::text::gb("复制即排版"), "<absent>"), "1");
}

}  // namespace

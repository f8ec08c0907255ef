#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QFontDialog>
#include <QFontInfo>
#include <QMessageBox>
#include <QTimer>
#include <QToolBar>
#include <functional>

#include "editor_widget.h"
#include "quick_bars.h"
#include <QRadioButton>
#include "gbtext.h"
#include "main_window.h"
#include "run_controller.h"
#include "worker.h"
#include "settings/ini_store.h"
#include "text/codec.h"
#include "text_bridge.h"
#include "ui_support.h"

namespace {

// Every menu of the menu bar with its items as "caption|shortcut|checked|enabled".
QStringList describeMenus(QMenuBar* bar) {
    QStringList out;
    for (QAction* top : bar->actions()) {
        out << top->text();
        for (QAction* a : top->menu()->actions()) {
            if (a->isSeparator()) {
                out << "  -";
                continue;
            }
            out << QStringLiteral("  %1|%2|%3|%4")
                       .arg(a->text(), a->shortcut().toString(), a->isChecked() ? "x" : "", a->isEnabled() ? "" : "off");
        }
    }
    return out;
}

TEST(MainWindow, MenusAtStart) {
    FolvaneApp app;
    MainWin w{app};
    const QStringList expected = {
        "文件(&F)",
        "  新建(&N)|Ctrl+N||",
        "  打开(&O)... |Ctrl+O||",
        "  打开网页(&H)...|||off",  // no web features in this window
        "  保存(&S)|Ctrl+S||",
        "  另存为(&A)...|Ctrl+Shift+S||",
        "  最近打开的文件|||",
        "  -",
        "  字体(&F)...|||",
        "  自动换行(&W)||x|",
        "  置顶(&U)|||",
        "  -",
        "  退出(&X)|||",
        "编辑(&E)",
        "  撤销(&U)|Ctrl+Z||off",
        "  重做(&R)|Ctrl+Y||off",
        "  -",
        "  全文剪切(&T)|||",
        "  全文复制(&C)|||",
        "  全文替换粘贴(&P)|||",
        "  全文清空(&D)|||",
        "  -",
        "  按回车键缩进换行|||",
        "  快速隐藏编辑内容(再按则恢复)|Ctrl+M||",
        "  -",
        "  文本替换(&F)|Ctrl+F||",
        "  查找下一个(&N)|F3||",
        "  查找上一个(&V)|Shift+F3||",
        "  -",
        "  首尾签名(&Q)...|||",
        "排版(&R)",
        "  执行(&G)|F5||",
        "  查看排版改动|||off",  // until a run
        "  批量排版(&L)...|||",
        "  -",
        "  排版设置(&O)...|Ctrl+P||",
        "  -",
        "  一键排版(&Q)|||",
        "  复制即排版(&N)|||",
        "显示(&S)",
        "  最小化时隐藏主窗口到托盘|||",
        "  -",
        "  显示导航按钮|||",
        "  显示功能快捷栏(上)|||",
        "  显示功能快捷栏(下)|||",
        "其它(&A)",
        "  关于&TAVEX FOLVANE...|||",
        "  -",
        "  访问官方网站...|||",
        "  参与排版软件的讨论(&C)...|||",
        "  捐助...|||",
        "  -",
        "  联网时检查新版本|||",
        "  -",
        "  恢复默认配置(&R)|||",
    };
    EXPECT_EQ(describeMenus(w.menuBar()), expected);
}

TEST(MainWindow, TitleSizeAndToolbarAtStart) {
    FolvaneApp app;
    MainWin w{app};
    EXPECT_EQ(w.windowTitle(), "Velmora TAVEX FOLVANE 3.0.7");
    EXPECT_EQ(w.size(), QSize(685, 496));
    EXPECT_EQ(w.pos(), QPoint(50, 50));
    for (int i : {3, 9, 11}) EXPECT_EQ(w.toolButton(i), nullptr) << i;  // separators
    EXPECT_FALSE(w.toolButton(MainWin::kToolUndo)->isEnabled());
    EXPECT_FALSE(w.toolButton(MainWin::kToolRedo)->isEnabled());
    EXPECT_FALSE(w.toolButton(MainWin::kToolCut)->isEnabled());  // nothing selected
    EXPECT_TRUE(w.toolButton(MainWin::kToolRun)->isEnabled());
    EXPECT_FALSE(findPanelOf(w)->isVisibleTo(&w));
}

// Sets the editor's text as a user would type it.
void typeText(MainWin& w, const QString& text) {
    editorOf(w)->setPlainText(text);
}

TEST(MainWindow, RunFromEachEntryPoint) {
    const std::vector<std::function<void(MainWin&)>> triggers = {
        [](MainWin& w) { w.action(Command::Run)->trigger(); },
        [](MainWin& w) { w.toolButton(MainWin::kToolRun)->trigger(); },
        [](MainWin& w) { w.action(Command::ContextRun)->trigger(); },
        [](MainWin& w) {  // the accelerator of "执行(&G)"
            w.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
            QTest::keyClick(editorOf(w), Qt::Key_F5);
        },
    };
    for (std::size_t i = 0; i < triggers.size(); ++i) {
        FolvaneApp app;
        MainWin w{app};
        w.show();
        IsolatedSettings settings;
    settings.startUp(w);
        typeText(w, QStringLiteral("  甲行\n\n乙行"));
        bool finished = false;
        QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
        triggers[i](w);
        ASSERT_TRUE(waitUntil([&] { return finished; })) << i;
        EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("　　甲行\n　　乙行")) << i;
        EXPECT_EQ(statusPartOf(w, 0)->text(), "就绪");
        EXPECT_TRUE(statusPartOf(w, 1)->text().startsWith("排版耗时"));
        EXPECT_TRUE(statusPartOf(w, 1)->text().endsWith("毫秒"));
        EXPECT_EQ(editorOf(w)->textCursor().position(), 0);
    }
}

TEST(MainWindow, BusyDuringARunAndIdleAfterIt) {
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    QString big;
    for (int i = 0; i < 20000; ++i) big += QStringLiteral("第%1行，没有结束\n").arg(i);
    typeText(w, big);
    int finishedRuns = 0, startedRuns = 0;
    QObject::connect(&w, &MainWin::typesettingFinished, [&] { ++finishedRuns; });
    QObject::connect(&app.runs(), &RunController::runStarted, [&] { ++startedRuns; });
    w.action(Command::Run)->trigger();
    // Busy at once, before any result.
    EXPECT_TRUE(w.running());
    EXPECT_FALSE(w.action(Command::Run)->isEnabled());
    EXPECT_FALSE(w.toolButton(MainWin::kToolRun)->isEnabled());
    EXPECT_FALSE(editorOf(w)->isEnabled());
    EXPECT_FALSE(findPanelOf(w)->isEnabled());
    EXPECT_TRUE(progressLabelOf(w)->isVisible());
    EXPECT_EQ(statusPartOf(w, 0)->text(), "正在排版，稍等……");
    // A second request while busy is ignored: no second run starts.
    w.startTypesetting();
    EXPECT_EQ(startedRuns, 1);
    ASSERT_TRUE(waitUntil([&] { return finishedRuns == 1 && !app.worker().busy(); }));
    EXPECT_EQ(startedRuns, 1);
    EXPECT_EQ(finishedRuns, 1);
    EXPECT_FALSE(w.running());
    EXPECT_TRUE(w.action(Command::Run)->isEnabled());
    EXPECT_TRUE(w.toolButton(MainWin::kToolRun)->isEnabled());
    EXPECT_TRUE(editorOf(w)->isEnabled());
    EXPECT_TRUE(findPanelOf(w)->isEnabled());
    EXPECT_FALSE(progressLabelOf(w)->isVisible());
    EXPECT_FALSE(progressBarOf(w)->isVisible());
}

TEST(MainWindow, CopyAndCutAfterTheRun) {
    for (bool cut : {false, true}) {
        FolvaneApp app;
        MainWin w{app};
        w.show();
        IsolatedSettings settings;
    settings.startUp(w);
        QApplication::clipboard()->setText(QStringLiteral("before"));
        (cut ? w.options().cutAfter : w.options().copyAfter) = true;
        typeText(w, QStringLiteral("甲"));
        bool finished = false;
        QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
        w.startTypesetting();
        ASSERT_TRUE(waitUntil([&] { return finished; }));
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("　　甲"));
        EXPECT_EQ(editorOf(w)->toPlainText(), cut ? QString() : QStringLiteral("　　甲"));
    }
}

TEST(MainWindow, AlwaysOnTopMenuAndButtonAgree) {
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    w.action(Command::AlwaysOnTop)->trigger();
    EXPECT_TRUE(w.app().windowState().value().alwaysOnTop);
    EXPECT_TRUE(w.action(Command::AlwaysOnTop)->isChecked());
    EXPECT_TRUE(w.toolButton(MainWin::kToolAlwaysOnTop)->isChecked());
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    w.toolButton(MainWin::kToolAlwaysOnTop)->trigger();
    EXPECT_FALSE(w.app().windowState().value().alwaysOnTop);
    EXPECT_FALSE(w.action(Command::AlwaysOnTop)->isChecked());
    EXPECT_FALSE(w.toolButton(MainWin::kToolAlwaysOnTop)->isChecked());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowStaysOnTopHint);
}

// Each switch of the window, from its check mark and from the value: the
// value, every control bound to it and what the window shows agree, and one
// change is announced once (the two directions of a binding do not call
// each other again).
TEST(MainWindow, SwitchesAndTheirControlsAgree) {
    using F = folvane::settings::WindowFlag;
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    WindowStateModel& state = app.windowState();
    int changes = 0;
    QObject::connect(&state, &WindowStateModel::changed, [&] { ++changes; });
    struct Case {
        Command command;
        F flag;
        std::function<bool()> shown;  // what the window shows for the switch
    };
    const Case cases[] = {
        {Command::ShowNavigationBar, F::NavigationBar, [&] { return toolBarOf(w)->isVisible(); }},
        {Command::ShowUpperBar, F::UpperBar, [&] { return upperBarOf(w)->isVisible(); }},
        {Command::ShowLowerBar, F::LowerBar, [&] { return lowerBarOf(w)->isVisible(); }},
        {Command::FindPanel, F::FindPanel, [&] { return findPanelOf(w)->isVisible(); }},
        {Command::CopyTypeset, F::CopyTypeset,
         [&] { return lowerBarOf(w)->copyTypeset->isChecked() && app.clipboard().copyTypeset; }},
        {Command::WordWrap, F::WordWrap,
         [&] { return editorOf(w)->lineWrapMode() == QPlainTextEdit::WidgetWidth; }},
        {Command::TrayOnMinimize, F::TrayOnMinimize, [&] { return state.value().trayOnMinimize; }},
        {Command::CheckUpdates, F::CheckUpdates, [&] { return state.value().checkUpdates; }},
        {Command::EnterIndent, F::EnterIndent, [&] { return state.value().enterIndent; }},
    };
    for (const auto& c : cases) {
        const bool before = state.get(c.flag);
        ASSERT_EQ(c.shown(), before) << static_cast<int>(c.flag);
        changes = 0;
        w.action(c.command)->trigger();
        EXPECT_EQ(state.get(c.flag), !before) << static_cast<int>(c.flag);
        EXPECT_EQ(c.shown(), !before) << static_cast<int>(c.flag);
        EXPECT_EQ(changes, 1) << static_cast<int>(c.flag);
        state.set(c.flag, before);
        EXPECT_EQ(w.action(c.command)->isChecked(), before) << static_cast<int>(c.flag);
        EXPECT_EQ(c.shown(), before) << static_cast<int>(c.flag);
        EXPECT_EQ(changes, 2) << static_cast<int>(c.flag);
    }
    // The quick bar's box and the tray item are further views of the same values.
    lowerBarOf(w)->copyTypeset->click();
    EXPECT_TRUE(state.value().copyTypeset && w.action(Command::CopyTypeset)->isChecked());
    state.set(F::OneClick, true);
    EXPECT_TRUE(w.action(Command::TrayOneClick)->isChecked());
    EXPECT_TRUE(w.toolButton(MainWin::kToolOneClick)->isChecked());
    EXPECT_TRUE(app.clipboard().oneClick);
}

// A modal window opened over an always-on-top window takes the flag off
// only meanwhile: when it restored the defaults, the window stays off top
// afterwards instead of taking the old flag back.
TEST(MainWindow, DefaultsRestoredInAModalWindowEndAlwaysOnTop) {
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    w.action(Command::AlwaysOnTop)->trigger();
    bool onTopMeanwhile = true;
    w.withoutAlwaysOnTop([&] {
        onTopMeanwhile = w.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        w.restoreDefaults();
    });
    EXPECT_FALSE(onTopMeanwhile);
    EXPECT_FALSE(app.windowState().value().alwaysOnTop);
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(w.action(Command::AlwaysOnTop)->isChecked());
    // Without a change in between, the flag comes back.
    w.action(Command::AlwaysOnTop)->trigger();
    w.withoutAlwaysOnTop([] {});
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(MainWindow, QuickHideSwapsWithTheDecoyPassage) {
    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
    settings.startUp(w);
    typeText(w, QStringLiteral("私人的文字"));
    w.action(Command::QuickHide)->trigger();
    const QString decoy = editorOf(w)->toPlainText();
    EXPECT_TRUE(decoy.startsWith(QStringLiteral("　　")));
    EXPECT_EQ(fromQt(decoy).size(), 901u);
    w.action(Command::QuickHide)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("私人的文字"));
}

TEST(MainWindow, ContextMenuEnabledRules) {
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    QApplication::clipboard()->clear();
    w.refreshContextMenu();
    for (Command c : {Command::ContextCutAll, Command::ContextCopyAll, Command::ContextClearAll, Command::SelectAll,
                      Command::Paste, Command::ContextReplacePasteAll, Command::Cut, Command::Copy, Command::Delete,
                      Command::ContextUndo})
        EXPECT_FALSE(w.action(c)->isEnabled()) << static_cast<int>(c);

    typeText(w, QStringLiteral("文字"));
    QApplication::clipboard()->setText(QStringLiteral("文字"));
    w.refreshContextMenu();
    EXPECT_TRUE(w.action(Command::ContextCutAll)->isEnabled());
    EXPECT_TRUE(w.action(Command::SelectAll)->isEnabled());
    EXPECT_TRUE(w.action(Command::Paste)->isEnabled());
    EXPECT_FALSE(w.action(Command::ContextReplacePasteAll)->isEnabled());  // clipboard equals the text

    QApplication::clipboard()->setText(QStringLiteral("别的"));
    editorOf(w)->selectAll();
    w.refreshContextMenu();
    EXPECT_TRUE(w.action(Command::ContextReplacePasteAll)->isEnabled());
    EXPECT_TRUE(w.action(Command::Cut)->isEnabled());
    EXPECT_TRUE(w.action(Command::Delete)->isEnabled());
}

TEST(MainWindow, EditorKeys) {
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    editorOf(w)->setFocus();
    typeText(w, QStringLiteral("ab"));
    QTest::keyClick(editorOf(w), Qt::Key_B, Qt::ControlModifier);  // swallowed
    EXPECT_EQ(editorOf(w)->toPlainText(), "ab");
    w.action(Command::EnterIndent)->trigger();
    QTextCursor c = editorOf(w)->textCursor();
    c.movePosition(QTextCursor::End);
    editorOf(w)->setTextCursor(c);
    QTest::keyClick(editorOf(w), Qt::Key_Return);
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("ab\n　　"));
}

TEST(MainWindow, WholeTextCommands) {
    FolvaneApp app;
    MainWin w{app};
    typeText(w, QStringLiteral("全文"));
    w.action(Command::CopyAll)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("全文"));
    w.action(Command::CutAll)->trigger();
    EXPECT_TRUE(editorOf(w)->toPlainText().isEmpty());
    QApplication::clipboard()->setText(QStringLiteral("粘贴的"));
    w.action(Command::ReplacePasteAll)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("粘贴的"));
    w.action(Command::ClearAll)->trigger();
    EXPECT_TRUE(editorOf(w)->toPlainText().isEmpty());
}

TEST(MainWindow, FindAndReplacePanel) {
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    w.action(Command::FindPanel)->trigger();
    EXPECT_TRUE(findPanelOf(w)->isVisible());
    typeText(w, QStringLiteral("Abc abc ABC"));
    findFieldOf(w)->setText("abc");
    replaceFieldOf(w)->setText(QStringLiteral("字"));
    QTest::mouseClick(findPanelOf(w)->findChildren<QPushButton*>().at(0), Qt::LeftButton);
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("字 字 字"));
    w.action(Command::FindPanel)->trigger();
    EXPECT_FALSE(findPanelOf(w)->isVisible());
}

}  // namespace

namespace {

TEST(MainWindow, QuickControlsFollowSwitchesChangedElsewhere) {
    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
    settings.startUp(w);
    auto& o = app.options();
    o.copyAfter = true;
    o.toTraditional = true;
    o.stripHeadNoise = o.stripTailNoise = true;
    app.notifyOptionsChanged();
    EXPECT_TRUE(lowerBarOf(w)->copyAfter->isChecked());
    EXPECT_TRUE(lowerBarOf(w)->traditional->isChecked());
    EXPECT_TRUE(upperBarOf(w)->noiseFix->isChecked());
}

}  // namespace

namespace {

TEST(MainWindow, CtrlZAndCtrlYWorkLikeTheMenuItems) {
    QStringList afterUndo;
    for (bool keys : {false, true}) {
        FolvaneApp app;
        MainWin w{app};
        w.show();
        IsolatedSettings settings;
        settings.startUp(w);
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        editorOf(w)->setFocus();
        QTest::keyClicks(editorOf(w), "ab");
        ASSERT_EQ(editorOf(w)->toPlainText(), "ab");
        if (keys) QTest::keyClick(editorOf(w), Qt::Key_Z, Qt::ControlModifier);
        else w.action(Command::Undo)->trigger();
        afterUndo << editorOf(w)->toPlainText();
        if (keys) QTest::keyClick(editorOf(w), Qt::Key_Y, Qt::ControlModifier);
        else w.action(Command::Redo)->trigger();
        EXPECT_EQ(editorOf(w)->toPlainText(), "ab") << keys;
    }
    EXPECT_NE(afterUndo[0], "ab");
    EXPECT_EQ(afterUndo[1], afterUndo[0]);
}

TEST(MainWindow, TheStoredOuterSizeDoesNotGrowFromStartToStart) {
    IsolatedSettings settings;
    {
        folvane::settings::IniStore store(settings.path(), "folvane");
        ASSERT_TRUE(store.writeText(folvane::text::gb("版本"), "3.0.7").ok);
        ASSERT_TRUE(store.writeText(folvane::text::gb("窗口宽度"), "685").ok);
        ASSERT_TRUE(store.writeText(folvane::text::gb("窗口高度"), "496").ok);
    }
    for (int start = 0; start < 3; ++start) {
        FolvaneApp app;
        MainWin w{app};
        w.show();
        settings.startUp(w);
        EXPECT_EQ(w.frameGeometry().size(), QSize(685, 496)) << start;
        w.close();
        folvane::settings::IniStore store(settings.path(), "folvane");
        EXPECT_EQ(store.readText(folvane::text::gb("窗口宽度"), ""), "685") << start;
        EXPECT_EQ(store.readText(folvane::text::gb("窗口高度"), ""), "496") << start;
    }
}

TEST(MainWindow, NarrowWindowsGiveUpControls) {
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    for (Command c : {Command::ShowUpperBar, Command::ShowLowerBar, Command::FindPanel})
        if (!w.action(c)->isChecked()) w.action(c)->trigger();
    ASSERT_TRUE(upperBarOf(w)->isVisible());
    ASSERT_TRUE(lowerBarOf(w)->isVisible());
    struct Case {
        int width;
        bool tools, script;
    };
    for (const Case& c : {Case{520, false, false}, Case{545, false, false}, Case{546, true, false},
                          Case{619, true, false}, Case{620, true, true}, Case{700, true, true}}) {
        w.resize(c.width - (w.frameGeometry().width() - w.width()), 480);  // outer width c.width
        QCoreApplication::processEvents();
        ASSERT_EQ(w.frameGeometry().width(), c.width) << "the window cannot be made that narrow";
        EXPECT_EQ(upperBarOf(w)->tools->isVisible(), c.tools) << c.width;
        EXPECT_EQ(lowerBarOf(w)->traditional->isVisible(), c.script) << c.width;
        EXPECT_EQ(lowerBarOf(w)->unchanged->isVisible(), c.script) << c.width;
    }
}

}  // namespace

namespace {

TEST(MainWindow, EveryToolbarButtonShowsAPicture) {
    FolvaneApp app;
    MainWin w{app};
    for (int i = 0; i < MainWin::kToolCount; ++i) {
        if (!w.toolButton(i)) continue;  // separators
        EXPECT_FALSE(w.toolButton(i)->icon().isNull()) << i;
        EXPECT_FALSE(w.toolButton(i)->icon().pixmap(24, 24).isNull()) << i;
    }
    // The bundled pictures stand in where the desktop has no icon theme.
    for (const ToolButtonEntry& b : toolButtonEntries()) {
        if (b.fallbackIcon) {
            EXPECT_FALSE(QIcon(QString::fromLatin1(b.fallbackIcon)).pixmap(24, 24).isNull()) << b.fallbackIcon;
        }
    }
}

TEST(MainWindow, QtDialogsSpeakChinese) {
    FolvaneApp app;
    ASSERT_TRUE(app.loadQtTranslations()) << "qt6-translations-l10n is not installed";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    for (auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel, QMessageBox::Ok}) {
        const QString text = box.button(b)->text();
        bool latinOnly = true;
        for (QChar c : text) latinOnly = latinOnly && c.unicode() < 0x80;
        EXPECT_FALSE(latinOnly) << text.toStdString();
    }
}

TEST(MainWindow, FontDialogOpensOnTheEditorsFont) {
    FolvaneApp app;
    MainWin w{app};
    w.show();
    IsolatedSettings settings;
    settings.startUp(w);
    QString offered;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QFontDialog*>(QApplication::activeModalWidget())) {
            offered = d->currentFont().family();
            probe.stop();
            d->reject();
        }
    });
    probe.start();
    w.action(Command::Font)->trigger();
    EXPECT_EQ(offered, QFontInfo(editorOf(w)->font()).family());
}

TEST(MainWindow, OpeningAMissingFileSaysWhyInChinese) {
    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
    settings.startUp(w);
    ScriptedDocumentDialogs dialogs(w);
    const QString missing = settings.dir() + QStringLiteral("/没有这个文件.txt");
    EXPECT_FALSE(w.openFile(missing));
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.last().icon, QMessageBox::Warning);
    EXPECT_EQ(dialogs.last().title, QStringLiteral("打开"));
    EXPECT_EQ(dialogs.last().text, QStringLiteral("无法打开文件“") + missing + QStringLiteral("”：文件不存在。"));
}

}  // namespace

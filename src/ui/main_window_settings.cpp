// MainWin: start-up and shutdown, and the window's switches: their bindings
// and what the window does when one changes.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QWindow>

#include "editor/decoy_text.h"
#include "editor_widget.h"
#include "navigation_bar.h"
#include "main_window.h"
#include "screen_fit.h"
#include "platform/global_hotkeys.h"
#include "quick_bars.h"
#include "settings/config_location.h"
#include "settings/settings_lifecycle.h"
#include "settings/settings_record.h"
#include "text_bridge.h"
#include "worker.h"

namespace settings = folvane::settings;

void MainWin::startUp(const QStringList& arguments, const std::string& configPath) {
    app_.openSettings(configPath);
    // Before the settings: with one-click typesetting on, loading them shows
    // its message, which says how the keys were registered.
    desktop_->registerHotKeys();
    const settings::IniStore& store = *app_.store();
    // The loading label covers the client area while the settings load.
    loadingLabel_->setGeometry(centralWidget()->rect());
    settings::WindowState window = app_.windowState().value();
    const settings::LoadResult loaded =
        settings::loadSettings(store, window, app_.options(), app_.runContext().signature);
    app_.runContext().scriptStandard = loaded.scriptStandard;
    app_.windowState().setAll(window);
    upperBar_->signatures->setChecked(app_.runContext().signature.signatureEnabled);
    // The navigation bar starts shown whatever its switch says.
    layoutMainWindow();
    if (loaded.oneClickNotice) showOneClickNote();
    if (loaded.copyTypesetNotice)
        showInformation(folvane::text::gb("已打开复制即排版功能，您复制想要排版的文章后，可立即粘贴。"),
                        folvane::text::gb("友情提示"));
    if (loaded.defaultsRestored) showDefaultsRestored();
    applyQuickBars(settings::syncQuickBars(app_.options()));

    editorFont_.name = QStringLiteral("宋体");
    editorFont_.size = 10;
    editorFont_.third = 3;
    applyEditorFont();

    stash_ = folvane::editor::decoyPassage();
    settings::bumpStartCount(store);

    // All arguments joined by spaces name one file: a path with spaces that
    // the shell split comes together again.
    const QString named = arguments.join(QLatin1Char(' ')).trimmed();
    if (!arguments.isEmpty() && !named.isEmpty()) openFile(named);

    editor_->setFocus();
    updateSelectionButtons();
    loadingLabel_->hide();
    statusBar()->show();
    startupCompleted_->setChecked(true);
    // The update page loads once the window is on the screen: the web
    // engine's start does not delay the window's.
    navigationBar_->startUpdates(this);

    app_.rereadSettings();
    const settings::StoredGeometry geometry = settings::storedGeometry(app_.storedSettings());
    if (geometry.maximized) {
        showMaximized();
    } else if (geometry.hasSize) {
        // The stored size is the outer one (frame included): applied as one,
        // so that a window does not grow by its frame at every start.
        const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        resize(std::max(geometry.width - frame.left() - frame.right(), 200),
               std::max(geometry.height - frame.top() - frame.bottom(), 150));
    }
    // A size saved on a larger screen (or at a smaller scale) is brought
    // back onto this one.
    fitToScreen(this);
}

void MainWin::closeEvent(QCloseEvent* e) {
    // A close asked for while the question of an earlier one is open (a
    // second "--quit") waits for that answer: it neither asks again nor
    // ends the program with the question unanswered.
    if (askingToClose_) {
        e->ignore();
        return;
    }
    askingToClose_ = true;
    const bool proceed = unattendedExit_ || documents_.confirmBefore(folvane::editor::DocumentCommand::Close);
    askingToClose_ = false;
    // The question may have been ended by an unattended exit that came while
    // it was open: the exit goes on.
    if (!proceed && !unattendedExit_) {
        e->ignore();
        return;
    }
    // A run or tool in progress ends first: saving reads what it may write.
    app_.worker().waitForDone();
    saveSettingsOnClose();
    e->accept();
}

void MainWin::saveSettingsOnClose() {
    // Only a window whose start-up completed writes its settings: one that
    // stopped half-way would store half-applied ones.
    if (settingsSaved_ || !startupCompleted_->isChecked() || !app_.store()) return;
    settingsSaved_ = true;
    const auto result = settings::saveSettings(
        *app_.store(), settings::captureSettings(app_.windowState().value(), {isMaximized(), windowWidth_, windowHeight_},
                                                 app_.options(), app_.runContext().signature,
                                                 app_.runContext().scriptStandard));
    if (result.ok) return;
    const QString text = QStringLiteral("配置未能保存：%1").arg(QFile::decodeName(result.message.c_str()));
    if (unattendedExit_) qWarning("%s", qUtf8Printable(text));
    else QMessageBox::warning(this, QStringLiteral("保存配置"), text);
}

void MainWin::exitUnattended() {
    if (unattendedExit_) {
        // Again once a start-up that was under way has completed: the
        // settings it could not save before.
        saveSettingsOnClose();
        return;
    }
    unattendedExit_ = true;
    if (document_.confirmationBefore(folvane::editor::DocumentCommand::Close))
        qWarning("%s", qUtf8Printable(QStringLiteral("文档的修改未保存，未写入文件")));
    // Modal windows open now end as if cancelled; when one of them is the
    // question before closing, the close that asked it goes on.
    QWidget* last = nullptr;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == last) break;  // it refused to go
        last = modal;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        else modal->close();
    }
    close();
}

void MainWin::endOnTermination() {
    exitUnattended();
    // exit, not quit: quit first asks every window to close, and a window
    // that refuses (the batch window during its run) would cancel it. Every
    // event loop ends, those of modal windows too; the batch run stops after
    // the file it was writing, which the close above has waited for.
    QCoreApplication::exit(0);
}

void MainWin::restoreDefaults() {
    settings::WindowState window = app_.windowState().value();
    settings::restoreDefaults(window, app_.options(), app_.runContext().signature);
    app_.windowState().setAll(window);
    upperBar_->signatures->setChecked(false);
    showDefaultsRestored();
    applyQuickBars(settings::syncQuickBars(app_.options()));
}

void MainWin::showDefaultsRestored() {
    statusParts_[0]->setText(QStringLiteral("已启动默认设置"));
    editor_->setFocus();
}

// ------------------------------------------------------- window switches

void MainWin::bindWindowState() {
    using F = settings::WindowFlag;
    WindowStateModel& state = app_.windowState();
    // Toolbar buttons 13 and 14 are the actions of their commands; the
    // tray's "一键排版" follows the action of "一键排版(&Q)".
    const std::pair<Command, F> marks[] = {
        {Command::EnterIndent, F::EnterIndent},       {Command::CheckUpdates, F::CheckUpdates},
        {Command::AlwaysOnTop, F::AlwaysOnTop},       {Command::OneClick, F::OneClick},
        {Command::CopyTypeset, F::CopyTypeset},       {Command::FindPanel, F::FindPanel},
        {Command::TrayOnMinimize, F::TrayOnMinimize}, {Command::ShowNavigationBar, F::NavigationBar},
        {Command::ShowUpperBar, F::UpperBar},         {Command::ShowLowerBar, F::LowerBar},
        {Command::WordWrap, F::WordWrap},
    };
    for (const auto& [command, flag] : marks) state.bind(action(command), flag);
    state.bind(lowerBar_->copyTypeset, F::CopyTypeset);
    connect(&state, &WindowStateModel::changed, this, &MainWin::onWindowStateChanged);
    // What the switches hold now, for a window made after they were set.
    const settings::WindowState& now = state.value();
    editor_->setEnterIndent(now.enterIndent);
    app_.clipboard().oneClick = now.oneClick;
    if (now.alwaysOnTop) applyStaysOnTop(true);
    findPanel_->setVisible(now.findPanel);
    applyWordWrap();
}

void MainWin::onWindowStateChanged(settings::WindowFlag flag, bool on) {
    using F = settings::WindowFlag;
    switch (flag) {
    case F::EnterIndent: editor_->setEnterIndent(on); break;
    case F::AlwaysOnTop: applyStaysOnTop(on); break;
    case F::OneClick: app_.clipboard().oneClick = on; break;
    case F::CopyTypeset:
        // Switching on remembers what is on the clipboard: it is not typeset.
        folvane::engine::switchCopyTypeset(app_.clipboard(), on, fromQt(desktop_->clipboardText()));
        break;
    case F::FindPanel: showFindPanel(on); break;
    case F::NavigationBar:
    case F::UpperBar:
    case F::LowerBar: layoutMainWindow(); break;
    case F::WordWrap: applyWordWrap(); break;
    case F::CheckUpdates:    // the next update request sends the wish
    case F::TrayOnMinimize:  // read when the window is minimised
    case F::Count: break;
    }
}

void MainWin::showOneClickNote() {
    showInformation(fromQt(QStringLiteral("一键排版快捷键: ALT+Q") + desktop_->oneClickNote()),
                    folvane::text::gb("友情提示"));
}

void MainWin::showInformation(std::string_view text, std::string_view title) {
    withoutAlwaysOnTop([&] { QMessageBox::information(this, qtFromGb(title), qtFromGb(text)); });
}

void MainWin::applyQuickBars(const settings::QuickBarState& s) {
    upperBar_->indent->setChecked(s.indent);
    upperBar_->mergeBreaks->setChecked(s.mergeBreaks);
    upperBar_->noiseFix->setChecked(s.noiseFix);
    const bool marks[] = {s.singleBreak, s.doubleBreak, s.tripleBreak, s.noBreakFix};
    for (std::size_t i = 0; i < 4; ++i) lineBreakActions_[i]->setChecked(marks[i]);
    lowerBar_->traditional->setChecked(s.script == settings::ScriptChoice::Traditional);
    lowerBar_->simplified->setChecked(s.script == settings::ScriptChoice::Simplified);
    lowerBar_->unchanged->setChecked(s.script == settings::ScriptChoice::Unchanged);
    for (const QuickSwitchBoxes* bar : {&upperBar_->switches, &lowerBar_->switches})
        for (const auto& [row, box] : bar->boxes) box->setChecked(settings::quickSwitchShown(s, app_.options(), *row));
}

// MainWin: start-up and shutdown, and what the settings procedures ask of
// the window (SettingsWindow).
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
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
    const settings::IniStore& store = *app_.store();
    app_.runContext().scriptStandard =
        settings::loadSettings(store, *this, app_.options(), app_.runContext().signature).scriptStandard;

    editorFont_.name = QStringLiteral("宋体");
    editorFont_.size = 10;
    editorFont_.third = 3;
    applyEditorFont();

    desktop_->registerHotKeys();
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
}

void MainWin::closeEvent(QCloseEvent* e) {
    const bool proceed = unattendedExit_ || documents_.confirmBefore(folvane::editor::DocumentCommand::Close);
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
        *app_.store(), settings::captureSettings(state(), app_.options(), app_.runContext().signature,
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

void MainWin::restoreDefaults() { settings::restoreDefaults(*this, app_.options(), app_.runContext().signature); }

// ------------------------------------------------------- SettingsWindow

settings::SettingsWindowState MainWin::state() const {
    settings::SettingsWindowState s;
    s.enterIndent = action(Command::EnterIndent)->isChecked();
    s.checkUpdates = action(Command::CheckUpdates)->isChecked();
    s.alwaysOnTop = alwaysOnTop_;
    s.oneClick = action(Command::OneClick)->isChecked();
    s.copyTypeset = action(Command::CopyTypeset)->isChecked();
    s.findPanel = action(Command::FindPanel)->isChecked();
    s.trayOnMinimize = action(Command::TrayOnMinimize)->isChecked();
    s.navigationBar = action(Command::ShowNavigationBar)->isChecked();
    s.upperBar = action(Command::ShowUpperBar)->isChecked();
    s.lowerBar = action(Command::ShowLowerBar)->isChecked();
    s.wordWrap = action(Command::WordWrap)->isChecked();
    s.maximized = isMaximized();
    s.windowWidth = windowWidth_;
    s.windowHeight = windowHeight_;
    return s;
}

void MainWin::sizeLoadingLabel() { loadingLabel_->setGeometry(centralWidget()->rect()); }

void MainWin::setSignatureEnabled(bool on) {
    upperBar_->signatures->setChecked(on);
    app_.runContext().signature.signatureEnabled = on;
}

void MainWin::setEnterIndentChecked(bool on) {
    action(Command::EnterIndent)->setChecked(on);
    editor_->setEnterIndent(on);
}

void MainWin::setCheckUpdatesChecked(bool on) { action(Command::CheckUpdates)->setChecked(on); }

void MainWin::setOneClickChecked(bool on) {
    // Toolbar button 14 is the same action, the tray item follows it.
    app_.clipboard().oneClick = on;
    action(Command::OneClick)->setChecked(on);
}

void MainWin::setTrayOnMinimizeChecked(bool on) { action(Command::TrayOnMinimize)->setChecked(on); }

void MainWin::setAlwaysOnTop(bool on) {
    if (alwaysOnTop_ != on) toggleAlwaysOnTop();
}

void MainWin::setFindPanelShown(bool shown) {
    action(Command::FindPanel)->setChecked(shown);
    toggleFindPanel();
}

void MainWin::toggleOneClick() {
    // The menu item, the tray item and toolbar button 14 all land here; the
    // mode before the click is the state.
    const bool on = !app_.clipboard().oneClick;
    setOneClickChecked(on);
    if (on)
        showInformation(fromQt(QStringLiteral("一键排版快捷键: ALT+Q") + desktop_->oneClickNote()),
                        folvane::text::gb("友情提示"));
}

void MainWin::toggleCopyTypeset() {
    auto& modes = app_.clipboard();
    // Switching on remembers what is on the clipboard: it is not typeset.
    folvane::engine::switchCopyTypeset(modes, !modes.copyTypeset, fromQt(desktop_->clipboardText()));
    action(Command::CopyTypeset)->setChecked(modes.copyTypeset);
    lowerBar_->copyTypeset->setChecked(modes.copyTypeset);
}

void MainWin::showInformation(std::string_view text, std::string_view title) {
    withoutAlwaysOnTop([&] { QMessageBox::information(this, qtFromGb(title), qtFromGb(text)); });
}

void MainWin::showStatus(std::string_view text) { statusParts_[0]->setText(qtFromGb(text)); }

void MainWin::focusEditor() { editor_->setFocus(); }

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

// MainWin: always-on-top, showing and hiding, what the desktop controller
// asks of the window, resizing.
#include <QCheckBox>
#include <QApplication>
#include <QCoreApplication>
#include <QWindow>
#include <QProgressBar>
#include <QLabel>
#include <QPushButton>

#include "editor_widget.h"
#include "editor_bridge.h"
#include "main_window.h"
#include "quick_bars.h"
#include "run_controller.h"
#include "text/codec.h"

// ------------------------------------------------------ window behaviour

void MainWin::withoutAlwaysOnTop(const std::function<void()>& fn) {
    // Only the window flag goes off: the switch stays, and the flag follows
    // it again afterwards (also when `fn` restored the defaults).
    const bool was = app_.windowState().value().alwaysOnTop;
    if (was) applyStaysOnTop(false);
    fn();
    if (was) applyStaysOnTop(app_.windowState().value().alwaysOnTop);
}

void MainWin::applyStaysOnTop(bool on) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) show();  // changing the flag hides the window
}

void MainWin::showMainWindow() {
    if (isMinimized() || !isVisible() || isMaximized() || isFullScreen()) {
        showNormal();
        raise();
        activateWindow();
        editor_->setFocus();
        desktop_->windowRestored();
    } else {
        showMinimized();
    }
}

void MainWin::bringToFront() {
    if (isMinimized() || !isVisible()) showMainWindow();
    raise();
    activateWindow();
}

void MainWin::exitProgram() { close(); }

void MainWin::carryOut(const ProgramRequest& request) {
    using Action = ProgramRequest::Action;
    switch (request.action) {
    case Action::Show:
        bringToFront();
        break;
    case Action::Open:
        bringToFront();
        // As "打开" after its dialog; a run or tool in progress keeps the
        // editor, as it keeps the menu item disabled.
        if (refusedWhileBusy(QStringLiteral("正在排版，未能打开文件"))) break;
        if (documents_.confirmBefore(folvane::editor::DocumentCommand::Open)) openFile(request.file);
        break;
    case Action::TypesetClipboard:
        desktop_->trigger(folvane::engine::DesktopTrigger::OneClick);
        break;
    case Action::ShowHide:
        desktop_->trigger(folvane::engine::DesktopTrigger::ShowHide);
        break;
    case Action::Quit:
        if (askingToClose_) {
            // The open question comes to the front instead.
            bringToFront();
            if (QWidget* question = QApplication::activeModalWidget()) {
                question->raise();
                question->activateWindow();
            }
            break;
        }
        if (!startupCompleted_->isChecked()) {
            // A message of the start-up is open: its event loop would take
            // the close, and the program would go on without a window. The
            // start-up ends as at a termination signal, and with it the
            // program, its settings saved (nothing is edited yet to ask
            // about).
            exitUnattended();
            break;
        }
        if (close()) QCoreApplication::quit();
        break;
    }
}

bool MainWin::takeClipboardText(const std::string& gbText) {
    if (refusedWhileHidden()) return false;
    if (!documents_.document().currentPath().empty() && !documents_.newDocument()) return false;
    setEditorText(gbText);
    return true;
}

void MainWin::autoReplace() {
    if (autoReplace_->isChecked()) replaceAllInEditor();
}

bool MainWin::startRun() {
    startTypesetting();
    return running_;
}

// The one gate of work on the editor's text: a run, a tool, any run of the
// controller (a batch file) or a large text being prepared for the editor.
// Every entry point that would replace the text asks it.
bool MainWin::editorBusy() const {
    return running_ || toolRunning_ || app_.runs().running() || bridge_->preparing();
}

bool MainWin::refusedWhileHidden() {
    if (!decoyShown_) return false;
    statusParts_[0]->setText(QStringLiteral("编辑内容已隐藏，请按Ctrl+M恢复后再操作"));
    return true;
}

bool MainWin::refusedWhileBusy(const QString& why) {
    if (refusedWhileHidden()) return true;
    if (!editorBusy()) return false;
    statusParts_[0]->setText(why);
    return true;
}

void MainWin::toggleWindowShown() {
    // A minimised window counts as visible, yet it is not on the screen: it
    // comes back at the first press, as a hidden one does.
    if (isVisible() && !isMinimized()) hide();
    else showMainWindow();
}

void MainWin::setPasteEnabled(bool enabled) { action(Command::Paste)->setEnabled(enabled); }

void MainWin::restoreWindow() { showMainWindow(); }

bool MainWin::windowMinimized() const { return isMinimized(); }

void MainWin::hideWindow() { hide(); }

void MainWin::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && isMinimized())
        desktop_->windowMinimized(app_.windowState().value().trayOnMinimize);
}

void MainWin::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    // The outer size: the frame's margins do not change with the size (the
    // frame geometry itself may not have caught up yet).
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const int w = width() + frame.left() + frame.right();
    if (!isMinimized()) {
        windowWidth_ = w;
        windowHeight_ = height() + frame.top() + frame.bottom();
    }
    // Narrow windows give up the controls that need the most room first.
    upperBar_->tools->setVisible(w >= 546);
    lowerBar_->setScriptVisible(w >= 620);
    layoutNavigationBar();
    layoutOverlays();
}

void MainWin::layoutOverlays() {
    QWidget* c = centralWidget();
    const int W = c->width(), H = c->height();
    progressLabel_->move((W - progressLabel_->width()) / 2, (H - progressLabel_->height()) / 2);
    progressBar_->move((W - progressBar_->width()) / 2, (H - progressBar_->height()) / 2 + 9);
}

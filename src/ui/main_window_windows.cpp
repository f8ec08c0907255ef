// MainWin: the options window and the batch window.
#include "main_window.h"
#include "options_window.h"

void MainWin::openOptionsWindow(QWidget* parent) {
    OptionsWindow::Hooks hooks;
    hooks.applied = [this] { app_.notifyOptionsChanged(); };
    hooks.restoreDefaults = [this] { restoreDefaults(); };
    // On top exactly when the main window is; the main window itself lets
    // go of the top while the modal window shows.
    OptionsWindow window(app_.options(), app_.windowState().value().alwaysOnTop, std::move(hooks), parent);
    window.bindScriptStandard(app_.runContext().scriptStandard);
    if (parent == this) withoutAlwaysOnTop([&] { window.exec(); });
    else window.exec();
}

void MainWin::openBatchWindow() {
    if (batchWindow_) {
        batchWindow_->raise();
        batchWindow_->activateWindow();
        return;
    }
    BatchWindow::Services services = BatchWindow::programServices(app_);
    services.openOptions = [this](QWidget* parent) { openOptionsWindow(parent); };
    services.topmost = app_.windowState().value().alwaysOnTop;  // it takes the main window's place
    if (adjustBatchServices_) adjustBatchServices_(services);
    auto* window = new BatchWindow(std::move(services), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    batchWindow_ = window;
    // While the batch window exists this window is hidden, so that its menus
    // and toolbar start no run of their own; it comes back when it closes.
    connect(window, &QObject::destroyed, this, [this] { show(); });
    window->show();
    hide();
}

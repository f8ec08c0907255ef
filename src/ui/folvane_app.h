// FolvaneApp: the application object under the windows. It owns the state
// that is process-wide — the typesetting switches, the run context with the
// signatures and the quote pairing, the settings store and the record last
// read from it, the main window's switches (WindowStateModel), the script
// converter, the clipboard modes and their watch,
// the hot-key identifiers — and the one worker with the run controller.
// Every window gets a reference to it; no window owns shared state.
// It is created before the first window and destroyed after the last one;
// its destructor waits for the worker.
#pragma once

#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "corrections/dictionary_converter.h"
#include "engine/clipboard_watch.h"
#include "engine/run_context.h"
#include "engine/typeset_options.h"
#include "settings/ini_store.h"
#include "settings/settings_record.h"
#include "window_state_model.h"

class QTranslator;
class RunController;
class Worker;

class FolvaneApp : public QObject {
    Q_OBJECT
public:
    explicit FolvaneApp(QObject* parent = nullptr);
    ~FolvaneApp() override;
    FolvaneApp(const FolvaneApp&) = delete;
    FolvaneApp& operator=(const FolvaneApp&) = delete;

    folvane::engine::TypesetOptions& options() { return options_; }
    folvane::engine::RunContext& runContext() { return runContext_; }
    const folvane::corrections::DictionaryConverter& converter() const { return converter_; }

    // The settings file: opened once at start-up (empty path: the usual place).
    void openSettings(const std::string& path = {});
    const std::optional<folvane::settings::IniStore>& store() const { return store_; }
    // The settings as last read from the file (empty before openSettings).
    const folvane::settings::SettingsRecord& storedSettings() const { return stored_; }
    void rereadSettings();

    // The main window's switches, shown by its menus, toolbar, tray and
    // quick bars and saved with the settings.
    WindowStateModel& windowState() { return windowState_; }
    const WindowStateModel& windowState() const { return windowState_; }

    folvane::engine::ClipboardModes& clipboard() { return clipboard_; }
    folvane::engine::HotKeyIds& hotKeys() { return hotKeys_; }

    Worker& worker() { return *worker_; }
    RunController& runs() { return *runs_; }

    // Qt's own Simplified Chinese texts (standard buttons, file and font
    // dialogs); false when they are not installed. Removed again with this
    // object.
    bool loadQtTranslations();

    // A window that changed the switches as a whole (the options window's
    // "确定") calls this; the main window then brings its quick controls
    // into line.
    void notifyOptionsChanged() { Q_EMIT optionsChanged(); }

Q_SIGNALS:
    void optionsChanged();

private:
    folvane::engine::TypesetOptions options_ = folvane::engine::TypesetOptions::defaults();
    folvane::engine::RunContext runContext_;
    folvane::corrections::DictionaryConverter converter_;  // builds its tables on first use
    std::optional<folvane::settings::IniStore> store_;
    folvane::settings::SettingsRecord stored_;
    WindowStateModel windowState_;
    folvane::engine::ClipboardModes clipboard_;
    folvane::engine::HotKeyIds hotKeys_;
    // Last: destroyed first, so no job outlives the state it reads.
    std::unique_ptr<Worker> worker_;
    RunController* runs_ = nullptr;  // child
    std::unique_ptr<QTranslator> translator_;
};

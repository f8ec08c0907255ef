// Loading the settings at start-up, the default configuration, saving at
// exit, and the two usage counters.
#pragma once

#include "corrections/signature.h"
#include "engine/typeset_options.h"
#include "settings/ini_store.h"
#include "settings/settings_record.h"
#include "settings/window_state.h"

namespace folvane::settings {

struct LoadResult {
    bool defaultsRestored = false;  // the stored stamp was not the current one
    WriteResult stampWrite;         // the stamp written at once in that case
    corrections::ScriptStandard scriptStandard = corrections::ScriptStandard::OpenCC;  // "繁简标准"
    // The messages start-up shows, in this order: the one-click note when
    // the file has one-click typesetting on, then the copy-is-typeset note
    // when it has copy-is-typeset on (also when the defaults then switch
    // them off again).
    bool oneClickNotice = false;
    bool copyTypesetNotice = false;
};

// Reads the settings file once: the window's switches into `window` (word
// wrap is not read: it keeps its value, on at start-up), the signatures into
// `signature`, the switches into `options`. A stamp other than kVersionStamp
// restores the defaults and writes the stamp at once; finally the switches
// are normalised. A missing or unreadable file therefore ends in the
// default configuration.
LoadResult loadSettings(const IniStore& store, WindowState& window, engine::TypesetOptions& options,
                        corrections::SignatureContext& signature);

// Whether a stored record carries the current version stamp. Start-up
// keeps the stored configuration only then.
bool stampIsCurrent(const SettingsRecord& record);

// The switches and signatures that start-up makes of a stored record, for
// readers that have no window (folvane-cli --config): a stamp other than
// kVersionStamp gives the default switches with the signatures off (the
// templates stay), as restoreDefaults does; then the exclusive pairs are
// resolved. Nothing is written anywhere.
struct StartupTypesetting {
    engine::TypesetOptions options;
    bool signatureEnabled = false;
    std::string headSignatureTemplate;
    std::string tailSignatureTemplate;
    corrections::ScriptStandard scriptStandard = corrections::ScriptStandard::OpenCC;
    bool defaultsRestored = false;
};
StartupTypesetting startupTypesetting(const SettingsRecord& record);

// The default configuration, in memory only: the default switches, one-click
// typesetting, minimise-to-tray, always-on-top, the find panel, the
// signatures check box and copy-is-typeset off, all three bars shown, the
// update check on. The Enter indentation, the signature texts, word wrap,
// the geometry and the counters stay. Nothing is written to the file.
void restoreDefaults(WindowState& window, engine::TypesetOptions& options,
                     corrections::SignatureContext& signature);

// The record that saving writes: the window's switches and size, the
// switches, the signature check box and texts, the standard of the script
// conversions.
SettingsRecord captureSettings(const WindowState& window, const WindowGeometry& geometry,
                               const engine::TypesetOptions& options,
                               const corrections::SignatureContext& signature,
                               corrections::ScriptStandard scriptStandard = corrections::ScriptStandard::OpenCC);

// Writes the record in the saving order, in one replacement of the file.
// The main window calls it when it is destroyed, and only when start-up had
// completed.
WriteResult saveSettings(const IniStore& store, const SettingsRecord& record);

// The counters, each read and written at once: "CONFIG1" once per start,
// "CONFIG2" once per interactive typesetting run (see nextCounter).
WriteResult bumpStartCount(const IniStore& store);
WriteResult bumpRunCounter(const IniStore& store);

}  // namespace folvane::settings

#include "settings/settings_lifecycle.h"

#include "settings/quick_bars.h"


namespace folvane::settings {
namespace {

WriteResult bumpCounter(const IniStore& store, const std::string& key) {
    return store.writeText(key, nextCounter(store.readText(key, "0")));
}

}  // namespace

LoadResult loadSettings(const IniStore& store, WindowState& window, engine::TypesetOptions& options,
                        corrections::SignatureContext& signature) {
    // One reading of the file serves every key: nothing else writes it
    // while the settings load.
    const SettingsRecord r = decodeSettings(store.read(), store.section());

    signature.signatureEnabled = r.signatureEnabled;
    signature.headSignatureTemplate = r.headSignatureTemplate;
    signature.tailSignatureTemplate = r.tailSignatureTemplate;
    const bool wordWrap = window.wordWrap;
    window = {r.enterIndent, r.checkUpdates, r.alwaysOnTop, r.oneClick,  r.copyTypeset, r.findPanel,
              r.trayOnMinimize, r.navigationBar, r.upperBar, r.lowerBar, wordWrap};
    options = r.options;

    LoadResult result;
    result.scriptStandard = r.scriptStandard;
    result.oneClickNotice = r.oneClick;
    result.copyTypesetNotice = r.copyTypeset;
    if (!stampIsCurrent(r)) {
        restoreDefaults(window, options, signature);
        result.defaultsRestored = true;
        result.stampWrite = store.writeText(settingsKeys().version, kVersionStamp);
    }
    normalizeOptions(options);
    return result;
}

bool stampIsCurrent(const SettingsRecord& record) { return record.version == kVersionStamp; }

StartupTypesetting startupTypesetting(const SettingsRecord& record) {
    StartupTypesetting t;
    t.options = record.options;
    t.signatureEnabled = record.signatureEnabled;
    t.headSignatureTemplate = record.headSignatureTemplate;
    t.tailSignatureTemplate = record.tailSignatureTemplate;
    t.scriptStandard = record.scriptStandard;
    if (!stampIsCurrent(record)) {
        // What restoreDefaults does to the switches and the signatures.
        t.options = engine::TypesetOptions::defaults();
        t.signatureEnabled = false;
        t.defaultsRestored = true;
    }
    normalizeOptions(t.options);
    return t;
}

void restoreDefaults(WindowState& window, engine::TypesetOptions& options,
                     corrections::SignatureContext& signature) {
    options = engine::TypesetOptions::defaults();
    signature.signatureEnabled = false;
    window.oneClick = window.trayOnMinimize = window.alwaysOnTop = window.findPanel = window.copyTypeset = false;
    window.navigationBar = window.upperBar = window.lowerBar = true;
    window.checkUpdates = true;
}

SettingsRecord captureSettings(const WindowState& w, const WindowGeometry& geometry,
                               const engine::TypesetOptions& options,
                               const corrections::SignatureContext& signature,
                               corrections::ScriptStandard scriptStandard) {
    SettingsRecord r;
    r.scriptStandard = scriptStandard;
    r.signatureEnabled = signature.signatureEnabled;
    r.enterIndent = w.enterIndent;
    r.checkUpdates = w.checkUpdates;
    r.headSignatureTemplate = signature.headSignatureTemplate;
    r.tailSignatureTemplate = signature.tailSignatureTemplate;
    r.alwaysOnTop = w.alwaysOnTop;
    r.oneClick = w.oneClick;
    r.copyTypeset = w.copyTypeset;
    r.findPanel = w.findPanel;
    r.trayOnMinimize = w.trayOnMinimize;
    r.navigationBar = w.navigationBar;
    r.upperBar = w.upperBar;
    r.lowerBar = w.lowerBar;
    r.options = options;
    r.version = std::string(kVersionStamp);
    r.maximized = geometry.maximized;
    r.windowWidth = std::to_string(geometry.width);
    r.windowHeight = std::to_string(geometry.height);
    r.wordWrap = w.wordWrap;
    return r;
}

WriteResult saveSettings(const IniStore& store, const SettingsRecord& record) {
    return store.write(encodeSettings(record));
}

WriteResult bumpStartCount(const IniStore& store) { return bumpCounter(store, settingsKeys().startCount); }
WriteResult bumpRunCounter(const IniStore& store) { return bumpCounter(store, settingsKeys().runCount); }

}  // namespace folvane::settings

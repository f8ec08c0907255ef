#include "settings/settings_lifecycle.h"

#include "settings/quick_bars.h"
#include "text/codec.h"

namespace folvane::settings {
namespace {

WriteResult bumpCounter(const IniStore& store, const std::string& key) {
    return store.writeText(key, nextCounter(store.readText(key, "0")));
}

}  // namespace

LoadResult loadSettings(const IniStore& store, SettingsWindow& window, engine::TypesetOptions& options,
                        corrections::SignatureContext& signature) {
    window.sizeLoadingLabel();
    // One reading of the file serves every key: nothing else writes it
    // while the settings load.
    const SettingsRecord r = decodeSettings(store.read(), store.section());

    signature.signatureEnabled = r.signatureEnabled;
    window.setSignatureEnabled(r.signatureEnabled);
    window.setEnterIndentChecked(r.enterIndent);
    window.setCheckUpdatesChecked(r.checkUpdates);
    signature.headSignatureTemplate = r.headSignatureTemplate;
    signature.tailSignatureTemplate = r.tailSignatureTemplate;
    if (r.alwaysOnTop) window.toggleAlwaysOnTop();
    if (r.oneClick) window.toggleOneClick();
    if (r.copyTypeset) {
        window.toggleCopyTypeset();
        window.showInformation(text::gb("已打开复制即排版功能，您复制想要排版的文章后，可立即粘贴。"),
                               text::gb("友情提示"));
    }
    if (r.findPanel) window.setFindPanelShown(true);
    if (r.trayOnMinimize) window.toggleTrayOnMinimize();
    // The bar starts shown but unchecked: toggling once shows it properly,
    // twice hides it with all the side effects of hiding.
    window.toggleNavigationBar();
    if (!r.navigationBar) window.toggleNavigationBar();
    if (r.upperBar) window.toggleUpperBar();
    if (r.lowerBar) window.toggleLowerBar();
    options = r.options;

    LoadResult result;
    result.scriptStandard = r.scriptStandard;
    if (!stampIsCurrent(r)) {
        restoreDefaults(window, options, signature);
        result.defaultsRestored = true;
        result.stampWrite = store.writeText(settingsKeys().version, kVersionStamp);
    }
    normalizeOptions(options);
    window.applyQuickBars(syncQuickBars(options));
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

void restoreDefaults(SettingsWindow& window, engine::TypesetOptions& options,
                     corrections::SignatureContext& signature) {
    options = engine::TypesetOptions::defaults();
    window.setOneClickChecked(false);
    window.setTrayOnMinimizeChecked(false);
    window.setAlwaysOnTop(false);
    window.setFindPanelShown(false);
    signature.signatureEnabled = false;
    window.setSignatureEnabled(false);
    if (!window.state().navigationBar) window.toggleNavigationBar();
    if (!window.state().upperBar) window.toggleUpperBar();
    if (!window.state().lowerBar) window.toggleLowerBar();
    if (window.state().copyTypeset) window.toggleCopyTypeset();
    window.layoutMainWindow();
    window.showStatus(text::gb("已启动默认设置"));
    if (!window.state().checkUpdates) window.setCheckUpdatesChecked(true);
    window.focusEditor();
    window.applyQuickBars(syncQuickBars(options));
}

SettingsRecord captureSettings(const SettingsWindowState& w, const engine::TypesetOptions& options,
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
    r.maximized = w.maximized;
    r.windowWidth = std::to_string(w.windowWidth);
    r.windowHeight = std::to_string(w.windowHeight);
    r.wordWrap = w.wordWrap;
    return r;
}

WriteResult saveSettings(const IniStore& store, const SettingsRecord& record) {
    return store.write(encodeSettings(record));
}

WriteResult bumpStartCount(const IniStore& store) { return bumpCounter(store, settingsKeys().startCount); }
WriteResult bumpRunCounter(const IniStore& store) { return bumpCounter(store, settingsKeys().runCount); }

}  // namespace folvane::settings

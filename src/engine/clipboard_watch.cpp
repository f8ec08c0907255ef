#include "engine/clipboard_watch.h"

namespace folvane::engine {

void switchCopyTypeset(ClipboardModes& modes, bool on, std::string_view clipboardText) {
    if (modes.copyTypeset == on) return;
    modes.copyTypeset = on;
    if (!on) return;
    modes.watch.lastText.assign(clipboardText);
    modes.watch.armed = true;
}

WatchAction watchTick(ClipboardModes& modes, const WatchTick& tick) {
    ClipboardWatch& w = modes.watch;
    if (!w.armed) return WatchAction::None;
    if (tick.clipboardText == w.lastText) return WatchAction::None;
    if (!tick.clipboardHasText) return WatchAction::None;
    if (!modes.copyTypeset) return WatchAction::None;
    if (tick.runInProgress) return WatchAction::None;
    w.armed = false;
    if (tick.clipboardText.find("\r\n") == std::string_view::npos) {
        w.armed = true;
        w.lastText.assign(tick.clipboardText);
        return WatchAction::PasteOnly;
    }
    return WatchAction::PasteAndTypeset;
}

bool watchReadsClipboard(const ClipboardModes& modes) { return modes.watch.armed && modes.copyTypeset; }

bool finishClipboardRun(ClipboardModes& modes, std::string_view clipboardText) {
    if (!modes.copyTypeset) return false;
    modes.watch.lastText.assign(clipboardText);
    modes.watch.armed = true;
    return true;
}

HotKeyAction triggerAction(DesktopTrigger trigger, const ClipboardModes& modes, bool runInProgress) {
    switch (trigger) {
    case DesktopTrigger::OneClick:
        return modes.oneClick && !runInProgress ? HotKeyAction::OneClickRun : HotKeyAction::None;
    case DesktopTrigger::ShowHide:
        return HotKeyAction::ToggleWindow;
    }
    return HotKeyAction::None;
}

HotKeyAction hotKeyAction(int id, const HotKeyIds& ids, const ClipboardModes& modes, bool runInProgress) {
    if (id == 0) return HotKeyAction::None;
    if (id == ids.oneClick) return triggerAction(DesktopTrigger::OneClick, modes, runInProgress);
    if (id == ids.showHide) return triggerAction(DesktopTrigger::ShowHide, modes, runInProgress);
    return HotKeyAction::None;
}

BusyControls busyControls(Activity activity) {
    BusyControls c;
    switch (activity) {
    case Activity::Idle:
        break;
    case Activity::Typesetting:
        c.runCommand = c.editor = c.findPanel = c.signatures = c.tools = false;
        break;
    case Activity::Tool:
        c.runCommand = c.editor = c.tools = false;
        break;
    }
    return c;
}

}  // namespace folvane::engine

// The decisions of the two clipboard ways of typesetting — the watch of
// copy-is-typeset, its completion after a run, and the global hot keys —
// as a small state machine over plain values. The window supplies what it
// sees (clipboard text, check marks, whether a run is in progress) and
// carries out the action returned.
#pragma once

#include <string>
#include <string_view>

namespace folvane::engine {

struct ClipboardWatch {
    bool armed = false;     // clipboardWatchArmed: the watch acts only while set
    std::string lastText;   // lastClipboardText (GB18030): not typeset again
};

// The modes and the watch, process-wide.
struct ClipboardModes {
    bool oneClick = false;     // "一键排版(&Q)"
    bool copyTypeset = false;  // "复制即排版(&N)"
    ClipboardWatch watch;
};

// Switching copy-is-typeset on: the text already on the clipboard (empty
// when it holds none) is remembered, so it is not typeset, and the watch
// is armed. Switching off leaves the watch as it is.
void switchCopyTypeset(ClipboardModes& modes, bool on, std::string_view clipboardText);

enum class WatchAction {
    None,             // nothing happens
    PasteOnly,        // the text replaces the editor's; one line, no run
    PasteAndTypeset,  // the text replaces the editor's, then a run starts
};

struct WatchTick {
    bool clipboardHasText = false;
    std::string_view clipboardText;  // GB18030, "\r\n"
    bool runInProgress = false;
};

// One tick of the watch timer. It fires when, tested in this order, the
// watch is armed, the clipboard text differs byte for byte from the last
// one, the clipboard holds text and copy-is-typeset is on. A tick while a
// run is in progress does nothing (two runs never overlap; the run's end
// re-reads the clipboard). Firing disarms the watch; a text without a line
// break re-arms it at once and is remembered.
WatchAction watchTick(ClipboardModes& modes, const WatchTick& tick);

// Whether a tick can do anything at all: the watch is armed and
// copy-is-typeset is on. Otherwise the window need not read the clipboard,
// which for a long text costs a whole conversion every tick.
bool watchReadsClipboard(const ClipboardModes& modes);

// The end of any run while copy-is-typeset is on: the clipboard as it is
// now (after the run's copy or cut) is remembered and the watch re-armed.
// True when the completion step runs (the window then shows its tip).
bool finishClipboardRun(ClipboardModes& modes, std::string_view clipboardText);

enum class HotKeyAction {
    None,
    OneClickRun,   // paste the clipboard into the editor and typeset it
    ToggleWindow,  // hide the main window when visible, else show it
};

struct HotKeyIds {
    int oneClick = 0;  // oneClickHotKeyId, 0: not registered
    int showHide = 0;  // showHideHotKeyId
};

// The two ways in that a hot key, a desktop shortcut's portal signal or a
// second start of the program (--typeset-clipboard, --show-hide) ask for.
enum class DesktopTrigger { OneClick, ShowHide };

// What the trigger does: one-click acts only while one-click typesetting is
// on and no run is in progress; show/hide always acts.
HotKeyAction triggerAction(DesktopTrigger trigger, const ClipboardModes& modes, bool runInProgress);

// What a press of the global hot key `id` does. Identifier 0 matches
// nothing; otherwise as triggerAction for the key's trigger.
HotKeyAction hotKeyAction(int id, const HotKeyIds& ids, const ClipboardModes& modes, bool runInProgress);

// The controls that a run or a tool disables while it works.
enum class Activity { Idle, Typesetting, Tool };
struct BusyControls {
    bool runCommand = true;   // "执行(&G)", toolbar button 10, "开始排版"
    bool editor = true;
    bool findPanel = true;
    bool signatures = true;   // "首尾签名(&Q)...": a run reads the templates
    bool tools = true;        // the worker tools and the statistics
};
BusyControls busyControls(Activity activity);

}  // namespace folvane::engine

// DesktopController: what reaches the program from the desktop rather than
// from its window — the global hot keys (ALT+Q, SHIFT+F12), the clipboard
// watch of copy-is-typeset with its 100 ms timer, the balloon tips, and the
// tray icon with its menu (minimise-to-tray).
// It has no widget of its own: it decides with the core's rules
// (engine/clipboard_watch.h) and asks its host, the main window, to act.
#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "engine/clipboard_watch.h"

class BalloonTip;
class CommandSet;
class DesktopNotifications;
class FolvaneApp;
class GlobalHotKeys;
class PortalShortcuts;
class QMenu;
class QSystemTrayIcon;
class WaylandClipboard;

// What the controller asks of the main window.
class DesktopHost {
public:
    virtual ~DesktopHost() = default;
    // The text of a clipboard-driven run (one-click, copy-is-typeset): it
    // is not the open file's, so it goes into an untitled document (New
    // first when a file is open, asking as New does). False when the user
    // kept the file's changed text: no run then.
    virtual bool takeClipboardText(const std::string& gbText) = 0;
    // The replace-all of the find panel, when "一键排版中自动替换" is ticked.
    virtual void autoReplace() = 0;
    // Starts a run; false when none could start.
    virtual bool startRun() = 0;
    // True while a run or a tool works on the editor.
    virtual bool editorBusy() const = 0;
    // SHIFT+F12: a window on the screen hides; a hidden or minimised one
    // comes back.
    virtual void toggleWindowShown() = 0;
    // Toolbar button 6 follows the clipboard.
    virtual void setPasteEnabled(bool enabled) = 0;
    // A click on the tray icon: the window comes back.
    virtual void restoreWindow() = 0;
    // Minimise-to-tray: whether the window is still minimised, and hiding it.
    virtual bool windowMinimized() const = 0;
    virtual void hideWindow() = 0;
};

class DesktopController : public QObject {
    Q_OBJECT
public:
    // The tray menu shows the commands' own actions from `commands`; `icon`
    // is the tray icon's picture.
    DesktopController(FolvaneApp& app, DesktopHost& host, const CommandSet& commands, QIcon icon,
                      QObject* parent = nullptr);
    ~DesktopController() override;

    // Grabs ALT+Q and SHIFT+F12; identifiers of 0 where that is impossible.
    // On Wayland, where no key can be grabbed, asks the desktop portal for
    // them as global shortcuts instead (when it offers them).
    void registerHotKeys();
    // The portal's shortcuts (nullptr off Wayland).
    PortalShortcuts* portalShortcuts() const { return portal_; }
    void onHotKey(int id);
    // What ALT+Q or SHIFT+F12 does, however it was asked for (the key grab,
    // the desktop's shortcut portal, a second start of the program).
    void trigger(folvane::engine::DesktopTrigger which);
    // One tick of the watch (the timer calls it every 100 ms).
    void onWatchTimer();
    // The end of every run: the completion step while copy-is-typeset is on.
    // A clipboard-driven run (ALT+Q, copy-is-typeset) ends with the tip
    // "已成功排版，直接粘贴即可提取" only when `resultOnClipboard` (the
    // switches copied or cut the result); otherwise the working tip goes.
    void finishRun(bool resultOnClipboard = false);

    // The clipboard as the desktop sees it. In a Wayland session whose
    // compositor offers the data-control protocol it is read and written
    // through that protocol, so that copies in other programs are seen and
    // the result of a run reaches the clipboard while this program is in
    // the background; elsewhere through Qt's clipboard.
    bool clipboardHasText() const;
    QString clipboardText() const;
    void setClipboardText(const QString& text);
    // True when the clipboard is reached through the data-control protocol.
    bool backgroundClipboard() const;
    // What the messages about ALT+Q and copy-is-typeset add on a Wayland
    // session (empty elsewhere): how the desktop lets this program work.
    QString oneClickNote() const;
    QString copyTypesetNote() const;

    // The window was minimised. With minimise-to-tray ticked and a tray on
    // this desktop, the tray icon appears and the window hides once the
    // minimising has finished; without a tray the window stays on the task
    // bar, so that the user is never left without both.
    void windowMinimized(bool toTray);
    // The window is back: the tray icon goes.
    void windowRestored();
    // The tray icon (nullptr until the window was first minimised to it) and
    // its menu, built from the tray menu's entries.
    QSystemTrayIcon* trayIcon() const { return tray_; }
    QMenu* trayMenu() const { return trayMenu_.get(); }

    // How tips appear. Elsewhere than on Wayland (the default there), as
    // the balloon beside the mouse pointer. On Wayland (`on`) through the
    // desktop's notification service, and where it cannot be reached as the
    // balloon inside the main window, a popup of it that takes no focus,
    // only while the window is on the screen.
    void setWaylandTips(bool on);
    DesktopNotifications* notifications() const { return notifications_; }

    // The text of the balloon tip last shown (empty: none yet).
    const QString& lastTip() const { return lastTip_; }
    BalloonTip* balloon() const { return balloon_; }
    QTimer& watchTimer() { return watch_; }

    static const QString& doneTip();     // "<b>提示：</b><br />已成功排版，直接粘贴即可提取。"
    static const QString& workingTip();  // "<b>　　排版中，请稍候……　　</b>"

private:
    void showTip(const QString& richText);
    void showTipWindow();  // the last tip as the balloon
    void hideTip();
    std::string clipboardGb() const;

    FolvaneApp& app_;
    DesktopHost& host_;
    GlobalHotKeys* hotKeys_;
    QTimer watch_;
    BalloonTip* balloon_;
    QString lastTip_;
    bool waylandTips_ = false;
    DesktopNotifications* notifications_ = nullptr;  // child; with Wayland tips only
    bool oneClickRun_ = false;  // an ALT+Q run is under way
    QIcon icon_;
    std::unique_ptr<QMenu> trayMenu_;
    QSystemTrayIcon* tray_ = nullptr;
    WaylandClipboard* wayland_ = nullptr;  // child; only while it works
    PortalShortcuts* portal_ = nullptr;    // child; on Wayland only
};

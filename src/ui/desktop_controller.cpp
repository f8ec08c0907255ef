#include "desktop_controller.h"

#include <utility>

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QSystemTrayIcon>

#include "balloon_tip.h"
#include "commands.h"
#include "folvane_app.h"
#include "platform/desktop_notifications.h"
#include "platform/global_hotkeys.h"
#include "platform/portal_shortcuts.h"
#include "platform/wayland_clipboard.h"
#include "product.h"
#include "text_bridge.h"

namespace engine = folvane::engine;

namespace {

bool onWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

// A tip's rich text as the plain text of a notification: its lines, each
// without the spaces that centre it in the balloon.
QString tipPlainText(const QString& richText) {
    static const QRegularExpression lineBreak(QStringLiteral("<br\\s*/?>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QString text = richText;
    text.replace(lineBreak, QStringLiteral("\n")).remove(tag);
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) line = line.trimmed();
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

const QString& DesktopController::doneTip() {
    static const QString tip = QStringLiteral("<b>提示：</b><br />已成功排版，直接粘贴即可提取。");
    return tip;
}

const QString& DesktopController::workingTip() {
    static const QString tip = QStringLiteral("<b>　　排版中，请稍候……　　</b>");
    return tip;
}

DesktopController::DesktopController(FolvaneApp& app, DesktopHost& host, const CommandSet& commands, QIcon icon,
                                     QObject* parent)
    : QObject(parent),
      app_(app),
      host_(host),
      hotKeys_(new GlobalHotKeys(this)),
      // Transient for the main window: on Wayland the note is then a popup
      // of it, not a window of its own that the compositor places and focuses.
      balloon_(new BalloonTip(qobject_cast<QWidget*>(parent))),
      icon_(std::move(icon)),
      trayMenu_(std::make_unique<QMenu>()) {
    // The same actions as the menus and the toolbar: a tray item is always in
    // the state of its menu item.
    for (const MenuEntry& e : trayMenuEntries()) {
        if (e.command == Command::Count) trayMenu_->addSeparator();
        else trayMenu_->addAction(commands.action(e.command));
    }
    connect(hotKeys_, &GlobalHotKeys::activated, this, &DesktopController::onHotKey);
    if (onWayland()) {
        wayland_ = new WaylandClipboard(this);
        if (!wayland_->available()) {
            delete wayland_;
            wayland_ = nullptr;
        } else {
            // The clipboard's content at the start arrives a moment after
            // the connection, when copy-is-typeset may have taken the
            // clipboard as empty. It was there before this program and is
            // no copy to typeset: it is taken as seen, as under X11, where
            // it is known at once.
            connect(wayland_, &WaylandClipboard::firstReceived, this, [this] {
                engine::ClipboardModes& modes = app_.clipboard();
                if (modes.copyTypeset && modes.watch.armed) modes.watch.lastText = clipboardGb();
            });
        }
    }
    setWaylandTips(onWayland());
    watch_.setInterval(100);
    connect(&watch_, &QTimer::timeout, this, &DesktopController::onWatchTimer);
    watch_.start();
}

DesktopController::~DesktopController() {
    delete tray_;  // before its menu
    delete balloon_;
    app_.hotKeys() = {};  // the grabs end with this controller
}

void DesktopController::registerHotKeys() {
    // A combination another program holds leaves its identifier 0: the key
    // then does nothing.
    app_.hotKeys().oneClick = hotKeys_->registerHotKey(Qt::AltModifier, Qt::Key_Q);
    app_.hotKeys().showHide = hotKeys_->registerHotKey(Qt::ShiftModifier, Qt::Key_F12);
    if (onWayland() && !portal_ && app_.hotKeys().oneClick == 0 && app_.hotKeys().showHide == 0) {
        portal_ = new PortalShortcuts(this);
        connect(portal_, &PortalShortcuts::activated, this, &DesktopController::trigger);
        portal_->start();
    }
}

void DesktopController::onHotKey(int id) {
    const engine::HotKeyIds& ids = app_.hotKeys();
    if (id == 0) return;
    if (id == ids.oneClick) trigger(engine::DesktopTrigger::OneClick);
    else if (id == ids.showHide) trigger(engine::DesktopTrigger::ShowHide);
}

void DesktopController::trigger(engine::DesktopTrigger which) {
    switch (engine::triggerAction(which, app_.clipboard(), host_.editorBusy())) {
    case engine::HotKeyAction::None:
        break;
    case engine::HotKeyAction::OneClickRun: {
        // An empty text when the clipboard holds none: the run then works
        // on the empty text.
        if (!host_.takeClipboardText(clipboardGb())) break;
        host_.autoReplace();
        // The tip comes when the result is on the clipboard (finishRun).
        if (host_.startRun()) oneClickRun_ = true;
        break;
    }
    case engine::HotKeyAction::ToggleWindow:
        host_.toggleWindowShown();
        break;
    }
}

void DesktopController::onWatchTimer() {
    if (!engine::watchReadsClipboard(app_.clipboard())) {
        // Only whether there is text, for the paste button: a long text is
        // not converted ten times a second for nothing.
        host_.setPasteEnabled(clipboardHasText());
        return;
    }
    const bool hasText = clipboardHasText();
    const std::string gb = hasText ? clipboardGb() : std::string();
    engine::WatchTick tick;
    tick.clipboardHasText = hasText;
    tick.clipboardText = gb;
    tick.runInProgress = host_.editorBusy();
    switch (engine::watchTick(app_.clipboard(), tick)) {
    case engine::WatchAction::None:
        break;
    case engine::WatchAction::PasteOnly:
        host_.takeClipboardText(gb);
        break;
    case engine::WatchAction::PasteAndTypeset:
        if (!host_.takeClipboardText(gb)) {
            engine::finishClipboardRun(app_.clipboard(), gb);
            break;
        }
        showTip(workingTip());
        host_.autoReplace();
        // Should no run start after all, the watch must not stay disarmed.
        if (!host_.startRun()) engine::finishClipboardRun(app_.clipboard(), clipboardGb());
        break;
    }
    host_.setPasteEnabled(hasText);
}

void DesktopController::finishRun(bool resultOnClipboard) {
    const bool watched = engine::finishClipboardRun(app_.clipboard(), clipboardGb());
    const bool oneClick = std::exchange(oneClickRun_, false);
    if (!watched && !oneClick) return;
    if (resultOnClipboard) showTip(doneTip());
    else if (lastTip_ == workingTip()) hideTip();
}

bool DesktopController::backgroundClipboard() const { return wayland_ != nullptr; }

bool DesktopController::clipboardHasText() const {
    if (wayland_) return wayland_->hasText();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    return mime && mime->hasText();
}

QString DesktopController::clipboardText() const {
    if (wayland_) return wayland_->text();
    return QApplication::clipboard()->text();
}

// The clipboard's text in the core's form (GB18030, "\r\n"), for an exact
// byte comparison; empty when it holds none.
std::string DesktopController::clipboardGb() const { return fromQt(clipboardText()); }

void DesktopController::setClipboardText(const QString& text) {
    if (wayland_) wayland_->setText(text);
    else QApplication::clipboard()->setText(text);
}

QString DesktopController::oneClickNote() const {
    if (!onWayland() || app_.hotKeys().oneClick != 0) return {};
    if (portal_ && portal_->state() == PortalShortcuts::State::Bound) {
        const QString keys = portal_->boundTriggers().isEmpty() ? QStringLiteral("ALT+Q、SHIFT+F12")
                                                                : portal_->boundTriggers();
        return QStringLiteral("\n\n（Wayland：已通过桌面门户注册全局快捷键 %1，可在桌面的快捷键设置中更改。）").arg(keys);
    }
    if (portal_ && portal_->pending())
        return QStringLiteral("\n\n（Wayland：正在通过桌面门户注册全局快捷键 ALT+Q、SHIFT+F12。若桌面不允许，"
                              "请在桌面的键盘设置中添加自定义快捷键 ALT+Q，命令为：folvane --typeset-clipboard）");
    return QStringLiteral("\n\n本桌面（Wayland）不让程序注册全局快捷键。请在桌面的键盘设置中添加自定义快捷键 ALT+Q，"
                          "命令为：folvane --typeset-clipboard");
}

QString DesktopController::copyTypesetNote() const {
    if (!onWayland()) return {};
    if (wayland_) return QStringLiteral("\n\n（Wayland：通过数据控制协议监视剪贴板，程序在后台时也有效。）");
    return QStringLiteral("\n\n（本桌面（Wayland）只在本程序窗口处于前台时才通知剪贴板的变化；"
                          "在后台使用请以 QT_QPA_PLATFORM=xcb 运行本程序。）");
}

void DesktopController::setWaylandTips(bool on) {
    waylandTips_ = on;
    delete notifications_;
    notifications_ = nullptr;
    if (!on) return;
    notifications_ = new DesktopNotifications(this);
    connect(notifications_, &DesktopNotifications::failed, this, [this](const QString& text) {
        if (text == tipPlainText(lastTip_)) showTipWindow();
    });
}

void DesktopController::showTip(const QString& richText) {
    lastTip_ = richText;
    if (notifications_ && notifications_->usable()) {
        balloon_->hide();
        notifications_->show(tipPlainText(richText), BalloonTip::kShownMs);
        return;
    }
    showTipWindow();
}

void DesktopController::showTipWindow() {
    if (!waylandTips_) {
        balloon_->showAt(QCursor::pos() - QPoint(20, 30), lastTip_);
        return;
    }
    // On Wayland a window of the program's own can only be a popup of its
    // main window, placed inside it; while that is off the screen the tip
    // is not shown (a top-level window would be tiled and take the focus).
    QWidget* anchor = balloon_->parentWidget();
    if (!anchor || !anchor->isVisible() || anchor->isMinimized()) return;
    balloon_->showInCorner(QRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size()), lastTip_);
}

void DesktopController::hideTip() {
    balloon_->hide();
    if (notifications_) notifications_->close();
}

void DesktopController::windowMinimized(bool toTray) {
    if (!toTray || !QSystemTrayIcon::isSystemTrayAvailable()) return;
    if (!tray_) {
        tray_ = new QSystemTrayIcon(icon_, this);
        tray_->setToolTip(product::kTrayTooltip);
        tray_->setContextMenu(trayMenu_.get());
        connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick) host_.restoreWindow();
        });
    }
    tray_->show();
    // After the minimising has finished: the window shows itself again once
    // its state has changed.
    QMetaObject::invokeMethod(this, [this] {
        if (host_.windowMinimized() && tray_ && tray_->isVisible()) host_.hideWindow();
    }, Qt::QueuedConnection);
}

void DesktopController::windowRestored() {
    if (tray_) tray_->hide();
}

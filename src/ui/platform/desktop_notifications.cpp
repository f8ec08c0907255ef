#include "desktop_notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>
#include <utility>

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

}  // namespace

const QString& DesktopNotifications::service() {
    static const QString s = QStringLiteral("org.freedesktop.Notifications");
    return s;
}

const QString& DesktopNotifications::path() {
    static const QString s = QStringLiteral("/org/freedesktop/Notifications");
    return s;
}

const QString& DesktopNotifications::appName() {
    static const QString s = QStringLiteral("Folvane");
    return s;
}

DesktopNotifications::DesktopNotifications(QObject* parent) : QObject(parent) {}

void DesktopNotifications::show(const QString& text, int timeoutMs) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!usable_ || !bus.isConnected()) {
        usable_ = false;
        Q_EMIT failed(text);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service(), path(), kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("folvane"));
    // A passing note: not kept in the desktop's history.
    hints.insert(QStringLiteral("transient"), true);
    call << appName() << id_ << QStringLiteral("folvane") << appName() << text << QStringList() << hints
         << static_cast<qint32>(timeoutMs);
    const quint64 serial = ++sent_;
    id_ = 0;
    closeWanted_ = false;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, serial, text](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            // No service (none installed, none activatable), or one that
            // refuses: the caller shows the tip its own way from now on.
            usable_ = false;
            if (serial == sent_) Q_EMIT failed(text);
            return;
        }
        const uint id = reply.value();
        // A tip answered after a later one was sent, or one taken back
        // before its answer came, leaves the screen.
        if (serial != sent_ || closeWanted_) closeId(id);
        else id_ = id;
    });
}

void DesktopNotifications::close() {
    if (id_ != 0) closeId(std::exchange(id_, 0));
    else closeWanted_ = true;
}

void DesktopNotifications::closeId(uint id) {
    if (id == 0) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service(), path(), kInterface, QStringLiteral("CloseNotification"));
    call << id;
    QDBusConnection::sessionBus().asyncCall(call);
}

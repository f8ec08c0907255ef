// A desktop notification service for tests (org.freedesktop.Notifications):
// it records every Notify call and keeps the notifications open as a
// desktop would (a replaces_id replaces, CloseNotification closes).
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QMap>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <vector>

struct ReceivedNotification {
    QString appName;
    uint replacesId = 0;
    QString summary;
    QString body;
    QVariantMap hints;
    int timeout = 0;
    uint id = 0;  // the one given in answer
};

class NotificationServer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit NotificationServer(QObject* parent) : QDBusAbstractAdaptor(parent) {}

    std::vector<ReceivedNotification> received;
    QMap<uint, QString> open;  // id -> body of what is on the screen
    // Called at each Notify and CloseNotification, when set.
    std::function<void(const ReceivedNotification&)> notified;
    std::function<void(uint)> closed;

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap& hints, int timeout) {
        const uint id = replacesId != 0 && open.contains(replacesId) ? replacesId : ++lastId_;
        received.push_back({appName, replacesId, summary, body, hints, timeout, id});
        open.insert(id, body);
        if (notified) notified(received.back());
        return id;
    }
    void CloseNotification(uint id) {
        open.remove(id);
        if (closed) closed(id);
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    QString GetServerInformation(QString& vendor, QString& version, QString& protocolVersion) {
        vendor = QStringLiteral("folvane-test");
        version = QStringLiteral("1");
        protocolVersion = QStringLiteral("1.2");
        return QStringLiteral("test-notifications");
    }

private:
    uint lastId_ = 0;
};

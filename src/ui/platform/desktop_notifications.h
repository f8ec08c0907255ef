// Tips through the desktop's notification service (org.freedesktop.
// Notifications on the session bus), where a window of the program's own
// cannot be a small note beside the cursor: a Wayland compositor places
// (and a tiling one tiles and focuses) every top-level window itself.
// Each call is asynchronous; a later tip replaces the one still shown.
#pragma once

#include <QObject>
#include <QString>

class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifications(QObject* parent = nullptr);

    // Shows `text` (plain text) for `timeoutMs`, in place of the last one.
    // When the service cannot be reached, failed(text) follows and every
    // later tip fails at once.
    void show(const QString& text, int timeoutMs);
    // Takes the tip last shown away (also one whose answer is still due).
    void close();
    // False once the service could not be reached.
    bool usable() const { return usable_; }

    static const QString& service();  // "org.freedesktop.Notifications"
    static const QString& path();     // "/org/freedesktop/Notifications"
    static const QString& appName();  // "Folvane"

Q_SIGNALS:
    void failed(const QString& text);

private:
    void closeId(uint id);

    bool usable_ = true;
    uint id_ = 0;           // the notification on the screen (0: none known)
    quint64 sent_ = 0;      // calls sent; the answer to the last one gives id_
    bool closeWanted_ = false;
};

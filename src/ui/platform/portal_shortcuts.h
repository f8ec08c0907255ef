// Global shortcuts through the desktop portal (org.freedesktop.portal.
// GlobalShortcuts on the session bus): on Wayland no program may grab keys,
// but the desktop binds shortcuts for it once it asks. The program creates a
// portal session, binds ALT+Q and SHIFT+F12 as preferred triggers (the user
// or the desktop may choose others) and hears the Activated signal.
// Every call is asynchronous: a slow or missing portal never holds up the
// window.
#pragma once

#include <QDBusArgument>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <optional>

#include "engine/clipboard_watch.h"

// One shortcut as the portal carries it: a(sa{sv}), an identifier and its
// properties ("description", "preferred_trigger"; in answers
// "trigger_description").
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcut)
QDBusArgument& operator<<(QDBusArgument& arg, const PortalShortcut& s);
const QDBusArgument& operator>>(const QDBusArgument& arg, PortalShortcut& s);

class PortalShortcuts : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,             // not started
        Asking,           // asking whether the portal offers the interface
        Unavailable,      // no session bus, no portal, or no GlobalShortcuts
        CreatingSession,  // CreateSession sent, its Response awaited
        Binding,          // BindShortcuts sent, its Response awaited
        Bound,            // the shortcuts are the desktop's; Activated arrives
        Refused,          // the desktop (or the user) declined the session or the bind
    };

    explicit PortalShortcuts(QObject* parent = nullptr);
    ~PortalShortcuts() override;

    // Starts asking; the state then moves on by itself. Once only.
    void start();
    State state() const { return state_; }
    // Asked, and the portal's last answer not yet in.
    bool pending() const {
        return state_ == State::Asking || state_ == State::CreatingSession || state_ == State::Binding;
    }
    // The triggers the desktop reported for the bound shortcuts, as it words
    // them (e.g. "Alt+Q"), joined by "、"; empty when it gave none.
    const QString& boundTriggers() const { return triggers_; }

    // The shortcuts asked for: identifier, description, preferred trigger.
    static QList<PortalShortcut> wanted();
    // The way in a shortcut identifier stands for (none for an unknown one).
    static std::optional<folvane::engine::DesktopTrigger> triggerFor(const QString& id);
    // The path of the Request object the portal makes for `token` of the
    // connection named `uniqueName` (":1.42" → ".../request/1_42/TOKEN").
    static QString requestPath(const QString& uniqueName, const QString& token);

Q_SIGNALS:
    void activated(folvane::engine::DesktopTrigger which);
    void stateChanged(PortalShortcuts::State state);

private Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results);
    void onActivated(const QDBusMessage& signal);

private:
    void createSession();
    void bind();
    // Sends `method` of the interface with `args`, its Request answering at
    // the path made from `token`.
    void callWithRequest(const QString& method, const QList<QVariant>& args, const QString& token);
    void watchRequest(const QString& path);
    void setState(State s);

    State state_ = State::Idle;
    QString requestPath_;  // the Request whose Response is awaited
    QString session_;      // the session's object path once created
    QString triggers_;
    int tokens_ = 0;
};

// A desktop's global-shortcuts back end for tests: it implements
// org.freedesktop.impl.portal.GlobalShortcuts, which the portal's front end
// (xdg-desktop-portal) calls for the program, grants every bind with the
// preferred triggers, and reports a shortcut as pressed when the test asks
// (org.folvane.PortalTest.Press on /org/folvane/PortalTest).
// Each step is a line on stdout ("ready", "session PATH", "bound ID=TRIGGER
// ...", "pressed ID") for the test to wait on.
// Usage: portal_backend BUS-NAME [--refuse]   (--refuse: every bind answers 2)
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDateTime>
#include <cstdio>

#include "platform/portal_shortcuts.h"

namespace {

void say(const QString& line) {
    std::printf("%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

}  // namespace

// The back end's session object: the front end closes it when the program
// ends its session or leaves the bus.
class ImplSession : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.Session")
public:
    explicit ImplSession(QObject* parent) : QDBusAbstractAdaptor(parent) {}
public Q_SLOTS:
    void Close() { say(QStringLiteral("closed")); }
Q_SIGNALS:
    void Closed();
};

class ImplShortcuts : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    ImplShortcuts(QObject* parent, bool refuse) : QDBusAbstractAdaptor(parent), refuse_(refuse) {}
    uint version() const { return 1; }
    const QDBusObjectPath& session() const { return session_; }

public Q_SLOTS:
    uint CreateSession(const QDBusObjectPath&, const QDBusObjectPath& session, const QString& appId,
                       const QVariantMap&, QVariantMap& results) {
        session_ = session;
        auto* holder = new QObject(this);
        new ImplSession(holder);
        QDBusConnection::sessionBus().registerObject(session.path(), holder);
        say(QStringLiteral("session %1 app [%2]").arg(session.path(), appId));
        results.insert(QStringLiteral("session_handle"), session.path());
        return 0;
    }
    uint BindShortcuts(const QDBusObjectPath&, const QDBusObjectPath& session, const QList<PortalShortcut>& shortcuts,
                       const QString&, const QVariantMap&, QVariantMap& results) {
        QStringList words{QStringLiteral("bound")};
        QList<PortalShortcut> granted;
        for (const PortalShortcut& s : shortcuts) {
            const QString trigger = s.properties.value(QStringLiteral("preferred_trigger")).toString();
            words << s.id + QLatin1Char('=') + trigger;
            PortalShortcut g;
            g.id = s.id;
            g.properties.insert(QStringLiteral("description"), s.properties.value(QStringLiteral("description")));
            g.properties.insert(QStringLiteral("trigger_description"), trigger);
            granted << g;
        }
        if (refuse_) {
            say(QStringLiteral("refused"));
            return 2;
        }
        if (session != session_) say(QStringLiteral("bind for an unknown session %1").arg(session.path()));
        say(words.join(QLatin1Char(' ')));
        results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(granted));
        return 0;
    }
    uint ListShortcuts(const QDBusObjectPath&, const QDBusObjectPath&, QVariantMap&) { return 0; }

Q_SIGNALS:
    void Activated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp, const QVariantMap& options);
    void Deactivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);
    void ShortcutsChanged(const QDBusObjectPath& session, const QList<PortalShortcut>& shortcuts);

private:
    bool refuse_;
    QDBusObjectPath session_;
};

// What the test asks for: a press of a bound shortcut.
class TestControl : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.folvane.PortalTest")
public:
    TestControl(QObject* parent, ImplShortcuts& shortcuts) : QDBusAbstractAdaptor(parent), shortcuts_(shortcuts) {}
public Q_SLOTS:
    void Press(const QString& id) {
        const auto now = static_cast<qulonglong>(QDateTime::currentMSecsSinceEpoch());
        Q_EMIT shortcuts_.Activated(shortcuts_.session(), id, now, {});
        Q_EMIT shortcuts_.Deactivated(shortcuts_.session(), id, now + 50, {});
        say(QStringLiteral("pressed ") + id);
    }

private:
    ImplShortcuts& shortcuts_;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: portal_backend BUS-NAME [--refuse]\n");
        return 2;
    }
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    QObject portal;
    auto* shortcuts = new ImplShortcuts(&portal, args.contains(QStringLiteral("--refuse")));
    QObject control;
    new TestControl(&control, *shortcuts);
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal) ||
        !bus.registerObject(QStringLiteral("/org/folvane/PortalTest"), &control) || !bus.registerService(args[1])) {
        std::fprintf(stderr, "portal_backend: %s\n", qUtf8Printable(bus.lastError().message()));
        return 1;
    }
    say(QStringLiteral("ready"));
    return app.exec();
}

#include "portal_backend.moc"

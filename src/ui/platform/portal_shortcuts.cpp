#include "portal_shortcuts.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QLoggingCategory>

namespace engine = folvane::engine;

namespace {

Q_LOGGING_CATEGORY(portalLog, "folvane.portal")

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// The identifiers the desktop stores the bindings under: they stay the same
// from one start to the next, so that a trigger the user changed is kept.
const QString kTypesetId = QStringLiteral("typeset-clipboard");
const QString kShowHideId = QStringLiteral("show-hide");

// A session or object path as the portal answers it: a string in older
// front ends, an object path in newer ones.
QString pathOf(const QVariant& v) {
    if (v.canConvert<QDBusObjectPath>()) return v.value<QDBusObjectPath>().path();
    return v.toString();
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& arg, const PortalShortcut& s) {
    arg.beginStructure();
    arg << s.id << s.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, PortalShortcut& s) {
    arg.beginStructure();
    arg >> s.id >> s.properties;
    arg.endStructure();
    return arg;
}

PortalShortcuts::PortalShortcuts(QObject* parent) : QObject(parent) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

PortalShortcuts::~PortalShortcuts() {
    // The portal ends the session and its bindings when this connection goes;
    // closing it here says so at once.
    if (!session_.isEmpty()) {
        QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(kService, session_, QStringLiteral("org.freedesktop.portal.Session"),
                                           QStringLiteral("Close")),
            QDBus::NoBlock);
    }
}

QList<PortalShortcut> PortalShortcuts::wanted() {
    auto shortcut = [](const QString& id, const QString& description, const QString& trigger) {
        PortalShortcut s;
        s.id = id;
        s.properties.insert(QStringLiteral("description"), description);
        s.properties.insert(QStringLiteral("preferred_trigger"), trigger);
        return s;
    };
    return {shortcut(kTypesetId, QStringLiteral("一键排版：排版剪贴板中的文字"), QStringLiteral("ALT+q")),
            shortcut(kShowHideId, QStringLiteral("显示/隐藏编辑窗口"), QStringLiteral("SHIFT+F12"))};
}

std::optional<engine::DesktopTrigger> PortalShortcuts::triggerFor(const QString& id) {
    if (id == kTypesetId) return engine::DesktopTrigger::OneClick;
    if (id == kShowHideId) return engine::DesktopTrigger::ShowHide;
    return std::nullopt;
}

QString PortalShortcuts::requestPath(const QString& uniqueName, const QString& token) {
    QString sender = uniqueName;
    if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

void PortalShortcuts::setState(State s) {
    state_ = s;
    Q_EMIT stateChanged(s);
}

void PortalShortcuts::start() {
    if (state_ != State::Idle) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCDebug(portalLog) << "no session bus: global shortcuts through the portal are not available";
        setState(State::Unavailable);
        return;
    }
    setState(State::Asking);
    // The interface's version property: an error means no portal, or one
    // without global shortcuts.
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        QDBusPendingReply<QDBusVariant> reply = *w;
        if (reply.isError()) {
            qCDebug(portalLog) << "the desktop portal offers no global shortcuts:" << reply.error().message();
            setState(State::Unavailable);
            return;
        }
        qCDebug(portalLog) << "GlobalShortcuts portal, version" << reply.value().variant().toUInt();
        if (!QDBusConnection::sessionBus().connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                                                   SLOT(onActivated(QDBusMessage))))
            qCWarning(portalLog) << "cannot listen to the portal's Activated signal";
        createSession();
    });
}

void PortalShortcuts::watchRequest(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!requestPath_.isEmpty())
        bus.disconnect(kService, requestPath_, kRequest, QStringLiteral("Response"), this,
                       SLOT(onResponse(uint, QVariantMap)));
    requestPath_ = path;
    if (!path.isEmpty())
        bus.connect(kService, path, kRequest, QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
}

void PortalShortcuts::callWithRequest(const QString& method, const QList<QVariant>& args, const QString& token) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The Response may follow the reply at once: the signal is watched at
    // the path the portal will use before the call goes out.
    const QString expected = requestPath(bus.baseService(), token);
    watchRequest(expected);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method, expected](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        // The Response may have been handled before this reply (and the next
        // request begun, watched at its own path): the reply then has nothing
        // left to change.
        if (requestPath_ != expected) return;
        QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            qCWarning(portalLog, "%s", qUtf8Printable(QStringLiteral("桌面门户拒绝了全局快捷键（%1）：%2")
                                                          .arg(method, reply.error().message())));
            watchRequest({});
            setState(State::Refused);
            return;
        }
        // A front end that does not know handle_token answers at a path of
        // its own choosing.
        if (reply.value().path() != requestPath_) watchRequest(reply.value().path());
    });
}

void PortalShortcuts::createSession() {
    setState(State::CreatingSession);
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString token = QStringLiteral("folvane_%1_%2").arg(pid).arg(++tokens_);
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("session_handle_token"), QStringLiteral("folvane_%1").arg(pid));
    callWithRequest(QStringLiteral("CreateSession"), {options}, token);
}

void PortalShortcuts::bind() {
    setState(State::Binding);
    const QString token =
        QStringLiteral("folvane_%1_%2").arg(QString::number(QCoreApplication::applicationPid())).arg(++tokens_);
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    callWithRequest(QStringLiteral("BindShortcuts"),
                    {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(wanted()), QString(), options},
                    token);
}

void PortalShortcuts::onResponse(uint response, const QVariantMap& results) {
    watchRequest({});
    const State was = state_;
    if (response != 0) {
        // 1: the user cancelled; 2: the desktop ended it another way.
        qCWarning(portalLog, "%s",
                  qUtf8Printable(QStringLiteral("桌面门户拒绝了全局快捷键（%1，回应 %2）：ALT+Q 与 SHIFT+F12 不可用；"
                                                "可在桌面的快捷键设置中绑定命令 folvane --typeset-clipboard")
                                     .arg(was == State::Binding ? QStringLiteral("BindShortcuts")
                                                                : QStringLiteral("CreateSession"))
                                     .arg(response)));
        setState(State::Refused);
        return;
    }
    if (was == State::CreatingSession) {
        session_ = pathOf(results.value(QStringLiteral("session_handle")));
        qCDebug(portalLog) << "portal session" << session_;
        if (session_.isEmpty()) {
            qCWarning(portalLog, "%s", qUtf8Printable(QStringLiteral("桌面门户未给出会话，全局快捷键不可用")));
            setState(State::Refused);
            return;
        }
        bind();
    } else if (was == State::Binding) {
        QStringList triggers;
        const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
        QList<PortalShortcut> bound;
        if (shortcuts.canConvert<QDBusArgument>()) shortcuts.value<QDBusArgument>() >> bound;
        for (const PortalShortcut& s : bound) {
            const QString t = s.properties.value(QStringLiteral("trigger_description")).toString();
            qCDebug(portalLog) << "bound" << s.id << "trigger" << t;
            if (!t.isEmpty()) triggers << t;
        }
        triggers_ = triggers.join(QStringLiteral("、"));
        setState(State::Bound);
    }
}

void PortalShortcuts::onActivated(const QDBusMessage& signal) {
    // (o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QList<QVariant> args = signal.arguments();
    if (args.size() < 2) return;
    const QString session = pathOf(args[0]);
    const QString id = args[1].toString();
    if (session != session_) {
        qCDebug(portalLog) << "activated" << id << "of another session" << session;
        return;
    }
    qCDebug(portalLog) << "activated" << id;
    if (const auto which = triggerFor(id)) Q_EMIT activated(*which);
}

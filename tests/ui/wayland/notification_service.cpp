// A desktop notification service for the Wayland tests: it takes the name
// org.freedesktop.Notifications on the session bus and writes a line on
// stdout for each call ("ready", "notify app=[APP] replaces=N timeout=MS
// body=[BODY]" with line breaks as \n, "closed ID"), for the test to read.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <cstdio>

#include "notification_server.h"

namespace {

void say(const QString& line) {
    std::printf("%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    QObject root;
    auto* server = new NotificationServer(&root);
    server->notified = [](const ReceivedNotification& n) {
        QString body = n.body;
        body.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        say(QStringLiteral("notify app=[%1] replaces=%2 timeout=%3 body=[%4]")
                .arg(n.appName)
                .arg(n.replacesId)
                .arg(n.timeout)
                .arg(body));
    };
    server->closed = [](uint id) { say(QStringLiteral("closed %1").arg(id)); };
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &root) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "notification_service: %s\n", qUtf8Printable(bus.lastError().message()));
        return 1;
    }
    say(QStringLiteral("ready"));
    return app.exec();
}

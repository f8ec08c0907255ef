#include "instance_link.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

namespace {

// The answer that tells the second start its request was taken.
constexpr char kAcknowledged = '\x06';
// A connection that has not sent a whole request by then is dropped.
constexpr int kServerReadTimeoutMs = 30000;

QString displayName() {
    QString d = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (d.isEmpty()) d = qEnvironmentVariable("DISPLAY");
    if (d.isEmpty()) d = QStringLiteral("none");
    // A Wayland display may be an absolute path; the name keeps what tells
    // displays apart, without characters a file name cannot hold.
    for (QChar& c : d)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.')) c = QLatin1Char('_');
    return d;
}

}  // namespace

InstanceLink::InstanceLink(QString socketPath, QObject* parent) : QObject(parent), path_(std::move(socketPath)) {
    // Only this user may connect (the runtime directory is private already).
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceLink::accept);
}

InstanceLink::~InstanceLink() {
    if (server_.isListening()) server_.close();  // removes the socket file
}

QString InstanceLink::defaultSocketPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir + QStringLiteral("/folvane-") + displayName() + QStringLiteral(".socket");
}

InstanceLink::Claim InstanceLink::claim(const ProgramRequest& request, int timeoutMs) {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    // The lock makes asking and listening one step: of two programs started
    // together, the second finds the first listening. A lock whose holder
    // died is taken over (QLockFile checks its process).
    QLockFile lock(path_ + QStringLiteral(".lock"));
    if (!lock.tryLock(timeoutMs)) {
        error_ = QStringLiteral("cannot lock %1").arg(lock.fileName());
        return Claim::Failed;
    }
    switch (forward(request, timeoutMs)) {
    case Delivery::Delivered:
        return Claim::Forwarded;
    case Delivery::NoAnswer:
        error_ = QStringLiteral("the running program at %1 does not answer").arg(path_);
        return Claim::NoAnswer;
    case Delivery::NobodyListens:
        break;
    }
    // Nobody listens: a socket file still there was left by a program that
    // ended without removing it.
    QLocalServer::removeServer(path_);
    if (!server_.listen(path_)) {
        error_ = server_.errorString();
        return Claim::Failed;
    }
    return Claim::Primary;
}

InstanceLink::Delivery InstanceLink::forward(const ProgramRequest& request, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(path_);
    // A listening socket accepts at once, however busy its program is; a
    // file without a listener refuses at once.
    if (!socket.waitForConnected(timeoutMs)) return Delivery::NobodyListens;
    socket.write(encodeRequest(request));
    if (!socket.waitForBytesWritten(timeoutMs)) return Delivery::NoAnswer;
    // Only the acknowledgement counts: a program that accepted the
    // connection but died before reading would otherwise swallow the request.
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(timeoutMs)) return Delivery::NoAnswer;
    char answer = 0;
    return socket.getChar(&answer) && answer == kAcknowledged ? Delivery::Delivered : Delivery::NoAnswer;
}

void InstanceLink::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kServerReadTimeoutMs, socket, [socket] { socket->abort(); });
        auto read = [this, socket] {
            QDataStream in(socket);
            ProgramRequest request;
            switch (readRequest(in, request)) {
            case RequestRead::Incomplete:
                if (socket->bytesAvailable() > kMaxRequestBytes + 64) socket->abort();
                return;
            case RequestRead::Invalid:
                socket->abort();
                return;
            case RequestRead::Complete:
                break;
            }
            socket->putChar(kAcknowledged);
            socket->flush();
            socket->disconnectFromServer();
            // Carried out from the event loop: the request may open modal
            // windows (the save question) that must not run inside this slot.
            QPointer<InstanceLink> self(this);
            QTimer::singleShot(0, this, [self, request] {
                if (self) Q_EMIT self->requested(request);
            });
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0) read();
    }
}

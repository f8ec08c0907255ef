#include "instance_link.h"

#include <QDataStream>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The longest socket path the kernel takes (sun_path less its final NUL).
constexpr int kMaxSocketPath = 107;

// The user id of the process at the other end of a connected local socket,
// or -1 when the system does not say.
long peerUid(qintptr fd) {
    struct ucred cred{};
    socklen_t len = sizeof cred;
    if (fd < 0 || ::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return -1;
    return static_cast<long>(cred.uid);
}

// Empty when `dir` is a folder of this user's that nobody else may enter
// (mode 0700 or less, not a link); else why not.
QString privateFolderProblem(const QString& dir) {
    struct stat st{};
    if (::lstat(QFile::encodeName(dir).constData(), &st) != 0)
        return QStringLiteral("%1: %2").arg(dir, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(st.st_mode)) return QStringLiteral("%1 is no folder").arg(dir);
    if (st.st_uid != ::geteuid()) return QStringLiteral("%1 belongs to another user (uid %2)").arg(dir).arg(st.st_uid);
    if ((st.st_mode & 0077) != 0)
        return QStringLiteral("%1 may be entered by other users (mode %2)").arg(dir).arg(st.st_mode & 0777, 4, 8, QLatin1Char('0'));
    return {};
}

// The user's runtime directory when it is set and private, else a folder of
// this user's own in the temporary folder (made, and checked, by claim()).
QString socketFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        struct stat st{};
        // The runtime directory may be reached through a link; its owner
        // and mode are what count.
        if (::stat(QFile::encodeName(runtime).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
            st.st_uid == ::geteuid() && (st.st_mode & 0077) == 0)
            return runtime;
    }
    return QDir::tempPath() + QStringLiteral("/folvane-%1").arg(::geteuid());
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
    // A socket path longer than the kernel takes cannot be listened on: a
    // display name too long is shortened to a digest that still tells
    // displays apart, and a folder too long gives way to the folder of this
    // user's own in the temporary folder, then in /tmp.
    const QString display = displayName();
    const QByteArray digest = QCryptographicHash::hash(display.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    const QString names[] = {QStringLiteral("folvane-") + display + QStringLiteral(".socket"),
                             QStringLiteral("folvane-") + QString::fromLatin1(digest) + QStringLiteral(".socket")};
    const QString own = QStringLiteral("/folvane-%1").arg(::geteuid());
    const QString folders[] = {socketFolder(), QDir::tempPath() + own, QStringLiteral("/tmp") + own};
    for (const QString& dir : folders)
        for (const QString& name : names)
            if (const QString path = dir + QLatin1Char('/') + name; QFile::encodeName(path).size() <= kMaxSocketPath)
                return path;
    return folders[2] + QLatin1Char('/') + names[1];  // always fits
}

InstanceLink::Claim InstanceLink::claim(const ProgramRequest& request, int timeoutMs) {
    // The socket and its lock live only in a folder that no other user may
    // enter: there, nobody else can listen in this program's place. A
    // missing folder is made so; one that is not so is not used.
    const QString folder = QFileInfo(path_).absolutePath();
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno == ENOENT) {
        QDir().mkpath(QFileInfo(folder).absolutePath());
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    }
    if (const QString problem = privateFolderProblem(folder); !problem.isEmpty()) {
        error_ = QStringLiteral("no single program: the socket folder %1").arg(problem);
        return Claim::Failed;
    }
    if (QFile::encodeName(path_).size() > kMaxSocketPath) {
        error_ = QStringLiteral("no single program: the socket path %1 is too long").arg(path_);
        return Claim::Failed;
    }
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
    case Delivery::Foreign:
        error_ = QStringLiteral("the socket %1 is served by another user: nothing was sent to it").arg(path_);
        return Claim::Failed;
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
    // The request (file paths among it) goes to a program of this user only.
    if (peerUid(socket.socketDescriptor()) != static_cast<long>(::geteuid())) {
        socket.abort();
        return Delivery::Foreign;
    }
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
        // Requests are taken from this user's programs only.
        if (const long uid = peerUid(socket->socketDescriptor()); uid != static_cast<long>(::geteuid())) {
            qWarning("folvane: a request from another user (uid %ld) was refused", uid);
            socket->abort();
            socket->deleteLater();
            continue;
        }
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

// A small HTTP server on 127.0.0.1 for the web tests: it serves fixed
// replies by path, records every request target, and can hold a request
// without answering. It runs in the test's own event loop and stops with
// the object.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <functional>

class LocalHttpServer {
public:
    struct Reply {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        bool hold = false;  // never answer: the page stays loading
    };

    LocalHttpServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { onData(s); });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    ~LocalHttpServer() {
        for (const QPointer<QTcpSocket>& s : held_)
            if (s) s->abort();
        server_.close();
    }

    bool listening() const { return server_.isListening(); }
    void route(const QByteArray& path, Reply reply) { routes_.insert(path, std::move(reply)); }
    QUrl url(const QString& pathAndQuery) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(pathAndQuery));
    }
    // Request targets (path and query, as sent) for `path`.
    QList<QByteArray> targets(const QByteArray& path) const {
        QList<QByteArray> out;
        for (const QByteArray& t : targets_)
            if (t.left(t.indexOf('?') < 0 ? t.size() : t.indexOf('?')) == path) out.append(t);
        return out;
    }
    std::function<void(const QByteArray&)> onRequest;

    // A port on which nothing listens: a connection to it is refused.
    static quint16 closedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }

private:
    void onData(QTcpSocket* s) {
        QByteArray& buffer = buffers_[s];
        buffer += s->readAll();
        const int end = buffer.indexOf("\r\n\r\n");
        if (end < 0) return;
        const QList<QByteArray> first = buffer.left(buffer.indexOf("\r\n")).split(' ');
        buffers_.remove(s);
        const QByteArray target = first.value(1);
        targets_.append(target);
        if (onRequest) onRequest(target);
        const QByteArray path = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
        Reply reply;
        if (auto it = routes_.constFind(path); it != routes_.constEnd()) {
            reply = *it;
        } else {
            reply.status = 404;
            reply.body = "<html><head><title>404</title></head><body>not found</body></html>";
        }
        if (reply.hold) {
            held_.append(s);
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + (reply.status == 200 ? " OK" : " Error") +
                          "\r\nContent-Type: " + reply.contentType +
                          "\r\nContent-Length: " + QByteArray::number(reply.body.size()) +
                          "\r\nConnection: close\r\n\r\n";
        s->write(head + reply.body);
        s->disconnectFromHost();
    }

    QTcpServer server_;
    QHash<QByteArray, Reply> routes_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QList<QByteArray> targets_;
    QList<QPointer<QTcpSocket>> held_;
};

// One running program per user and display. The first start listens on a
// local socket in the user's runtime directory (or, without a private one,
// a folder of the user's own in the temporary folder); a later start hands its
// request (ProgramRequest) to it and ends. A socket left behind by a program
// that crashed is found dead and replaced. A lock file around the choice
// keeps two programs started at the same moment from both listening.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include "program_request.h"

class InstanceLink : public QObject {
    Q_OBJECT
public:
    // `socketPath`: where the socket lives (see defaultSocketPath).
    explicit InstanceLink(QString socketPath, QObject* parent = nullptr);
    ~InstanceLink() override;

    // The socket for this user and display: the runtime directory when it
    // is set and private, else the folder "folvane-UID" in the temporary
    // folder; named after the display (Wayland's, else X11's) so that two
    // sessions of one user each have their program. A path longer than a
    // socket may have is made shorter: the display as a digest, and the
    // folder "folvane-UID" in the temporary folder, else in /tmp.
    static QString defaultSocketPath();

    enum class Claim {
        Primary,    // this process now serves the socket
        Forwarded,  // a running program took the request
        NoAnswer,   // a program runs but did not take the request in time
        Failed,     // no socket could be served, or the one there is another
                    // user's (error() says why)
    };
    // Hands `request` to a running program, or makes this one the program
    // that serves later requests. `timeoutMs` bounds every wait. Only a
    // socket that nobody listens on is taken over: a running program that is
    // slow to answer is never doubled.
    Claim claim(const ProgramRequest& request, int timeoutMs = 30000);
    QString error() const { return error_; }
    const QString& socketPath() const { return path_; }

Q_SIGNALS:
    // A later start asked for this; it has been acknowledged already.
    void requested(const ProgramRequest& request);

private:
    enum class Delivery { NobodyListens, Delivered, NoAnswer, Foreign };
    Delivery forward(const ProgramRequest& request, int timeoutMs);
    void accept();

    QString path_;
    QLocalServer server_;
    QString error_;
};

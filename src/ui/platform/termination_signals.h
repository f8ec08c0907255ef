// Termination signals: SIGTERM, SIGINT and SIGHUP (`kill`, Ctrl+C in the
// terminal, the session ending) become a Qt signal in the GUI thread, so
// that the program ends through its normal close instead of dying on the
// spot without saving its settings.
#pragma once

#include <QObject>
#include <csignal>
#include <vector>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; at most one object may exist at a time (the
    // handler reaches it through one process-wide descriptor). When the pipe
    // cannot be made the signals keep their default effect.
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the previous handlers back.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool installed() const { return notifier_ != nullptr; }

Q_SIGNALS:
    // Emitted once, for the first of the signals to arrive. The previous
    // handlers are back in place by then: a second signal while the program
    // is closing has its usual effect, so a close that hangs can still be
    // ended from the terminal.
    void terminationRequested(int signalNumber);

private:
    void onReadable();
    void restoreHandlers();

    int readFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    struct Previous {
        int signalNumber;
        struct sigaction action;
    };
    std::vector<Previous> previous_;
};

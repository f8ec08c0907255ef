#include "platform/termination_signals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe. A signal handler receives nothing but the
// signal's number, so the one place it can find the pipe is a variable of
// the process; it is set while a TerminationSignals object exists and -1
// otherwise. Lock-free, so that reading it in the handler is safe.
std::atomic<int> gWriteFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// Runs on whichever thread the signal hits: only async-signal-safe calls.
// The byte carries the signal's number; a full pipe already holds a
// request, so a failed write loses nothing.
void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const int fd = gWriteFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    int fds[2];
    if (gWriteFd.load() >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    readFd_ = fds[0];
    gWriteFd.store(fds[1]);
    notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);

    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    // Interrupted system calls resume: the rest of the program need not
    // expect EINTR from these signals.
    sa.sa_flags = SA_RESTART;
    for (const int s : kSignals) {
        Previous p{s, {}};
        // A signal ignored from the start (nohup, a background job) stays
        // ignored: whoever started us asked for that.
        if (::sigaction(s, nullptr, &p.action) != 0 || p.action.sa_handler == SIG_IGN) continue;
        if (::sigaction(s, &sa, nullptr) == 0) previous_.push_back(p);
    }
}

TerminationSignals::~TerminationSignals() {
    restoreHandlers();
    if (readFd_ < 0) return;
    const int writeFd = gWriteFd.exchange(-1);
    if (writeFd >= 0) ::close(writeFd);
    ::close(readFd_);
}

void TerminationSignals::restoreHandlers() {
    for (const Previous& p : previous_) ::sigaction(p.signalNumber, &p.action, nullptr);
    previous_.clear();
}

void TerminationSignals::onReadable() {
    unsigned char bytes[16];
    const ssize_t n = ::read(readFd_, bytes, sizeof bytes);
    if (n <= 0) return;
    // One request is enough: further ones while the program closes are the
    // previous handlers' business.
    restoreHandlers();
    notifier_->setEnabled(false);
    Q_EMIT terminationRequested(bytes[0]);
}

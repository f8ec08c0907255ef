// Functions handed from a worker thread to the GUI thread. Qt's queued calls
// order such a hand-over with locks inside Qt's own libraries, which a
// ThreadSanitizer build cannot see; here the functions pass through a
// std::mutex of ours, so that the order is stated in code it checks. The
// queued call that wakes the GUI thread carries no data of ours.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class GuiInbox : public QObject {
    Q_OBJECT
public:
    // Made on the GUI thread; its functions run there.
    explicit GuiInbox(QObject* parent = nullptr);
    // Functions not yet run are dropped.
    ~GuiInbox() override;

    // One shared by threads that may outlive every GUI object: whoever drops
    // the last reference, the inbox is deleted on the GUI thread.
    static std::shared_ptr<GuiInbox> shared();

    // From any thread: `fn` runs on the GUI thread with the next events,
    // after the functions posted before it.
    void post(std::function<void()> fn);

private:
    Q_INVOKABLE void drain();

    std::mutex mutex_;
    std::vector<std::function<void()>> queue_;  // guarded by mutex_
};

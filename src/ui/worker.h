// The program's one worker: jobs run one after another on a single thread
// it owns, and each job's result is handed to the GUI thread. Every piece of
// work that must not block the window (a typesetting run, the tools, the
// statistics, later the batch run) goes through it, so that there is one
// place to wait for before the application object goes away.
#pragma once

#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

#include "gui_inbox.h"

class Worker : public QObject {
    Q_OBJECT
public:
    explicit Worker(QObject* parent = nullptr);
    // Waits for the jobs submitted and drops the results not yet delivered.
    ~Worker() override;

    // Runs `job` on the worker thread; then `done(result)` runs on the GUI
    // thread, unless `context` has been destroyed meanwhile. `job` must not
    // touch widgets; it may read what its submitter keeps unchanged until
    // `done` (copy what may change).
    template <typename Job, typename Done>
    void submit(QObject* context, Job job, Done done) {
        using Result = std::invoke_result_t<Job>;
        if constexpr (std::is_void_v<Result>) {
            submitRaw(context, std::move(job), std::move(done));
        } else {
            auto slot = std::make_shared<std::optional<Result>>();
            submitRaw(
                context, [slot, job = std::move(job)]() mutable { slot->emplace(job()); },
                [slot, done = std::move(done)]() mutable { done(std::move(**slot)); });
        }
    }

    // True from a submission until its result has been delivered.
    bool busy() const { return pending_ > 0; }
    // Blocks until the worker thread has no job left (results that are still
    // queued for the GUI thread arrive with the next events).
    void waitForDone();

Q_SIGNALS:
    void busyChanged(bool busy);

private:
    void submitRaw(QObject* context, std::function<void()> work, std::function<void()> deliver);
    void run();  // the worker thread

    // The thread and its queue are our own (not Qt's thread pool), so that
    // every hand-over between the threads passes through a lock that a
    // ThreadSanitizer build sees; the results come back through `inbox_`.
    std::mutex mutex_;
    std::condition_variable wake_;  // a job was queued, or the worker stops
    std::condition_variable idle_;  // the queue is empty and no job runs
    std::deque<std::function<void()>> jobs_;  // guarded by mutex_
    bool busyThread_ = false;                 // guarded by mutex_
    bool stopping_ = false;                   // guarded by mutex_
    GuiInbox inbox_;
    int pending_ = 0;  // GUI thread only
    std::thread thread_;  // last: it starts once the members above exist
};

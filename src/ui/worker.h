// The program's one worker: jobs run one after another on a single thread
// it owns, and each job's result is handed to the GUI thread. Every piece of
// work that must not block the window (a typesetting run, the tools, the
// statistics, later the batch run) goes through it, so that there is one
// place to wait for before the application object goes away.
#pragma once

#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

class Worker : public QObject {
    Q_OBJECT
public:
    explicit Worker(QObject* parent = nullptr);
    // Waits for the job in progress and drops the results not yet delivered.
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

    QThreadPool pool_;
    int pending_ = 0;  // GUI thread only
};

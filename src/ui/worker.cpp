#include "worker.h"

#include <pthread.h>

Worker::Worker(QObject* parent) : QObject(parent), thread_([this] { run(); }) {
    pthread_setname_np(thread_.native_handle(), "folvane-worker");
}

Worker::~Worker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void Worker::waitForDone() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busyThread_; });
}

void Worker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // stopping, with every job done
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        busyThread_ = true;
        lock.unlock();
        job();
        job = nullptr;  // what the job held goes before the worker counts as idle
        lock.lock();
        busyThread_ = false;
        if (jobs_.empty()) idle_.notify_all();
    }
}

void Worker::submitRaw(QObject* context, std::function<void()> work, std::function<void()> deliver) {
    if (++pending_ == 1) Q_EMIT busyChanged(true);
    QPointer<QObject> receiver(context ? context : this);
    // The result comes back through the inbox of this object: dropped if the
    // worker goes first; the receiver is checked on the GUI thread, where it
    // is deleted.
    auto job = [this, receiver, work = std::move(work), deliver = std::move(deliver)]() mutable {
        work();
        inbox_.post([this, receiver, deliver = std::move(deliver)] {
            if (receiver) deliver();
            if (--pending_ == 0) Q_EMIT busyChanged(false);
        });
    };
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

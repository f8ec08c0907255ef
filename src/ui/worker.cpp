#include "worker.h"

#include <QMetaObject>
#include <QRunnable>
#include <atomic>
#include <memory>

Worker::Worker(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);  // one thread: jobs never overlap
    pool_.setExpiryTimeout(-1);
    pool_.setObjectName(QStringLiteral("folvane-worker"));
}

Worker::~Worker() { pool_.waitForDone(); }

void Worker::waitForDone() { pool_.waitForDone(); }

void Worker::submitRaw(QObject* context, std::function<void()> work, std::function<void()> deliver) {
    if (++pending_ == 1) Q_EMIT busyChanged(true);
    QPointer<QObject> receiver(context ? context : this);
    // The hand-over of the job to the worker thread and of its result back
    // is ordered by Qt's thread pool and event queue; this release/acquire
    // pair states the same order in code that ThreadSanitizer sees (Qt's own
    // libraries are not built with it).
    // Each side publishes after it has written everything the other reads:
    // the job is packed before the release, the delivery after the job.
    auto handover = std::make_shared<std::atomic<int>>(0);
    QRunnable* task = QRunnable::create([this, receiver, handover, work = std::move(work),
                                         deliver = std::move(deliver)]() mutable {
        (void)handover->load(std::memory_order_acquire);
        work();
        auto delivery = [this, receiver, handover, deliver = std::move(deliver)] {
            (void)handover->load(std::memory_order_acquire);
            if (receiver) deliver();
            if (--pending_ == 0) Q_EMIT busyChanged(false);
        };
        handover->store(2, std::memory_order_release);
        // Queued to this object: dropped if the worker is destroyed first;
        // the receiver is checked on the GUI thread, where it is deleted.
        QMetaObject::invokeMethod(this, std::move(delivery), Qt::QueuedConnection);
    });
    handover->store(1, std::memory_order_release);
    pool_.start(task);
}

#include "worker.h"

#include <QMetaObject>

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
    pool_.start([this, receiver, work = std::move(work), deliver = std::move(deliver)]() mutable {
        work();
        // Queued to this object: dropped if the worker is destroyed first;
        // the receiver is checked on the GUI thread, where it is deleted.
        QMetaObject::invokeMethod(
            this,
            [this, receiver, deliver = std::move(deliver)] {
                if (receiver) deliver();
                if (--pending_ == 0) Q_EMIT busyChanged(false);
            },
            Qt::QueuedConnection);
    });
}

#include "gui_inbox.h"

#include <QMetaObject>

GuiInbox::GuiInbox(QObject* parent) : QObject(parent) {}

GuiInbox::~GuiInbox() {
    // Taken under the lock: the last post may have come from another thread.
    std::vector<std::function<void()>> dropped;
    std::lock_guard lock(mutex_);
    dropped.swap(queue_);
}

std::shared_ptr<GuiInbox> GuiInbox::shared() {
    return std::shared_ptr<GuiInbox>(new GuiInbox, [](GuiInbox* inbox) { inbox->deleteLater(); });
}

void GuiInbox::post(std::function<void()> fn) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        wake = queue_.empty();
        queue_.push_back(std::move(fn));
    }
    // One wake-up for the whole batch waiting; called by name, so that the
    // queued call holds nothing written on this thread.
    if (wake) QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
}

void GuiInbox::drain() {
    std::vector<std::function<void()>> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(queue_);
    }
    for (auto& fn : ready) fn();
}

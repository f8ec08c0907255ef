// Functions handed from other threads to the GUI thread through the inbox.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <memory>
#include <thread>
#include <vector>

#include "gui_inbox.h"
#include "ui_support.h"

namespace {

TEST(GuiInbox, FunctionsFromThreadsRunOnTheGuiThreadInTheirOrder) {
    GuiInbox inbox;
    constexpr int kEach = 500;
    std::vector<int> seen;  // written on the GUI thread only
    bool offThread = false;
    QThread* gui = QThread::currentThread();
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                inbox.post([&, value = t * kEach + i] {
                    if (QThread::currentThread() != gui) offThread = true;
                    seen.push_back(value);
                });
        });
    for (auto& t : threads) t.join();
    ASSERT_TRUE(waitUntil([&] { return seen.size() == 2 * kEach; }));
    EXPECT_FALSE(offThread);
    // Each thread's functions in the order it posted them.
    for (int t = 0; t < 2; ++t) {
        int last = -1;
        for (int v : seen)
            if (v / kEach == t) {
                EXPECT_LT(last, v);
                last = v;
            }
    }
}

TEST(GuiInbox, DeletedInboxDropsWhatHasNotRun) {
    auto token = std::make_shared<int>(0);
    bool ran = false;
    auto* inbox = new GuiInbox;
    std::thread([&, token] { inbox->post([&ran, token] { ran = true; }); }).join();
    delete inbox;
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    EXPECT_EQ(token.use_count(), 1);  // the dropped function released what it held
}

TEST(GuiInbox, SharedInboxLetGoOnAThreadIsDeletedOnTheGuiThread) {
    auto inbox = GuiInbox::shared();
    QPointer<GuiInbox> watch(inbox.get());
    bool ran = false;
    std::thread([&ran, inbox = std::move(inbox)]() mutable {
        inbox->post([&ran] { ran = true; });
        inbox.reset();
    }).join();
    ASSERT_TRUE(watch);  // deleted with the next events, not on the thread
    // What was posted before the last reference went still runs first.
    ASSERT_TRUE(waitUntil([&] { return ran; }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(watch);
}

}  // namespace

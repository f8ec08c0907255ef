#include "web/web_import.h"

#include <gtest/gtest.h>

namespace folvane::web {
namespace {

TEST(WebImport, ViewOfEachPhase) {
    struct Case {
        WebImportState state;
        int height;
        bool statusVisible;
        bool inputsEnabled;
        ImportStatus status;
    };
    const Case cases[] = {
        {{ImportPhase::Idle, false}, 107, false, true, ImportStatus::Ready},
        {{ImportPhase::Loading, false}, 138, true, false, ImportStatus::Loading},
        {{ImportPhase::Taking, false}, 138, true, false, ImportStatus::Loading},
        {{ImportPhase::Closed, false}, 138, true, false, ImportStatus::Loading},
        {{ImportPhase::Idle, true}, 138, true, true, ImportStatus::Failed},
    };
    for (const Case& c : cases) {
        const ImportView v = viewOf(c.state);
        const int which = static_cast<int>(&c - cases);
        EXPECT_EQ(v.height, c.height) << which;
        EXPECT_EQ(v.statusVisible, c.statusVisible) << which;
        EXPECT_EQ(v.inputsEnabled, c.inputsEnabled) << which;
        EXPECT_EQ(v.status, c.status) << which;
    }
}

TEST(WebImport, StartNeedsAnAddressAndAnIdleWindow) {
    struct Case {
        ImportPhase phase;
        const char* address;
        bool starts;
    };
    const Case cases[] = {
        {ImportPhase::Idle, "", false},
        {ImportPhase::Idle, "   ", false},
        {ImportPhase::Idle, "\t", false},
        {ImportPhase::Idle, "example.com", true},
        {ImportPhase::Idle, " http://127.0.0.1:1/", true},
        {ImportPhase::Loading, "example.com", false},
        {ImportPhase::Taking, "example.com", false},
        {ImportPhase::Closed, "example.com", false},
    };
    for (const Case& c : cases) {
        WebImportState s{c.phase, false};
        EXPECT_EQ(startImport(s, c.address), c.starts) << c.address;
        EXPECT_EQ(s.phase, c.starts ? ImportPhase::Loading : c.phase) << c.address;
    }
}

struct Event {
    enum Kind { Open, Finished, Failed, Delivered, Close } kind;
    int expected;  // LoadOutcome for Finished/Failed, bool for Delivered
};

TEST(WebImport, SequencesOfEvents) {
    using O = LoadOutcome;
    struct Case {
        const char* name;
        std::vector<Event> events;
        ImportPhase end;
    };
    const auto I = [](O o) { return static_cast<int>(o); };
    const Case cases[] = {
        {"page taken on the first notification",
         {{Event::Open, 0}, {Event::Finished, I(O::TakePage)}, {Event::Delivered, 1}}, ImportPhase::Closed},
        {"a second notification is ignored",
         {{Event::Open, 0}, {Event::Finished, I(O::TakePage)}, {Event::Finished, I(O::Ignore)}, {Event::Delivered, 1}},
         ImportPhase::Closed},
        {"failure returns to idle, a new try can succeed",
         {{Event::Open, 0}, {Event::Failed, I(O::ShowFailure)}, {Event::Delivered, 0}, {Event::Open, 0},
          {Event::Finished, I(O::TakePage)}, {Event::Delivered, 1}},
         ImportPhase::Closed},
        {"closed while loading: nothing reaches the editor",
         {{Event::Open, 0}, {Event::Close, 0}, {Event::Finished, I(O::Ignore)}, {Event::Delivered, 0}},
         ImportPhase::Closed},
        {"closed while the page is being read",
         {{Event::Open, 0}, {Event::Finished, I(O::TakePage)}, {Event::Close, 0}, {Event::Delivered, 0}},
         ImportPhase::Closed},
        {"notification without a load", {{Event::Finished, I(O::Ignore)}, {Event::Delivered, 0}}, ImportPhase::Idle},
        {"a late failure after taking is ignored",
         {{Event::Open, 0}, {Event::Finished, I(O::TakePage)}, {Event::Failed, I(O::Ignore)}}, ImportPhase::Taking},
    };
    for (const Case& c : cases) {
        WebImportState s;
        for (const Event& e : c.events) {
            switch (e.kind) {
            case Event::Open: startImport(s, "http://x/"); break;
            case Event::Finished: EXPECT_EQ(static_cast<int>(onLoadFinished(s, true)), e.expected) << c.name; break;
            case Event::Failed: EXPECT_EQ(static_cast<int>(onLoadFinished(s, false)), e.expected) << c.name; break;
            case Event::Delivered: EXPECT_EQ(onPageDelivered(s), e.expected != 0) << c.name; break;
            case Event::Close: onImportClosed(s); break;
            }
        }
        EXPECT_EQ(s.phase, c.end) << c.name;
    }
}

TEST(WebImport, NewLoadClearsTheFailure) {
    WebImportState s;
    startImport(s, "http://x/");
    onLoadFinished(s, false);
    EXPECT_TRUE(viewOf(s).inputsEnabled);
    startImport(s, "http://y/");
    EXPECT_FALSE(s.lastLoadFailed);
    EXPECT_EQ(viewOf(s).status, ImportStatus::Loading);
}

}  // namespace
}  // namespace folvane::web

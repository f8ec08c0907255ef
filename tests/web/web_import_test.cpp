#include "web/web_import.h"

#include <gtest/gtest.h>

#include "gbtext.h"

namespace folvane::web {
namespace {

using folvane::testing::g;

TEST(WebImport, ViewOfEachPhase) {
    struct Case {
        WebImportState state;
        int height;
        bool statusVisible;
        bool inputsEnabled;
        const char* utf8Status;
    };
    const Case cases[] = {
        {{ImportPhase::Idle, false}, 107, false, true, "已准备就绪"},
        {{ImportPhase::Loading, false}, 138, true, false, "正在读取网页..."},
        {{ImportPhase::Taking, false}, 138, true, false, "正在读取网页..."},
        {{ImportPhase::Idle, true}, 138, true, true, "读取网页失败，请检查网址后重试。"},
    };
    for (const Case& c : cases) {
        const ImportView v = viewOf(c.state);
        EXPECT_EQ(v.height, c.height) << c.utf8Status;
        EXPECT_EQ(v.statusVisible, c.statusVisible) << c.utf8Status;
        EXPECT_EQ(v.inputsEnabled, c.inputsEnabled) << c.utf8Status;
        EXPECT_EQ(v.statusText, g(c.utf8Status));
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
    EXPECT_EQ(viewOf(s).statusText, loadingStatus());
}

}  // namespace
}  // namespace folvane::web

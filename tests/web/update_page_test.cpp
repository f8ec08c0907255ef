#include "web/update_page.h"

#include <gtest/gtest.h>

#include "gbtext.h"

namespace folvane::web {
namespace {

using folvane::testing::g;

TEST(UpdatePage, OnlyTheExactTitleCounts) {
    struct Case {
        const char* utf8Title;
        bool service;
    };
    const Case cases[] = {
        {"Velmora内嵌页", true},
        {"velmora内嵌页", false},
        {"Velmora内嵌页 ", false},
        {" Velmora内嵌页", false},
        {"Velmora", false},
        {"Velmora内嵌页面", false},
        {"", false},
        {"404 Not Found", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isServicePageTitle(g(c.utf8Title)), c.service) << c.utf8Title;
}

TEST(UpdatePage, LoadsDecideVisibilityAndRetry) {
    struct Step {
        bool succeeded;
        const char* utf8Title;
        bool shown;  // pageShown and the view's visibility afterwards
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"service page", {{true, "Velmora内嵌页", true}}},
        {"foreign page", {{true, "Example Domain", false}}},
        {"unreachable service", {{false, "", false}}},
        {"error page with the right title", {{false, "Velmora内嵌页", false}}},
        {"retried until the service answers",
         {{false, "", false}, {true, "Other", false}, {true, "Velmora内嵌页", true}}},
        {"the page navigates away on its own", {{true, "Velmora内嵌页", true}, {true, "Elsewhere", false}}},
    };
    for (const Case& c : cases) {
        UpdatePageState s;
        EXPECT_TRUE(retryOnTick(s)) << c.name << ": hidden at first";
        for (const Step& step : c.steps) {
            onUpdatePageLoaded(s, step.succeeded, g(step.utf8Title));
            EXPECT_EQ(s.pageShown, step.shown) << c.name << " / " << step.utf8Title;
            EXPECT_EQ(s.viewVisible, step.shown) << c.name << " / " << step.utf8Title;
            EXPECT_EQ(retryOnTick(s), !step.shown) << c.name << " / " << step.utf8Title;
        }
    }
}

TEST(UpdatePage, LayoutShowsTheViewOnlyForTheServicePage) {
    UpdatePageState s;
    onUpdatePageLayout(s);
    EXPECT_FALSE(s.viewVisible);
    onUpdatePageLoaded(s, true, servicePageTitle());
    s.viewVisible = false;  // something hid it
    onUpdatePageLayout(s);
    EXPECT_TRUE(s.viewVisible);
    EXPECT_FALSE(retryOnTick(s));
}

}  // namespace
}  // namespace folvane::web

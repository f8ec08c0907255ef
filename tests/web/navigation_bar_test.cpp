#include "web/navigation_bar.h"

#include <gtest/gtest.h>

namespace folvane::web {
namespace {

TEST(NavigationBar, WidthsOfTheWindow) {
    struct Case {
        int clientWidth;
        int outerWidth;
        int pageWidth;
        int adLeft;
        bool adVisible;
    };
    const Case cases[] = {
        {677, 685, 303, 512, true},  // the design size
        {612, 620, 238, 447, true},
        {548, 556, 174, 383, true},  // the narrowest width with the advertisement
        {547, 555, 173, 382, false},
        {538, 546, 164, 373, false},
        {375, 383, 1, 210, false},
        {374, 382, 0, 209, false},   // no room for the page at all
        {200, 208, 0, 35, false},
        {1272, 1280, 898, 1107, true},
    };
    for (const Case& c : cases) {
        const auto g = layoutNavigationBar(NavigationBarState{}, true, c.clientWidth, c.outerWidth);
        EXPECT_EQ(g.pageView, (Rect{382, 6, c.pageWidth, 33})) << c.outerWidth;
        EXPECT_EQ(g.advertisement, (Rect{c.adLeft, 13, 160, 16})) << c.outerWidth;
        EXPECT_EQ(g.advertisementVisible, c.adVisible) << c.outerWidth;
        EXPECT_TRUE(g.framesVisible);
    }
}

TEST(NavigationBar, FrameAroundThePage) {
    const auto g = layoutNavigationBar(NavigationBarState{}, true, 677, 685);
    EXPECT_EQ(g.frames[0], (Rect{376, 3, 8, 37}));
    EXPECT_EQ(g.frames[1], (Rect{379, 37, 9999, 3}));
    EXPECT_EQ(g.frames[2], (Rect{376, 4, 9999, 4}));
}

TEST(NavigationBar, ButtonsReachingPastTheFramePushItRight) {
    struct Case {
        int buttonsRight;
        int frameLeft;
        int pageLeft;
        int pageWidth;
    };
    const Case cases[] = {
        {0, 376, 382, 303},    // no buttons known: the design places
        {374, 376, 382, 303},  // the buttons end just before the frame
        {375, 377, 383, 302},
        {402, 404, 410, 275},  // larger pictures: everything moves by 28
        {690, 692, 698, 0},    // no room left for the page
    };
    for (const Case& c : cases) {
        const auto g = layoutNavigationBar(NavigationBarState{}, true, 677, 685, c.buttonsRight);
        EXPECT_EQ(g.frames[0].left, c.frameLeft) << c.buttonsRight;
        EXPECT_EQ(g.frames[2].left, c.frameLeft) << c.buttonsRight;
        EXPECT_EQ(g.frames[1].left, c.frameLeft + 3) << c.buttonsRight;
        EXPECT_EQ(g.pageView, (Rect{c.pageLeft, 6, c.pageWidth, 33})) << c.buttonsRight;
        EXPECT_EQ(g.advertisement.left, 512) << c.buttonsRight;
    }
}

TEST(NavigationBar, HidingMovesOutOfSightShowingBringsBack) {
    NavigationBarState s;
    moveNavigationBarOutOfSight(s);
    auto g = layoutNavigationBar(s, false, 677, 685);
    EXPECT_FALSE(g.framesVisible);
    EXPECT_EQ(g.pageView.left, 382 + 99999);
    EXPECT_EQ(g.advertisement.top, 99999);
    EXPECT_EQ(g.pageView.width, 303);  // still follows the window

    bringNavigationBarBack(s);
    g = layoutNavigationBar(s, true, 677, 685);
    EXPECT_EQ(g.pageView.left, 382);
    EXPECT_EQ(g.advertisement.top, 13);

    // Hiding twice (the settings toggling a bar the menu already hid) moves
    // the page further out; showing still brings it back to its place.
    moveNavigationBarOutOfSight(s);
    moveNavigationBarOutOfSight(s);
    EXPECT_GT(s.pageViewLeft, 99999);
    bringNavigationBarBack(s);
    EXPECT_EQ(s.pageViewLeft, 382);
}

}  // namespace
}  // namespace folvane::web

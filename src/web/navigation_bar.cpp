#include "web/navigation_bar.h"

namespace folvane::web {

void moveNavigationBarOutOfSight(NavigationBarState& state) {
    state.pageViewLeft += kOutOfSight;
    state.advertisementTop = kOutOfSight;
}

void bringNavigationBarBack(NavigationBarState& state) {
    // Back to the design place inside the frame (376 would lay the view over
    // the frame's left edge).
    state.pageViewLeft = kPageViewLeft;
    state.advertisementTop = kAdvertisementTop;
}

NavigationBarGeometry layoutNavigationBar(const NavigationBarState& state, bool barShown, int clientWidth,
                                          int outerWidth) {
    NavigationBarGeometry g;
    g.framesVisible = barShown;
    g.frames = {Rect{376, 3, 8, 37}, Rect{379, 37, 9999, 3}, Rect{376, 4, 9999, 4}};
    g.pageView = Rect{state.pageViewLeft, 6, clientWidth > 374 ? clientWidth - 374 : 0, 33};
    g.advertisement = Rect{clientWidth - 165, state.advertisementTop, 160, 16};
    g.advertisementVisible = outerWidth >= kAdvertisementMinWindowWidth;
    return g;
}

}  // namespace folvane::web

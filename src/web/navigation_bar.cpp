#include "web/navigation_bar.h"

#include <algorithm>

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
                                          int outerWidth, int buttonsRight) {
    constexpr int kFrameLeft = 376, kGap = 2;
    const int shift = std::max(0, buttonsRight + kGap - kFrameLeft);
    NavigationBarGeometry g;
    g.framesVisible = barShown;
    g.frames = {Rect{kFrameLeft + shift, 3, 8, 37}, Rect{379 + shift, 37, 9999, 3}, Rect{kFrameLeft + shift, 4, 9999, 4}};
    const int viewWidth = clientWidth - 374 - shift;
    g.pageView = Rect{state.pageViewLeft + shift, 6, std::max(viewWidth, 0), 33};
    g.advertisement = Rect{clientWidth - 165, state.advertisementTop, 160, 16};
    g.advertisementVisible = outerWidth >= kAdvertisementMinWindowWidth;
    return g;
}

}  // namespace folvane::web

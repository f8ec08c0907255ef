// Geometry of the navigation bar's own parts beside the toolbar: the
// decorative frame, the embedded update page and the advertisement label.
#pragma once

#include <array>

namespace folvane::web {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

inline constexpr int kPageViewLeft = 382;
inline constexpr int kAdvertisementTop = 13;
inline constexpr int kOutOfSight = 99999;
// Below this outer window width the advertisement label is hidden.
inline constexpr int kAdvertisementMinWindowWidth = 556;

// Where hiding the bar moved the page view and the label; the bar's
// visibility itself is the check mark of "显示导航按钮".
struct NavigationBarState {
    int pageViewLeft = kPageViewLeft;
    int advertisementTop = kAdvertisementTop;
};

// Hiding moves the page view 99,999 pixels to the right of where it is and
// the label down to 99,999, out of sight but not hidden; showing brings
// both back to their design places.
void moveNavigationBarOutOfSight(NavigationBarState& state);
void bringNavigationBarBack(NavigationBarState& state);

struct NavigationBarGeometry {
    bool framesVisible = false;  // the toolbar and the three frame labels
    std::array<Rect, 3> frames{};
    Rect pageView;
    Rect advertisement;
    bool advertisementVisible = false;
};

// The layout for a client width W and an outer width w. The page view is
// W - 374 wide (none in a window too narrow for it). `buttonsRight` is the
// right edge of the toolbar's last button: where the desktop's pictures or
// font make the buttons reach past the frame's design place, the frame, the
// page view and its width move right by the difference, so that no button
// sits under the frame.
NavigationBarGeometry layoutNavigationBar(const NavigationBarState& state, bool barShown, int clientWidth,
                                          int outerWidth, int buttonsRight = 0);

}  // namespace folvane::web

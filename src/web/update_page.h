// The update page's decisions: whether a loaded page is the service's own,
// when the view shows, and when the request is repeated.
#pragma once

#include <string_view>

namespace folvane::web {

// The title (GB18030) that marks the service's own page: "Velmora内嵌页".
std::string_view servicePageTitle();
// Exactly that title: no other case, no surrounding spaces.
bool isServicePageTitle(std::string_view gbTitle);

struct UpdatePageState {
    bool pageShown = false;    // the last loaded page was the service's
    bool viewVisible = false;  // the view's own visibility (not its window's)
};

// A page has finished loading: a page that failed to load is never the
// service's, whatever title the engine gives its error page.
void onUpdatePageLoaded(UpdatePageState& state, bool loadSucceeded, std::string_view gbTitle);

// The layout makes the view visible again while the page is the service's.
void onUpdatePageLayout(UpdatePageState& state);

// A tick of the retry timer requests the page again while the view is not
// visible. Moving the view out of sight with the navigation bar does not
// hide it, so a page that was shown is not requested again.
bool retryOnTick(const UpdatePageState& state);

}  // namespace folvane::web

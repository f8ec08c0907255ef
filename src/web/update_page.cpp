#include "web/update_page.h"

namespace folvane::web {

std::string_view servicePageTitle() {
    // "Velmora内嵌页" in GB18030.
    static constexpr char kTitle[] = "Velmora\xC4\xDA\xC7\xB6\xD2\xB3";
    return {kTitle, sizeof kTitle - 1};
}

bool isServicePageTitle(std::string_view gbTitle) { return gbTitle == servicePageTitle(); }

void onUpdatePageLoaded(UpdatePageState& state, bool loadSucceeded, std::string_view gbTitle) {
    state.pageShown = loadSucceeded && isServicePageTitle(gbTitle);
    state.viewVisible = state.pageShown;
}

void onUpdatePageLayout(UpdatePageState& state) {
    if (state.pageShown) state.viewVisible = true;
}

bool retryOnTick(const UpdatePageState& state) { return !state.viewVisible; }

}  // namespace folvane::web

#include "web/web_import.h"

namespace folvane::web {

ImportView viewOf(const WebImportState& state) {
    ImportView v;
    switch (state.phase) {
    case ImportPhase::Idle:
        if (state.lastLoadFailed) {
            v.height = 138;
            v.statusVisible = true;
            v.status = ImportStatus::Failed;
        }
        break;
    case ImportPhase::Loading:
    case ImportPhase::Taking:
    case ImportPhase::Closed:
        v.height = 138;
        v.statusVisible = true;
        v.inputsEnabled = false;
        v.status = ImportStatus::Loading;
        break;
    }
    return v;
}

bool startImport(WebImportState& state, std::string_view address) {
    if (state.phase != ImportPhase::Idle) return false;
    if (address.find_first_not_of(" \t") == std::string_view::npos) return false;
    state.phase = ImportPhase::Loading;
    state.lastLoadFailed = false;
    return true;
}

LoadOutcome onLoadFinished(WebImportState& state, bool succeeded) {
    if (state.phase != ImportPhase::Loading) return LoadOutcome::Ignore;
    if (!succeeded) {
        state.phase = ImportPhase::Idle;
        state.lastLoadFailed = true;
        return LoadOutcome::ShowFailure;
    }
    state.phase = ImportPhase::Taking;
    return LoadOutcome::TakePage;
}

bool onPageDelivered(WebImportState& state) {
    if (state.phase != ImportPhase::Taking) return false;
    state.phase = ImportPhase::Closed;
    return true;
}

void onImportClosed(WebImportState& state) { state.phase = ImportPhase::Closed; }

}  // namespace folvane::web

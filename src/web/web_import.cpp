#include "web/web_import.h"

namespace folvane::web {

std::string_view readyStatus() { return "\xD2\xD1\xD7\xBC\xB1\xB8\xBE\xCD\xD0\xF7"; }
std::string_view loadingStatus() { return "\xD5\xFD\xD4\xDA\xB6\xC1\xC8\xA1\xCD\xF8\xD2\xB3..."; }
std::string_view failedStatus() {
    // "读取网页失败，请检查网址后重试。"
    return "\xB6\xC1\xC8\xA1\xCD\xF8\xD2\xB3\xCA\xA7\xB0\xDC\xA3\xAC\xC7\xEB\xBC\xEC\xB2\xE9\xCD\xF8\xD6\xB7"
           "\xBA\xF3\xD6\xD8\xCA\xD4\xA1\xA3";
}

ImportView viewOf(const WebImportState& state) {
    ImportView v;
    switch (state.phase) {
    case ImportPhase::Idle:
        if (state.lastLoadFailed) {
            v.height = 138;
            v.statusVisible = true;
            v.statusText = failedStatus();
        } else {
            v.statusText = readyStatus();
        }
        break;
    case ImportPhase::Loading:
    case ImportPhase::Taking:
    case ImportPhase::Closed:
        v.height = 138;
        v.statusVisible = true;
        v.inputsEnabled = false;
        v.statusText = loadingStatus();
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

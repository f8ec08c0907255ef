// The decisions of the window that imports a web page into the editor:
// idle, loading, and what a finished load does.
#pragma once

#include <string_view>

namespace folvane::web {

enum class ImportMode { RenderedText, FullHtml };

enum class ImportPhase {
    Idle,     // the address can be typed; after a failed load the status tells so
    Loading,  // waiting for the document to complete
    Taking,   // the page's text or HTML has been asked for
    Closed,   // the window is gone or going: nothing more reaches the editor
};

struct WebImportState {
    ImportPhase phase = ImportPhase::Idle;
    bool lastLoadFailed = false;
};

// What the status label says; the window gives each its caption.
enum class ImportStatus {
    Ready,    // the design text, while the label is out of sight
    Loading,  // the page is being read
    Failed,   // the last load failed
};

// What the window shows for a state.
struct ImportView {
    int height = 107;            // 107 idle, 138 while a page loads or a failure is told
    bool statusVisible = false;  // the status label
    bool inputsEnabled = true;   // the address box and "打开"
    ImportStatus status = ImportStatus::Ready;
};

ImportView viewOf(const WebImportState& state);

// "打开": true when navigation is to start. An address of nothing but spaces
// starts none, like an empty one; loading does not start twice.
bool startImport(WebImportState& state, std::string_view address);

enum class LoadOutcome {
    Ignore,      // not waiting for a document (a later notification, or closed)
    TakePage,    // ask the engine for the text or HTML in the chosen mode
    ShowFailure  // back to idle: the editor is left alone
};

// The engine reports a finished load. Only the first one while loading
// counts; a failed load never reaches the editor.
LoadOutcome onLoadFinished(WebImportState& state, bool succeeded);

// The engine has delivered the page's text or HTML: true when it is to
// replace the editor text (the window then closes).
bool onPageDelivered(WebImportState& state);

// The window closes: whatever arrives afterwards is dropped.
void onImportClosed(WebImportState& state);

}  // namespace folvane::web

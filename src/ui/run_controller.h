// The typesetting run: exactly one at a time, whoever starts it (the menu,
// F5, toolbar button 10, the context menu, ALT+Q, the clipboard watch, the
// batch window). The run itself works on the application's worker; its
// progress and end are reported as signals on the GUI thread.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "editor/editor_text.h"
#include "engine/document_typeset.h"
#include "engine/progress.h"
#include "engine/run_context.h"
#include "engine/typeset_options.h"

class QTextDocument;
class FolvaneApp;

// The result of an editor run: the typeset text (GB18030, "\r\n", in the
// form the editor's history keeps) and a finished editor document of it,
// both built on the worker so that even a text of many megabytes does not
// block the window.
struct EditorRunResult {
    folvane::editor::EditorText text;
    std::unique_ptr<QTextDocument> document;  // lives on the GUI thread
    // A run on a selection: where the typeset passage now stands (editor units).
    int selectionStart = -1;
    int selectionEnd = -1;
    // The whole text before and after the run (GB18030), for the view of
    // what it changed.
    std::shared_ptr<const std::string> before, after;
};

// The part of the editor's text a run works on: all of it, or the editor
// units [start, end) of a selection.
struct RunRange {
    int start = 0;
    int end = -1;  // -1: the whole text
    bool whole() const { return end < 0; }
};

class RunController : public QObject {
    Q_OBJECT
public:
    explicit RunController(FolvaneApp& app);

    bool running() const { return running_; }

    // The interactive run of the main window: counts the run, resets the
    // quote pairing and typesets `editorText` (Qt form) with a copy of the
    // options; `done` receives the result on the GUI thread unless `context`
    // is gone. False, and nothing happens, while a run is in progress.
    //
    // With a selection (`range` not whole) only that passage is typeset, as
    // an article of its own with a fresh quote pairing but without the head
    // and tail signatures (which belong to a whole article) and without
    // touching the signatures the last whole-text run remembers; the rest
    // of the text stays as it is.
    //
    // A Markdown document (`format`) is typeset in Markdown mode: its prose
    // is corrected, every other byte kept.
    bool startEditorRun(std::string editorText, const QFont& editorFont, QObject* context,
                        std::function<void(EditorRunResult)> done, RunRange range = {},
                        folvane::engine::DocumentFormat format = folvane::engine::DocumentFormat::Text);

    // Any other kind of run (the batch window): `job` runs on the worker with
    // copies of the options and of the run context as they are now, and the
    // progress reporter of this controller; when it ends, the application's
    // run context takes the run's state from the copy (takeRunState), then
    // `done` runs on the GUI thread unless `context` is gone. False while a
    // run is in progress.
    using Job = std::function<void(const folvane::engine::TypesetOptions&, folvane::engine::RunContext&,
                                   folvane::engine::TypesetProgress&)>;
    bool startRun(QObject* context, Job job, std::function<void()> done);

Q_SIGNALS:
    void runStarted();
    // After the `done` of the run: the controller is free again.
    void runFinished();
    // The pipeline's reports, on the GUI thread.
    void phase(const QString& label);
    void progressHidden();
    void progressPosition(int position);

private:
    FolvaneApp& app_;
    bool running_ = false;
};

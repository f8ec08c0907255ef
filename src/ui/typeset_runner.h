// Runs one typesetting pipeline call on a worker thread and reports its
// progress and result on the GUI thread (queued signals). The worker also
// converts the editor's text and builds the editor document of the result,
// so that even a text of many megabytes never blocks the window for long.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>

#include "editor/editor_text.h"
#include "engine/run_context.h"
#include "engine/typeset_options.h"

class QTextDocument;
class QThread;

class TypesetRunner : public QObject {
    Q_OBJECT
public:
    explicit TypesetRunner(QObject* parent = nullptr);
    ~TypesetRunner() override;

    // Starts typesetting the editor's `text` (GB18030) with a copy of `options`;
    // `context` must outlive the run and is not to be touched meanwhile.
    // `before` runs first on the worker (the run counter). False when a run
    // is already in progress.
    bool start(std::string text, const folvane::engine::TypesetOptions& options, folvane::engine::RunContext* context,
               QFont editorFont, std::function<void()> before = {});
    bool busy() const { return busy_; }
    // Waits for a run in progress to end (used when the window closes).
    void wait();

    // The core's copy of the text of the last finished run's document.
    folvane::editor::EditorText takeResult() { return std::move(result_); }

Q_SIGNALS:
    void phase(const QString& label);
    void progressHidden();
    void progressPosition(int position);
    // The editor document of the typeset text, which now belongs to the
    // receiver and lives on the GUI thread; takeResult() gives its text.
    void finished(QTextDocument* document);

private:
    QThread* thread_ = nullptr;
    std::atomic<bool> busy_{false};
    folvane::editor::EditorText result_;
};

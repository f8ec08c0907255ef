#include "run_controller.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTextDocument>
#include <QThread>

#include "engine/document_typeset.h"
#include "engine/typeset.h"
#include "folvane_app.h"
#include "settings/settings_lifecycle.h"
#include "editor_bridge.h"
#include "text_bridge.h"
#include "worker.h"

namespace {

// Forwards the pipeline's reports as signals; emitted on the worker, they
// reach their receivers queued on the GUI thread.
class SignalProgress final : public folvane::engine::TypesetProgress {
public:
    explicit SignalProgress(RunController* runs) : runs_(runs) {}
    void phase(std::string_view label) override { Q_EMIT runs_->phase(qtFromGb(label)); }
    void hideMainProgress() override { Q_EMIT runs_->progressHidden(); }
    void mainPosition(int position) override { Q_EMIT runs_->progressPosition(position); }

private:
    RunController* runs_;
};

}  // namespace

RunController::RunController(FolvaneApp& app) : QObject(&app), app_(app) {}

bool RunController::startRun(QObject* context, Job job, std::function<void()> done) {
    if (running_) return false;
    running_ = true;
    Q_EMIT runStarted();
    // The run owns copies of the options and of the run context; the GUI
    // thread may change the originals meanwhile. The context comes back
    // when the run ends, before `done`.
    const folvane::engine::TypesetOptions options = app_.options();
    auto runContext = std::make_shared<folvane::engine::RunContext>(app_.runContext());
    QPointer<QObject> receiver(context);
    app_.worker().submit(
        this,
        [this, job = std::move(job), options, runContext] {
            SignalProgress progress(this);
            job(options, *runContext, progress);
        },
        [this, receiver, runContext, done = std::move(done)] {
            folvane::engine::takeRunState(app_.runContext(), *runContext);
            if (receiver && done) done();
            running_ = false;
            Q_EMIT runFinished();
        });
    return true;
}

namespace {

// Typesets the units [range.start, range.end) of `text` as a passage of its
// own and returns the whole text with the result in its place.
QString typesetPassage(const std::string& text, RunRange range, folvane::engine::DocumentFormat format,
                       const folvane::engine::TypesetOptions& options, const folvane::engine::RunContext& shared,
                       folvane::engine::TypesetProgress& progress, EditorRunResult& result) {
    QString all = toQt(text);
    const int start = std::clamp(range.start, 0, static_cast<int>(all.size()));
    const int end = std::clamp(range.end, start, static_cast<int>(all.size()));
    folvane::engine::RunContext passage;
    passage.clock = shared.clock;
    passage.scriptConverter = shared.scriptConverter;
    const std::string selected = fromQt(all.mid(start, end - start));
    const QString out = toQt(format == folvane::engine::DocumentFormat::Markdown
                                 ? folvane::engine::typesetMarkdown(selected, options, passage)
                                 : folvane::engine::typesetText(selected, {}, false, options, passage, &progress));
    result.selectionStart = start;
    result.selectionEnd = start + static_cast<int>(out.size());
    all.replace(start, end - start, out);
    return all;
}

}  // namespace

bool RunController::startEditorRun(std::string editorText, const QFont& editorFont, QObject* context,
                                   std::function<void(EditorRunResult)> done, RunRange range,
                                   folvane::engine::DocumentFormat format) {
    if (running_) return false;
    app_.runContext().quotes.reset();
    std::function<void()> countRun;
    if (app_.store()) countRun = [store = *app_.store()] { folvane::settings::bumpRunCounter(store); };
    auto result = std::make_shared<EditorRunResult>();
    QThread* gui = QCoreApplication::instance()->thread();
    QPointer<QObject> receiver(context);
    return startRun(
        this,
        [text = std::move(editorText), editorFont, countRun, result, gui, range, format](
            const folvane::engine::TypesetOptions& options, folvane::engine::RunContext& runContext,
            folvane::engine::TypesetProgress& progress) mutable {
            if (countRun) countRun();
            QString units;
            if (range.whole()) {
                std::string out = format == folvane::engine::DocumentFormat::Markdown
                                      ? folvane::engine::typesetMarkdown(text, options, runContext)
                                      : folvane::engine::typesetText(text, {}, false, options, runContext, &progress);
                units = toQt(out);
                result->after = std::make_shared<const std::string>(std::move(out));
            } else {
                units = typesetPassage(text, range, format, options, runContext, progress, *result);
                result->after = std::make_shared<const std::string>(fromQt(units));
            }
            result->before = std::make_shared<const std::string>(std::move(text));
            PreparedText prepared = EditorBridge::prepare(std::move(units), editorFont);
            result->document.reset(prepared.document);
            result->document->moveToThread(gui);
            result->text = std::move(prepared.text);
        },
        [receiver, result, done = std::move(done)] {
            if (receiver && done) done(std::move(*result));
        });
}

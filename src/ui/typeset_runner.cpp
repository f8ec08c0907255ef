#include "typeset_runner.h"

#include <QCoreApplication>
#include <QTextDocument>
#include <QThread>

#include "engine/typeset.h"
#include "editor_bridge.h"
#include "text_bridge.h"

namespace {

// Forwards the pipeline's reports as signals; emitted from the worker, they
// reach the window queued on its own thread.
class SignalProgress final : public folvane::engine::TypesetProgress {
public:
    explicit SignalProgress(TypesetRunner* runner) : runner_(runner) {}
    void phase(std::string_view label) override { Q_EMIT runner_->phase(qtFromGb(label)); }
    void hideMainProgress() override { Q_EMIT runner_->progressHidden(); }
    void mainPosition(int position) override { Q_EMIT runner_->progressPosition(position); }

private:
    TypesetRunner* runner_;
};

}  // namespace

TypesetRunner::TypesetRunner(QObject* parent) : QObject(parent) {}

TypesetRunner::~TypesetRunner() { wait(); }

bool TypesetRunner::start(std::string text, const folvane::engine::TypesetOptions& options,
                          folvane::engine::RunContext* context, QFont editorFont, std::function<void()> before) {
    if (busy_.exchange(true)) return false;
    QThread* gui = QCoreApplication::instance()->thread();
    thread_ = QThread::create([this, text = std::move(text), options, context, editorFont, before, gui]() mutable {
        if (before) before();
        SignalProgress progress(this);
        std::string out = folvane::engine::typesetText(text, {}, false, options, *context, &progress);
        std::string().swap(text);
        const QString units = toQt(out);
        std::string().swap(out);
        PreparedText prepared = EditorBridge::prepare(units, editorFont);
        prepared.document->moveToThread(gui);
        result_ = std::move(prepared.text);
        Q_EMIT finished(prepared.document);
    });
    // The result is handled on the GUI thread before the runner is free again.
    connect(thread_, &QThread::finished, this, [this] { busy_ = false; });
    connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
    connect(thread_, &QThread::destroyed, this, [this](QObject* t) {
        if (thread_ == t) thread_ = nullptr;
    });
    thread_->start();
    return true;
}

void TypesetRunner::wait() {
    if (thread_) thread_->wait();
}

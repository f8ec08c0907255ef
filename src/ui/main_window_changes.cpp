// MainWin: "查看排版改动" — the comparison of the last run's input and
// result, made on the worker and shown in the ChangesWindow.
#include <QAction>
#include <QLabel>
#include <QTextDocument>
#include <QThread>

#include "changes_window.h"
#include "editor/text_diff.h"
#include "editor_bridge.h"
#include "editor_widget.h"
#include "main_window.h"
#include "text_bridge.h"
#include "worker.h"

namespace {

struct Comparison {
    std::unique_ptr<QTextDocument> before, after;  // moved to the GUI thread
    std::vector<folvane::editor::TextChange> changes;
};

std::u16string_view unitsOf(const QString& s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

}  // namespace

ChangesWindow* MainWin::changesWindow() const { return changesWindow_.data(); }

void MainWin::showRunChanges() {
    if (!runBefore_ || !runAfter_) return;
    if (!changesWindow_) changesWindow_ = new ChangesWindow(this);
    changesWindow_->show();
    changesWindow_->raise();
    changesWindow_->activateWindow();
    if (comparedRun_ == runSerial_) return;  // it shows this run already
    comparedRun_ = runSerial_;
    QThread* gui = thread();
    const QFont font = editor_->font();
    app_.worker().submit(
        changesWindow_.data(),
        [before = runBefore_, after = runAfter_, font, gui] {
            // The texts as the editor holds them ("\n" line ends), so that the
            // places found are positions in the documents shown.
            QString b = toQt(*before), a = toQt(*after);
            auto result = std::make_shared<Comparison>();
            result->changes = folvane::editor::diffTexts(unitsOf(b), unitsOf(a));
            for (auto [units, doc] : {std::pair{&b, &result->before}, std::pair{&a, &result->after}}) {
                if (units->size() >= EditorBridge::kLargeText) groupLines(*units);  // positions stay
                doc->reset(EditorBridge::prepareDocument(*units, font));
                (*doc)->moveToThread(gui);
            }
            return result;
        },
        [window = changesWindow_](std::shared_ptr<Comparison> r) {
            if (window) window->showComparison(r->before.release(), r->after.release(), std::move(r->changes));
        });
}

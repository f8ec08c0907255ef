// MainWin: the editor's text as the core sees it, and the interactive run.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPointer>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QGroupBox>

#include "editor_bridge.h"
#include "editor_widget.h"
#include "main_window.h"
#include "settings/settings_lifecycle.h"
#include "desktop_controller.h"
#include "run_controller.h"
#include "text_bridge.h"

// ------------------------------------------------------------- text access

std::string MainWin::editorText() const { return bridge_->text(); }

void MainWin::setEditorText(std::string_view gbText) {
    QString units = toQt(gbText);
    folvane::editor::EditorText text;
    if (units.size() >= EditorBridge::kLargeText) {
        // A detached document takes a long text faster than the laid-out editor.
        PreparedText prepared = EditorBridge::prepare(std::move(units), editor_->font());
        installDocument(prepared.document);
        text = std::move(prepared.text);
    } else {
        text = bridge_->setTextQuietly(units);
    }
    document_.replaced(std::move(text), editor_->textCursor().position());
    afterChange();
    afterTextReplaced();
}

void MainWin::installDocument(QTextDocument* document) {
    // The find panel's marks point into the old document, which is freed on
    // the worker: they go first, and are made again for the new one.
    editor_->setExtraSelections({});
    findTextChanged();
    bridge_->installQuietly(document);
    applyWordWrap();  // the wrap mode lives in the document's options
    afterTextReplaced();
}

void MainWin::replaceInBackground(std::function<QString(folvane::editor::Caret&)> produce,
                                  folvane::editor::Caret caret) {
    editor_->setEnabled(false);
    auto moved = std::make_shared<folvane::editor::Caret>(caret);
    const auto onWorker = [produce = std::move(produce), moved] { return produce(*moved); };
    const bool started = bridge_->prepareInBackground(onWorker, [this, moved](PreparedText prepared) {
        const folvane::editor::Caret caret = *moved;
        editor_->setEnabled(true);
        installDocument(prepared.document);
        document_.replaced(std::move(prepared.text), caret);
        afterChange();
        QTextCursor c = editor_->textCursor();
        c.setPosition(static_cast<int>(std::clamp<folvane::editor::Caret>(caret, 0, editor_->document()->characterCount() - 1)));
        editor_->setTextCursor(c);
        updateSelectionButtons();
        editor_->setFocus();
    });
    if (!started) editor_->setEnabled(true);
}

void MainWin::afterTextReplaced() { updateSelectionButtons(); }

// --------------------------------------------------------------- the run

void MainWin::setActivity(folvane::engine::Activity activity) {
    const folvane::engine::BusyControls c = folvane::engine::busyControls(activity);
    running_ = activity == folvane::engine::Activity::Typesetting;
    toolRunning_ = activity == folvane::engine::Activity::Tool;
    action(Command::Run)->setEnabled(c.runCommand);  // also button 10 and "开始排版"
    editor_->setEnabled(c.editor);
    findPanel_->setEnabled(c.findPanel);
    action(Command::Signatures)->setEnabled(c.signatures);
    for (Command t : {Command::DeleteHeadSpaces, Command::ToTraditional, Command::ToSimplified, Command::Statistics})
        action(t)->setEnabled(c.tools);
}

RunRange MainWin::selectionRange() const {
    const QTextCursor c = editor_->textCursor();
    if (!c.hasSelection()) return {};
    return RunRange{c.selectionStart(), c.selectionEnd()};
}

void MainWin::startTypesetting(RunRange range) {
    // A trigger that arrives while a run or a tool is in progress, or while
    // a large text is being prepared, is ignored: two jobs never work on
    // the editor at the same time.
    if (editorBusy() || refusedWhileHidden()) return;
    const bool started = app_.runs().startEditorRun(
        editorText(), editor_->font(), this, [this](EditorRunResult r) { onRunFinished(std::move(r)); }, range,
        document_.documentFormat());
    if (!started) return;
    progressLabel_->setText(QStringLiteral("\n正在从编辑器中读取文本"));
    progressLabel_->show();
    progressLabel_->raise();
    progressBar_->show();
    progressBar_->raise();
    setActivity(folvane::engine::Activity::Typesetting);
    runClock_.start();
    statusParts_[0]->setText(QStringLiteral("正在排版，稍等……"));
    progressBar_->setRange(0, 0);
    progressBar_->setValue(0);
    progressBar_->setRange(0, 200);
}

void MainWin::onRunFinished(EditorRunResult result) {
    // The result replaces the editor's text as one recorded change; the
    // worker has already built its document and its GB18030 copy, so nothing
    // here costs a pass over a large text but the history's comparison.
    installDocument(result.document.release());
    document_.replaced(std::move(result.text), editor_->textCursor().position());
    afterChange();
    setActivity(folvane::engine::Activity::Idle);
    runBefore_ = std::move(result.before);
    runAfter_ = std::move(result.after);
    ++runSerial_;
    action(Command::ShowChanges)->setEnabled(runBefore_ && runAfter_);
    const auto& options = app_.options();
    // Through the desktop controller: in the background on Wayland only the
    // data-control protocol can set the clipboard.
    if (options.copyAfter) desktop_->setClipboardText(editor_->toPlainText());
    if (options.cutAfter) {
        desktop_->setClipboardText(editor_->toPlainText());
        setEditorText({});
    }
    statusParts_[0]->setText(QStringLiteral("就绪"));
    statusParts_[1]->setText(QStringLiteral("排版耗时%1毫秒").arg(runClock_.elapsed()));
    progressLabel_->hide();
    progressBar_->hide();
    if (options.minimizeAfter) showMinimized();
    // Copy-is-typeset: re-armed on the clipboard as the run left it.
    desktop_->finishRun(options.copyAfter || options.cutAfter);
    editor_->setFocus();
    QTextCursor c = editor_->textCursor();
    if (result.selectionStart >= 0 && !options.cutAfter) {
        // A typeset selection stays selected, as the passage it now is.
        const int last = editor_->document()->characterCount() - 1;
        c.setPosition(std::min(result.selectionStart, last));
        c.setPosition(std::min(result.selectionEnd, last), QTextCursor::KeepAnchor);
    } else {
        c.setPosition(0);
    }
    editor_->setTextCursor(c);
    Q_EMIT typesettingFinished();
}

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
#include "text_bridge.h"
#include "typeset_runner.h"

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
    bridge_->installQuietly(document);
    toggleWordWrap();  // the wrap mode lives in the document's options
    afterTextReplaced();
}

void MainWin::replaceInBackground(std::function<QString()> produce, folvane::editor::Caret caret) {
    editor_->setEnabled(false);
    const bool started = bridge_->prepareInBackground(std::move(produce), [this, caret](PreparedText prepared) {
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

void MainWin::setBusy(bool busy) {
    running_ = busy;
    action(Command::Run)->setEnabled(!busy);
    action(Command::ContextRun)->setEnabled(!busy);
    toolButtons_[kToolRun]->setEnabled(!busy);
    findPanel_->setEnabled(!busy);
    // The worker reads the signature templates: they are not edited meanwhile.
    action(Command::Signatures)->setEnabled(!busy);
}

void MainWin::startTypesetting() {
    // A trigger that arrives while a run is in progress is ignored: two runs
    // never work on the editor at the same time.
    if (running_ || toolRunning_ || runner_->busy() || bridge_->preparing()) return;
    progressLabel_->setText(QStringLiteral("\n正在从编辑器中读取文本"));
    progressLabel_->show();
    progressLabel_->raise();
    progressBar_->show();
    progressBar_->raise();
    setBusy(true);
    editor_->setEnabled(false);
    runClock_.start();
    statusParts_[0]->setText(QStringLiteral("正在排版，稍等……"));
    progressBar_->setRange(0, 0);
    progressBar_->setValue(0);

    progressBar_->setRange(0, 200);
    runContext_.quotes.reset();
    std::function<void()> countRun;
    if (store_) countRun = [store = *store_] { folvane::settings::bumpRunCounter(store); };
    runner_->start(editorText(), options_, &runContext_, editor_->font(), countRun);
}

void MainWin::onRunFinished(QTextDocument* document) {
    // The result replaces the editor's text as one recorded change; the
    // worker has already built its document and its GB18030 copy, so nothing
    // here costs a pass over a large text but the history's comparison.
    installDocument(document);
    document_.replaced(runner_->takeResult(), editor_->textCursor().position());
    afterChange();
    editor_->setEnabled(true);
    if (options_.copyAfter) QApplication::clipboard()->setText(editor_->toPlainText());
    if (options_.cutAfter) {
        QApplication::clipboard()->setText(editor_->toPlainText());
        setEditorText({});
    }
    statusParts_[0]->setText(QStringLiteral("就绪"));
    statusParts_[1]->setText(QStringLiteral("排版耗时%1毫秒").arg(runClock_.elapsed()));
    progressLabel_->hide();
    progressBar_->hide();
    setBusy(false);
    if (options_.minimizeAfter) showMinimized();
    editor_->setFocus();
    QTextCursor c = editor_->textCursor();
    c.setPosition(0);
    editor_->setTextCursor(c);
    Q_EMIT typesettingFinished();
}

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

#include "editor_widget.h"
#include "main_window.h"
#include "settings/settings_lifecycle.h"
#include "desktop_controller.h"
#include "run_controller.h"
#include "text_bridge.h"

// ------------------------------------------------------------- text access

std::string MainWin::editorText() const { return fromQt(editor_->toPlainText()); }

void MainWin::setEditorText(std::string_view gbText) {
    {
        const QSignalBlocker quiet(editor_);
        editor_->setPlainText(toQt(gbText));
    }
    recordChange(std::string(gbText));
    afterTextReplaced();
}

void MainWin::installDocument(QTextDocument* document) {
    QPointer<QTextDocument> old = editor_->document();
    document->setParent(editor_);
    {
        const QSignalBlocker quiet(editor_);
        editor_->setDocument(document);
    }
    toggleWordWrap();  // the wrap mode lives in the document's options
    if (old && old != document) old->deleteLater();
    afterTextReplaced();
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

void MainWin::startTypesetting() {
    // A trigger that arrives while a run or a tool is in progress is
    // ignored: two jobs never work on the editor at the same time.
    if (running_ || toolRunning_ || app_.runs().running()) return;
    const bool started = app_.runs().startEditorRun(editor_->toPlainText(), editor_->font(), this,
                                                    [this](EditorRunResult r) { onRunFinished(std::move(r)); });
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
    // worker has already converted it, so nothing here costs a pass over a
    // large text but the history's comparison.
    installDocument(result.document.release());
    recordChange(std::string(result.text.constData(), static_cast<std::size_t>(result.text.size())));
    setActivity(folvane::engine::Activity::Idle);
    const auto& options = app_.options();
    if (options.copyAfter) QApplication::clipboard()->setText(editor_->toPlainText());
    if (options.cutAfter) {
        QApplication::clipboard()->setText(editor_->toPlainText());
        setEditorText({});
    }
    statusParts_[0]->setText(QStringLiteral("就绪"));
    statusParts_[1]->setText(QStringLiteral("排版耗时%1毫秒").arg(runClock_.elapsed()));
    progressLabel_->hide();
    progressBar_->hide();
    if (options.minimizeAfter) showMinimized();
    // Copy-is-typeset: re-armed on the clipboard as the run left it.
    desktop_->finishRun();
    editor_->setFocus();
    QTextCursor c = editor_->textCursor();
    c.setPosition(0);
    editor_->setTextCursor(c);
    Q_EMIT typesettingFinished();
}

// MainWin: the editor's side of the document — what depends on the text
// after a change, showing Undo and Redo, and putting opened files into the
// editor. The flow of New, Open and Save is the DocumentController's.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>

#include "editor_bridge.h"
#include "editor_widget.h"
#include "main_window.h"
#include "text/file_io.h"
#include "text_bridge.h"

// The change itself has been recorded already: the bridge reports every
// edit of the editor's document to the history as it happens.
void MainWin::onEditorTextChanged() { afterChange(); }

void MainWin::afterChange() {
    statusParts_[3]->setText(qtFromGb(folvane::editor::lengthStatus(document_.text().size())));
    refreshDocumentState();
    // A text put in place quietly (a replacement, Undo, a run) counts the
    // matches of the find panel anew, as an edit does.
    findTextChanged();
}

void MainWin::onCursorMoved() {
    document_.selectionChanged(editor_->textCursor().position());
    updateSelectionButtons();
}

void MainWin::refreshDocumentState() {
    // The title holds the file name as the file system spells it.
    setWindowTitle(QFile::decodeName(QByteArray::fromStdString(document_.title())));
    const bool canUndo = document_.canUndo(), canRedo = document_.canRedo();
    action(Command::Undo)->setEnabled(canUndo);  // also toolbar button 7 and "撤销(&Z)"
    action(Command::Redo)->setEnabled(canRedo);
    statusParts_[2]->setText(document_.savedIndicator() ? QString() : QStringLiteral("已修改"));
}

void MainWin::showView(const folvane::editor::EditorView& view) {
    {
        // As when the whole text is put back: the caret starts at 0, the
        // selection goes, and none of it is reported.
        const QSignalBlocker quiet(editor_);
        bridge_->show(view.change);
        QTextCursor c = editor_->textCursor();
        c.setPosition(0);
        editor_->setTextCursor(c);
    }
    document_.shown(editor_->textCursor().position());
    afterChange();
    QTextCursor c = editor_->textCursor();
    c.setPosition(static_cast<int>(std::clamp<folvane::editor::Caret>(view.caret, 0, editor_->document()->characterCount() - 1)));
    editor_->setTextCursor(c);
    updateSelectionButtons();
}

bool MainWin::openFile(const QString& path) { return documents_.openFile(path); }

bool MainWin::loadingText() const { return bridge_->preparing(); }

std::string MainWin::documentText() const { return decoyShown_ ? stash_ : editorText(); }

folvane::editor::EditorText MainWin::showOpenedText(const QString& text) { return bridge_->setTextQuietly(text); }

folvane::editor::Caret MainWin::caret() const { return editor_->textCursor().position(); }

void MainWin::openedTextShown() {
    afterChange();
    updateSelectionButtons();
}

bool MainWin::openInBackground(const QString& path, const std::string& fsPath) {
    struct Read {
        bool ok = false;
        bool lineTooLong = false;
        std::string error;
        folvane::text::TextFormat format;
    };
    auto read = std::make_shared<Read>();
    editor_->setEnabled(false);
    bridge_->prepareInBackground(
        [read, fsPath] {
            auto decoded = folvane::editor::readDocumentFile(fsPath, &read->error);
            if (!decoded) return QString();
            if (folvane::editor::longestLine(decoded->text) > folvane::editor::kLongestShownLine) {
                read->lineTooLong = true;
                return QString();
            }
            read->ok = true;
            read->format = decoded->format;
            return toQt(decoded->text);
        },
        [this, read, path, fsPath](PreparedText prepared) {
            editor_->setEnabled(true);
            if (!read->ok) {
                delete prepared.document;
                documents_.openFailed(path, qtFromGb(read->lineTooLong ? folvane::editor::lineTooLongReason()
                                                                        : folvane::editor::openFailureReason(
                                                                              QFileInfo::exists(path),
                                                                              folvane::text::isRegularFile(fsPath))));
                return;
            }
            documents_.opened(fsPath, read->format, [&] {
                installDocument(prepared.document);
                return std::move(prepared.text);
            });
            editor_->setFocus();
        });
    return true;
}

// MainWin: the editor commands (whole text, clipboard, quick hide, font,
// word wrap, find and replace, context menu).
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFontDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextBlock>

#include "editor/context_menu_rules.h"
#include "editor/decoy_text.h"
#include "editor/document_flow.h"
#include "editor_bridge.h"
#include "editor_widget.h"
#include "engine/paragraph_tools.h"
#include "main_window.h"
#include "text/codec.h"
#include "text/file_io.h"
#include "text_bridge.h"

// ----------------------------------------------------------- editor commands

namespace {

// A dropped file's text; one that cannot be read gives its bytes, or nothing.
std::string readDroppedFile(const QString& path) {
    std::string bytes;
    folvane::text::readRegularFile(path.toStdString(), bytes);
    auto decoded = folvane::text::decodeText(bytes, folvane::text::EncodingChoice::Auto);
    return decoded ? std::move(decoded->text) : bytes;
}

}  // namespace

void MainWin::resetClipboardToItself() {
    QClipboard* cb = QApplication::clipboard();
    cb->setText(cb->text());
}

void MainWin::cutAll() {
    QApplication::clipboard()->setText(editor_->toPlainText());
    setEditorText({});
}

void MainWin::copyAll() { QApplication::clipboard()->setText(editor_->toPlainText()); }

void MainWin::replacePasteAll() {
    QString clip = QApplication::clipboard()->text();
    if (clip.size() < EditorBridge::kLargeText) {
        setEditorText(fromQt(clip));
        return;
    }
    replaceInBackground([clip = std::move(clip)](folvane::editor::Caret&) { return clip; }, 0);
}

void MainWin::pasteLarge(QString text) {
    // What the editor's own paste would do, with the new document built on
    // a worker: the selection is replaced and the caret ends after the text.
    // A "\r\n" becomes one line end in the editor.
    const QTextCursor c = editor_->textCursor();
    const int from = c.selectionStart(), to = c.selectionEnd();
    replaceInBackground(
        [all = editor_->toPlainText(), text = std::move(text), from, to](folvane::editor::Caret& caret) mutable {
            collapseCrLf(text);
            caret = from + text.size();
            all.replace(from, to - from, text);
            return all;
        },
        from);
}

void MainWin::clearAll() { setEditorText({}); }

void MainWin::quickHide() {
    folvane::editor::Document& doc = documents_.document();
    const bool hiding = !decoyShown_;
    if (hiding) savedWhenHidden_ = doc.savedIndicator();
    std::string shown = editorText();
    setEditorText(stash_);
    stash_.swap(shown);
    decoyShown_ = hiding;
    // Hiding and bringing back are no edits of the user's: the document is
    // as changed or as saved as it was (saved, after a Save meanwhile).
    if (!hiding) {
        doc.restoreSavedIndicator(savedWhenHidden_);
        refreshDocumentState();
    }
    QTextCursor c = editor_->textCursor();
    c.setPosition(std::min(9999, editor_->document()->characterCount() - 1));
    editor_->setTextCursor(c);
}

void MainWin::chooseFont() {
    bool ok = false;
    // The dialog starts on the family the editor really shows: the record's
    // name (often "宋体") may be missing here, and the dialog would then
    // open on its first family instead.
    QFont start = editorFont_.toQFont();
    start.setFamily(QFontInfo(editor_->font()).family());
    QFont f;
    withoutAlwaysOnTop([&] { f = QFontDialog::getFont(&ok, start, this); });
    if (!ok) return;
    editorFont_.takeFrom(f);
    applyEditorFont();
}

void MainWin::applyEditorFont() {
    editor_->setFont(editorFont_.toQFont());
    QPalette p = editor_->palette();
    p.setColor(QPalette::Text, editorFont_.colour == 0xFF000000 ? palette().color(QPalette::Text)
                                                                : QColor::fromRgb(editorFont_.colour));
    editor_->setPalette(p);
}

void MainWin::dropFiles(const QStringList& paths) {
    // Each file replaces the text of the one before, so the last one stays.
    // The document's path, title and saved state do not change; a file that
    // cannot be read empties the editor.
    qint64 total = 0;
    for (const QString& path : paths) total += QFileInfo(path).size();
    if (total >= 512 * 1024) {
        dropInBackground(paths);
        return;
    }
    for (const QString& path : paths) {
        std::string text = readDroppedFile(path);
        if (folvane::editor::longestLine(text) > folvane::editor::kLongestShownLine)
            documents_.openFailed(path, qtFromGb(folvane::editor::lineTooLongReason()));
        else
            setEditorText(text);
    }
}

void MainWin::dropInBackground(QStringList paths) {
    if (paths.isEmpty() || bridge_->preparing()) return;
    const QString path = paths.takeFirst();
    editor_->setEnabled(false);
    auto tooLong = std::make_shared<bool>(false);
    bridge_->prepareInBackground(
        [path, tooLong] {
            std::string text = readDroppedFile(path);
            // A line the editor cannot show smoothly: the file is not shown.
            *tooLong = folvane::editor::longestLine(text) > folvane::editor::kLongestShownLine;
            return *tooLong ? QString() : toQt(text);
        },
        [this, paths, path, tooLong](PreparedText prepared) {
            editor_->setEnabled(true);
            if (*tooLong) {
                delete prepared.document;
                documents_.openFailed(path, qtFromGb(folvane::editor::lineTooLongReason()));
            } else {
                installDocument(prepared.document);
                document_.replaced(std::move(prepared.text), editor_->textCursor().position());
                afterChange();
                updateSelectionButtons();
            }
            dropInBackground(paths);
        });
}

void MainWin::applyWordWrap() {
    const bool wrap = app_.windowState().value().wordWrap;
    editor_->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void MainWin::showFindPanel(bool show) {
    findPanel_->setVisible(show);
    findDirty_ = true;
    if (show) {
        findField_->setFocus();
        currentMatches();
    } else {
        editor_->setFocus();
        showMatches();  // the highlighting goes with the panel
    }
}

void MainWin::replaceAllInEditor() {
    const std::string find = fromQt(findField_->text());
    if (find.empty()) return;  // nothing to look for: the text stays
    setEditorText(folvane::engine::replaceAllInText(editorText(), find, fromQt(replaceField_->text())));
}

void MainWin::updateSelectionButtons() {
    const bool selected = editor_->textCursor().hasSelection();
    action(Command::Cut)->setEnabled(selected);  // toolbar buttons 4 and 5 too
    action(Command::Copy)->setEnabled(selected);
}


void MainWin::refreshContextMenu() {
    const QString clip = QApplication::clipboard()->text();
    folvane::editor::ContextMenuInput in;
    in.editorEmpty = editor_->document()->isEmpty();
    in.hasSelection = editor_->textCursor().hasSelection();
    in.clipboardHasText = !clip.isEmpty();
    in.clipboardEqualsEditor = in.clipboardHasText && clip == editor_->toPlainText();
    in.canUndo = document_.canUndo();
    const folvane::editor::ContextMenuState s = folvane::editor::contextMenuState(in);
    action(Command::Cut)->setEnabled(s.cut);  // the same actions as toolbar buttons 4-6
    action(Command::Copy)->setEnabled(s.copy);
    action(Command::Paste)->setEnabled(s.paste);
    action(Command::Delete)->setEnabled(s.remove);
    action(Command::SelectAll)->setEnabled(s.selectAll);
    action(Command::ContextCutAll)->setEnabled(s.cutAll);
    action(Command::ContextCopyAll)->setEnabled(s.copyAll);
    action(Command::ContextReplacePasteAll)->setEnabled(s.replacePasteAll);
    action(Command::ContextClearAll)->setEnabled(s.clearAll);
    // "撤销(&Z)" follows "撤销(&U)" by itself.
}

void MainWin::popUpContextMenu(const QPoint& globalPos) {
    refreshContextMenu();
    contextMenu_->popup(globalPos);
}

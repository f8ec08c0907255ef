// MainWin: the document behind the editor — recording changes, Undo and
// Redo, New, Open and Save with their confirmations.
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalBlocker>

#include "editor_bridge.h"
#include "editor_widget.h"
#include "main_window.h"
#include "product.h"
#include "corrections/title.h"
#include "text_bridge.h"

using folvane::editor::DocumentCommand;

// The change itself has been recorded already: the bridge reports every
// edit of the editor's document to the history as it happens.
void MainWin::onEditorTextChanged() { afterChange(); }

void MainWin::afterChange() {
    statusParts_[3]->setText(qtFromGb(folvane::editor::lengthStatus(document_.text().size())));
    refreshDocumentState();
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

void MainWin::undo() {
    if (const auto view = document_.undo()) showView(*view);
    refreshDocumentState();
}

void MainWin::redo() {
    if (const auto view = document_.redo()) showView(*view);
    refreshDocumentState();
}

bool MainWin::confirmBefore(DocumentCommand command) {
    const auto question = document_.confirmationBefore(command);
    if (!question) return true;
    int answer = QMessageBox::Cancel;
    withoutAlwaysOnTop([&] {
        answer = QMessageBox::question(this, qtFromGb(question->title), qtFromGb(question->text),
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    });
    // Yes goes on only when the text was really saved: a cancelled or failed
    // save must not let New, Open or closing discard it.
    if (answer == QMessageBox::Yes) return saveDocument();
    return answer == QMessageBox::No;
}

void MainWin::newDocument() {
    if (!confirmBefore(DocumentCommand::New)) return;
    document_.newDocument();
    setEditorText({});
    refreshDocumentState();
}

void MainWin::openDocument() {
    if (!confirmBefore(DocumentCommand::Open)) return;
    QString path;
    withoutAlwaysOnTop([&] {
        QFileDialog dialog(this, QStringLiteral("打开"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setNameFilters({QStringLiteral("文本文件 (*.txt)"), QStringLiteral("所有文件 (*)")});
        dialog.setDefaultSuffix(QStringLiteral("txt"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    });
    if (!path.isEmpty()) openFile(path);
}

namespace {

// Files from this size on are read and prepared on a worker.
constexpr qint64 kLargeFile = 512 * 1024;

}  // namespace

bool MainWin::loadingText() const { return bridge_->preparing(); }

bool MainWin::openFile(const QString& path) {
    const std::string fsPath = QFile::encodeName(path).toStdString();
    if (QFileInfo(path).size() >= kLargeFile) {
        if (bridge_->preparing()) return false;
        openInBackground(path, fsPath);
        return true;
    }
    std::string error;
    auto decoded = folvane::editor::readDocumentFile(fsPath, &error);
    if (!decoded) {
        // The system's reason is English: say it in the program's language.
        const QString reason = QFileInfo::exists(path) ? QStringLiteral("无法读取该文件。") : QStringLiteral("文件不存在。");
        QMessageBox::warning(this, QStringLiteral("打开"), QStringLiteral("无法打开文件“%1”：%2").arg(path, reason));
        return false;
    }
    document_.beginOpen(fsPath, decoded->format);
    refreshDocumentState();
    folvane::editor::EditorText text = bridge_->setTextQuietly(toQt(decoded->text));
    document_.fileLoaded(std::move(text), editor_->textCursor().position());
    afterChange();
    updateSelectionButtons();
    return true;
}

void MainWin::openInBackground(const QString& path, const std::string& fsPath) {
    struct Read {
        bool ok = false;
        std::string error;
        folvane::text::TextFormat format;
    };
    auto read = std::make_shared<Read>();
    editor_->setEnabled(false);
    bridge_->prepareInBackground(
        [read, fsPath] {
            auto decoded = folvane::editor::readDocumentFile(fsPath, &read->error);
            if (!decoded) return QString();
            read->ok = true;
            read->format = decoded->format;
            return toQt(decoded->text);
        },
        [this, read, path, fsPath](PreparedText prepared) {
            editor_->setEnabled(true);
            if (!read->ok) {
                delete prepared.document;
                QMessageBox::warning(this, QStringLiteral("打开"),
                                     QStringLiteral("无法打开文件“%1”：%2")
                                         .arg(path, QString::fromLocal8Bit(read->error.c_str())));
                return;
            }
            document_.beginOpen(fsPath, read->format);
            refreshDocumentState();
            installDocument(prepared.document);
            document_.fileLoaded(std::move(prepared.text), editor_->textCursor().position());
            afterChange();
            updateSelectionButtons();
            editor_->setFocus();
        });
}

bool MainWin::saveDocument() {
    std::string path = document_.currentPath();
    const std::string text = editorText();
    if (path.empty()) {
        QString chosen;
        withoutAlwaysOnTop([&] {
            QFileDialog dialog(this, QStringLiteral("保存"));
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setNameFilters({QStringLiteral("文本文件 (*.txt)"), QStringLiteral("所有文件 (*)")});
            dialog.setDefaultSuffix(QStringLiteral("txt"));
            dialog.selectFile(toQt(folvane::corrections::proposedSaveName(text)));
            if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
                chosen = dialog.selectedFiles().constFirst();
        });
        if (chosen.isEmpty()) return false;  // a cancelled dialog changes nothing
        path = QFile::encodeName(chosen).toStdString();
    }
    std::string error;
    const bool ok = document_.save(path, text, &error);
    refreshDocumentState();
    if (!ok) {
        QMessageBox::critical(this, QStringLiteral("保存"),
                              QStringLiteral("无法保存文件“%1”：%2")
                                  .arg(QFile::decodeName(path.c_str()), QString::fromLocal8Bit(error.c_str())));
    }
    return ok;
}

// DocumentController: the document behind the main editor and its flow —
// New, Open, Save, Undo and Redo with their confirmations. It has no widget
// of its own: the editor is reached through its host (the main window), and
// the questions, file choosers and messages through DocumentDialogs, which
// tests replace by answers given in advance.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "editor/document.h"
#include "editor/document_flow.h"

class QFileDialog;
class QWidget;

// What the Save As dialog chose: the file, the format to write it in and
// the document format (text or Markdown; none: the document's stays).
struct SaveAsChoice {
    QString path;
    folvane::text::TextFormat format;
    std::optional<folvane::engine::DocumentFormat> documentFormat = std::nullopt;
};

// The modal windows the document flow needs.
struct DocumentDialogs {
    // Yes/No/Cancel: save the changes before going on?
    std::function<folvane::editor::SaveAnswer(const QString& title, const QString& text)> askToSave;
    // The file to open; empty when cancelled.
    std::function<QString()> chooseFileToOpen;
    // The file to save to, offering `proposedName`; empty when cancelled.
    std::function<QString(const QString& proposedName)> chooseFileToSave;
    // Save As: the file, its encoding and line breaks and its document
    // format, the dialog starting from `proposedName`, `current` and
    // `currentDocument`; nullopt when cancelled.
    std::function<std::optional<SaveAsChoice>(const QString& proposedName, const folvane::text::TextFormat& current,
                                              folvane::engine::DocumentFormat currentDocument)>
        chooseSaveAs;
    // An error or information message with its OK button.
    std::function<void(QMessageBox::Icon icon, const QString& title, const QString& text)> message;

    // The program's dialogs, over `parent`; `aroundModal` runs a question or
    // file chooser (it switches always-on-top off meanwhile).
    static DocumentDialogs windowDialogs(QWidget* parent,
                                         std::function<void(const std::function<void()>&)> aroundModal);
    // The windows those show, ready to run.
    static std::unique_ptr<QMessageBox> saveQuestion(QWidget* parent, const QString& title, const QString& text);
    static std::unique_ptr<QFileDialog> openDialog(QWidget* parent);
    static std::unique_ptr<QFileDialog> saveDialog(QWidget* parent, const QString& proposedName);
    // The save dialog with the boxes "编码(&E):", "换行符(&B):" and
    // "文档格式(&F):" (object names "saveEncoding", "saveLineBreaks" and
    // "saveDocumentFormat") set to `current` and `currentDocument`.
    static std::unique_ptr<QFileDialog> saveAsDialog(
        QWidget* parent, const QString& proposedName, const folvane::text::TextFormat& current,
        folvane::engine::DocumentFormat currentDocument = folvane::engine::DocumentFormat::Text);
    // The format the boxes of a saveAsDialog show.
    static folvane::text::TextFormat chosenFormat(const QFileDialog& dialog);
    static folvane::engine::DocumentFormat chosenDocumentFormat(const QFileDialog& dialog);
};

// What the controller asks of the window that shows the document.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    // The editor's text (GB18030, "\r\n").
    virtual std::string editorText() const = 0;
    // The document's text: the editor's, or the user's text that the editor
    // hides behind another passage meanwhile. Save writes this one.
    virtual std::string documentText() const { return editorText(); }
    // Replaces the editor's text as one change.
    virtual void setEditorText(std::string_view gbText) = 0;
    // Shows a state of the history (Undo, Redo).
    virtual void showView(const folvane::editor::EditorView& view) = 0;
    // The title, the saved indicator and the Undo/Redo states after the
    // document changed.
    virtual void refreshDocumentState() = 0;
    // Puts an opened file's text into the editor without recording a change;
    // returns the text as the editor now holds it.
    virtual folvane::editor::EditorText showOpenedText(const QString& text) = 0;
    virtual folvane::editor::Caret caret() const = 0;
    // What depends on the text after an opened file is in the editor.
    virtual void openedTextShown() = 0;
    // A large file: read and prepared on a worker; the host ends it with
    // opened() or openFailed(). False when a text is being prepared already.
    virtual bool openInBackground(const QString& path, const std::string& fsPath) = 0;
    // A large text is being prepared for the editor.
    virtual bool loadingText() const = 0;
};

class DocumentController : public QObject {
    Q_OBJECT
public:
    DocumentController(DocumentHost& host, DocumentDialogs dialogs, QObject* parent = nullptr);

    folvane::editor::Document& document() { return document_; }
    const folvane::editor::Document& document() const { return document_; }
    const DocumentDialogs& dialogs() const { return dialogs_; }
    // Replaces the dialogs (tests answer them in advance).
    void setDialogs(DocumentDialogs dialogs) { dialogs_ = std::move(dialogs); }

    // False when the confirmation kept the document.
    bool newDocument();
    // The confirmation, the file chooser, then openFile().
    void openDocument();
    // The confirmation, then openFile(`path`) (a recently opened file).
    void openDocument(const QString& path);
    // Opens `path` without dialog and confirmation. A large file is read on
    // a worker: true then means it is being opened.
    bool openFile(const QString& path);
    // Saves to the document's file, or to one chosen in the dialog; false
    // when it was not saved (dialog cancelled, writing failed — the user has
    // been told).
    bool saveDocument();
    // Save As: a file and format chosen in the dialog; false when cancelled
    // or when writing failed (the user has been told).
    bool saveDocumentAs();
    void undo();
    void redo();
    // Asks the Yes/No/Cancel question before `command` when the document is
    // not saved; false when the command is to stop.
    bool confirmBefore(folvane::editor::DocumentCommand command);

    // The end of a large file's opening (see DocumentHost::openInBackground).
    // `install` puts the prepared text into the editor and returns it as the
    // document's first snapshot.
    void opened(const std::string& fsPath, const folvane::text::TextFormat& format,
                const std::function<folvane::editor::EditorText()>& install);
    void openFailed(const QString& path, const QString& reason);

Q_SIGNALS:
    // A file was opened or saved (its path as the file system spells it).
    void fileUsed(const QString& path);
    // The document's encoding or line breaks may have changed.
    void formatChanged();

private:
    // Writes the editor's text to `path` (with `format` for Save As) and tells
    // the user of a failure.
    bool writeTo(const std::string& path, const std::optional<folvane::text::TextFormat>& format,
                 folvane::engine::DocumentFormat documentFormat);

    DocumentHost& host_;
    DocumentDialogs dialogs_;
    folvane::editor::Document document_;
};

// The document behind the main editor: its file, the saved indicator, the
// window title, the confirmations before New, Open and closing, and the
// undo history. Texts are GB18030; paths are file-system bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "editor/undo_history.h"
#include "engine/document_typeset.h"
#include "folvane_version.h"
#include "text/codec.h"

namespace folvane::editor {

// The program's window title without a file name.
inline constexpr std::string_view kBaseTitle = "Velmora TAVEX FOLVANE " FOLVANE_VERSION;

enum class DocumentCommand { New, Open, Close };

// A Yes/No/Cancel question (GB18030): Yes saves and continues, No continues,
// Cancel stops the command.
struct Confirmation {
    std::string text;
    std::string title;
};

// The last path component; "/" and "\" both separate.
std::string fileNameOf(std::string_view path);

// The text of the status bar's length section: "文本长度：" + bytes + "字节".
std::string lengthStatus(std::size_t bytes);

class Document {
public:
    explicit Document(std::size_t historySlots = kHistorySlots);

    // Editor events. textChanged marks the document as changed (unless a
    // file is being loaded) and records the change in the history.
    void textChanged(std::string text, Caret caret);
    // The same, from the editor's own edit (see UndoHistory::edited), from
    // a whole new text built elsewhere, and after showing an undo or redo.
    EditorText::Region regionForUnits(std::size_t pos, std::size_t removed) const {
        return history_.regionForUnits(pos, removed);
    }
    void edited(const EditorText::Region& region, std::u16string_view units, Caret caret);
    void replaced(EditorText text, Caret caret);
    void shown(Caret caret);
    // The editor's text as the core sees it.
    const EditorText& text() const { return history_.current(); }
    void selectionChanged(Caret caret) { history_.selectionChanged(caret); }
    std::optional<EditorView> undo() { return history_.undo(); }
    std::optional<EditorView> redo() { return history_.redo(); }
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }

    // The question to ask before the command, or nullopt when the document
    // is saved. An untitled document whose text was changed asks too, unless
    // its text is empty: typed text is never dropped without a question.
    std::optional<Confirmation> confirmationBefore(DocumentCommand command) const;

    // New, after the confirmation: the window then empties the editor.
    void newDocument();
    // Open, once the file has been read: the document takes the path, the
    // file's format and the document format its name suggests (a ".md" file
    // is Markdown), and the window then puts the text into the editor;
    // fileLoaded ends the load; the text becomes snapshot 1, where the history starts.
    void beginOpen(std::string path, text::TextFormat format = {});
    void fileLoaded(std::string text, Caret caret);
    void fileLoaded(EditorText text, Caret caret);

    // Writes `text` to `path` in the document's format (new documents:
    // GB18030 with "\r\n"), atomically; an opened file's last line break
    // is part of its format: the bytes end with one exactly when the file
    // did (a run takes it off the text, Save puts it back). On success the document takes the
    // path and is saved; on failure it takes the path too but stays marked
    // as changed, so that closing asks again, and `error` says why.
    // `notice` receives what of the old file could not be kept (its owner).
    bool save(const std::string& path, std::string_view text, std::string* error = nullptr,
              std::string* notice = nullptr);
    // Save As: the document takes `format` (the encoding and line breaks
    // chosen; the last line break stays the document's) and the document
    // format chosen, and is saved in them; later Saves keep them.
    bool saveAs(const std::string& path, std::string_view text, const text::TextFormat& format,
                std::string* error = nullptr, std::string* notice = nullptr);
    bool saveAs(const std::string& path, std::string_view text, const text::TextFormat& format,
                engine::DocumentFormat documentFormat, std::string* error = nullptr, std::string* notice = nullptr);

    const std::string& currentPath() const { return currentPath_; }
    std::string fileName() const { return fileNameOf(currentPath_); }
    // kBaseTitle for an untitled document, changed or not; otherwise the file
    // name + " - " + kBaseTitle, behind "* " once the file's text has changed.
    std::string title() const;
    // False once the text changed since the last open, save or New; an
    // untitled document with an empty text counts as saved.
    bool savedIndicator() const;
    bool savedFlag() const { return savedFlag_; }
    // Puts back the saved indicator that a replacement of the text which was
    // no edit of the user's (the quick-hide swap) changed.
    void restoreSavedIndicator(bool saved) { savedIndicator_ = saved; }
    bool loadingFile() const { return loadingFile_; }
    const text::TextFormat& format() const { return format_; }
    // Text or Markdown: how F5 typesets the document.
    engine::DocumentFormat documentFormat() const { return documentFormat_; }
    void setDocumentFormat(engine::DocumentFormat format) { documentFormat_ = format; }
    const UndoHistory& history() const { return history_; }

private:
    void afterRecord();

    UndoHistory history_;
    std::string currentPath_;
    text::TextFormat format_;
    engine::DocumentFormat documentFormat_ = engine::DocumentFormat::Text;
    bool savedIndicator_ = true;
    bool savedFlag_ = false;
    bool loadingFile_ = false;
};

// Reads a file for Open: a byte-order mark decides, else valid UTF-8 is
// UTF-8, else GB18030. nullopt with `error` set when it cannot be read.
std::optional<text::DecodedText> readDocumentFile(const std::string& path, std::string* error = nullptr);

}  // namespace folvane::editor

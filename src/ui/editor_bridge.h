// Keeps the document's GB18030 copy of the editor's text in step with the
// editor, edit by edit: every change the editor's document reports
// (position, characters removed and added) is encoded for its own range
// only, so a keystroke costs the same in a short article and in a novel.
// Large new texts (opening, dropping, pasting, a run's result) are built
// into a ready editor document and its GB18030 copy on a worker thread,
// and only swapped in on the GUI thread.
#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "editor/document.h"
#include "editor/editor_text.h"

class QPlainTextEdit;
class QTextDocument;
class Worker;

// An editor document built off the GUI thread, with the core's copy of its text.
struct PreparedText {
    QTextDocument* document = nullptr;  // lives on the GUI thread, owned by whoever installs it
    folvane::editor::EditorText text;
};

// A novel has hundreds of thousands of lines, and the editor's document
// pays for each of its paragraphs: building it, a layout object, a pass over
// all of them whenever the editor's width changes. A large text therefore
// keeps its lines in groups: within a group, lines are parted by line
// separators (U+2028), which lay out, move the caret and read back as line
// ends do, and only a group ends in a paragraph end of the document. Every
// "\n" of `units` but the first one after each EditorBridge::kGroupUnits
// code units of a group becomes a line separator; positions do not move.
void groupLines(QString& units);

class EditorBridge : public QObject {
    Q_OBJECT
public:
    // Large texts are prepared on `worker`, the application's one worker.
    EditorBridge(QPlainTextEdit* editor, folvane::editor::Document* document, Worker& worker,
                 QObject* parent = nullptr);

    // Texts from this many code units on are built on a worker.
    static constexpr qsizetype kLargeText = 256 * 1024;
    // Lines of a large text are grouped into paragraphs of the editor's
    // document of about this many code units (see groupLines).
    static constexpr qsizetype kGroupUnits = 1024;

    // The editor's text as the core sees it, put together on request.
    std::string text() const { return document_->text().str(); }
    std::size_t textSize() const { return document_->text().size(); }

    // Shows an undo or redo step: only the range it changed is rewritten.
    // Nothing is recorded; the caller reports it with Document::shown.
    void show(const folvane::editor::EditorChange& change);

    // Replaces the editor's whole text at once, without recording; returns
    // the core's copy of the new text for the caller to record.
    folvane::editor::EditorText setTextQuietly(const QString& units);
    // Puts a prepared document into the editor, without recording; the old
    // document is freed on the worker. The caller records `prepared.text`.
    void installQuietly(QTextDocument* document);

    // Builds an editor document and its GB18030 copy from `units`, on any thread.
    static PreparedText prepare(QString units, const QFont& font);
    // Only the document, for a view that keeps no copy of its own: `units`
    // with "\n" line ends, grouped already when it is long (groupLines).
    static QTextDocument* prepareDocument(const QString& units, const QFont& font);
    // The same on the worker: `produce` gives the text there, `done` gets
    // the result on the GUI thread (not when the bridge is gone). One at a
    // time; false while one is in progress.
    bool prepareInBackground(std::function<QString()> produce, std::function<void(PreparedText)> done);
    bool preparing() const { return preparing_; }

private:
    void watch();
    void onContentsChange(int pos, int removed, int added);

    QPlainTextEdit* editor_;
    folvane::editor::Document* document_;
    QPointer<QTextDocument> watched_;
    QMetaObject::Connection connection_;
    bool quiet_ = false;
    Worker& worker_;
    bool preparing_ = false;
};

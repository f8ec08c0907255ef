#include "editor_bridge.h"

#include <QCoreApplication>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "text_bridge.h"
#include "worker.h"

using folvane::editor::EditorText;

namespace {

std::u16string_view unitsOf(const QString& s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

// The document's own code units of [from, to): block ends as U+2029.
QString unitsBetween(QTextDocument* doc, int from, int to) {
    if (to <= from) return {};
    QTextCursor c(doc);
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    return c.selectedText();
}

}  // namespace

void groupLines(QString& units) {
    // A lone "\r" ends a paragraph of the document too; it is left alone
    // and only makes that group a little shorter than counted.
    QChar* d = units.data();
    qsizetype groupStart = 0;
    for (qsizetype i = units.indexOf(u'\n'); i >= 0; i = units.indexOf(u'\n', i + 1)) {
        if (i - groupStart < EditorBridge::kGroupUnits) d[i] = QChar::LineSeparator;
        else groupStart = i + 1;
    }
}

EditorBridge::EditorBridge(QPlainTextEdit* editor, folvane::editor::Document* document, Worker& worker,
                           QObject* parent)
    : QObject(parent), editor_(editor), document_(document), worker_(worker) {
    watch();
}

void EditorBridge::watch() {
    QTextDocument* doc = editor_->document();
    if (doc == watched_) return;
    if (connection_) disconnect(connection_);
    watched_ = doc;
    connection_ = connect(doc, &QTextDocument::contentsChange, this, &EditorBridge::onContentsChange);
}

void EditorBridge::onContentsChange(int pos, int removed, int added) {
    if (quiet_) return;
    QTextDocument* doc = editor_->document();
    const EditorText& mirror = document_->text();
    // The document counts its implicit last block end in some reports;
    // the lengths are brought back to the text itself.
    const auto oldUnits = static_cast<qsizetype>(mirror.unitCount());
    const qsizetype newUnits = doc->characterCount() - 1;
    qsizetype from = std::clamp<qsizetype>(pos, 0, oldUnits);
    qsizetype gone = std::clamp<qsizetype>(removed, 0, oldUnits - from);
    qsizetype came = gone + newUnits - oldUnits;
    if (came < 0 || from + came > newUnits) {
        // Not a report of a plain replacement: take the whole text again.
        from = 0;
        gone = oldUnits;
        came = newUnits;
    }
    (void)added;
    const auto region = document_->regionForUnits(static_cast<std::size_t>(from), static_cast<std::size_t>(gone));
    const auto end = static_cast<qsizetype>(region.unitEnd) - gone + came;
    const QString units = unitsBetween(doc, static_cast<int>(region.unitBegin), static_cast<int>(end));
    document_->edited(region, unitsOf(units), editor_->textCursor().position());
}

void EditorBridge::show(const folvane::editor::EditorChange& change) {
    QTextDocument* doc = editor_->document();
    const int begin = static_cast<int>(change.pos);
    const int end = static_cast<int>(change.pos + change.removed);
    // The step is given for whole chunks; only what differs is rewritten,
    // so the view does not move for text that stays.
    const QString old = unitsBetween(doc, begin, end);
    const std::u16string& now = change.added;
    const auto same = [](char16_t a, char16_t b) { return a == b || ((a == 0x2029 || a == 0x2028) && b == u'\n'); };
    std::size_t front = 0;
    const std::size_t limit = std::min(static_cast<std::size_t>(old.size()), now.size());
    while (front < limit && same(old[static_cast<qsizetype>(front)].unicode(), now[front])) ++front;
    std::size_t back = 0;
    while (back < limit - front &&
           same(old[old.size() - 1 - static_cast<qsizetype>(back)].unicode(), now[now.size() - 1 - back]))
        ++back;
    const int from = begin + static_cast<int>(front);
    const int to = end - static_cast<int>(back);
    if (from == to && front + back == now.size()) return;
    QTextCursor c(doc);
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    QString units = QString::fromUtf16(now.data() + front, static_cast<qsizetype>(now.size() - front - back));
    if (units.size() >= kLargeText) groupLines(units);
    quiet_ = true;
    c.insertText(units);
    quiet_ = false;
}

EditorText EditorBridge::setTextQuietly(const QString& units) {
    quiet_ = true;
    {
        const QSignalBlocker silent(editor_);
        editor_->setPlainText(units);
    }
    quiet_ = false;
    return EditorText::fromUnits(unitsOf(editor_->document()->toPlainText()));
}

void EditorBridge::installQuietly(QTextDocument* document) {
    QPointer<QTextDocument> old = editor_->document();
    document->setParent(editor_);
    quiet_ = true;
    {
        // The caret that the new document brings is no move of the user's.
        const QSignalBlocker silent(editor_);
        editor_->setDocument(document);
    }
    quiet_ = false;
    watch();
    if (old && old != document) {
        // Freeing a long document takes a while: the worker does it, with
        // the document detached from every thread so that nothing reaches
        // it on the way.
        QTextDocument* gone = old.data();
        gone->setParent(nullptr);
        gone->moveToThread(nullptr);
        worker_.submit(
            this,
            [gone] {
                delete gone;
#ifdef __GLIBC__
                // Building and freeing a long text leaves large freed blocks behind; give them back.
                malloc_trim(0);
#endif
            },
            [] {});
    }
}

PreparedText EditorBridge::prepare(QString units, const QFont& font) {
    // The document makes "\r\n" one line end; so does the copy.
    collapseCrLf(units);
    groupLines(units);
    QTextDocument* doc = prepareDocument(units, font);
    return PreparedText{doc, EditorText::fromUnits(unitsOf(units))};
}

QTextDocument* EditorBridge::prepareDocument(const QString& units, const QFont& font) {
    auto* doc = new QTextDocument;
    doc->setUndoRedoEnabled(false);
    doc->setDocumentLayout(new QPlainTextDocumentLayout(doc));
    doc->setDefaultFont(font);
    doc->setPlainText(units);
    // The editor's first layout pass makes a layout object for every
    // paragraph of the document; made here, the GUI thread only resets them.
    for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next()) block.layout();
    return doc;
}

bool EditorBridge::prepareInBackground(std::function<QString()> produce, std::function<void(PreparedText)> done) {
    if (preparing_) return false;
    preparing_ = true;
    QThread* gui = thread();
    const QFont font = editor_->font();
    worker_.submit(
        this,
        [produce = std::move(produce), font, gui] {
            PreparedText prepared = prepare(produce(), font);
            prepared.document->moveToThread(gui);
            return prepared;
        },
        [this, done = std::move(done)](PreparedText prepared) {
            preparing_ = false;
            done(std::move(prepared));
        });
    return true;
}

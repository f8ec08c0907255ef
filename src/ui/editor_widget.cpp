#include "editor_widget.h"

#include "editor_bridge.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBlock>
#include <QUrl>

EditorWidget::EditorWidget(QWidget* parent) : QPlainTextEdit(parent) {
    setUndoRedoEnabled(false);
    setAcceptDrops(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

namespace {

// Undo and Redo keys: the editor's own history is off, the window's
// commands ("撤销(&U)" Ctrl+Z, "重做(&R)" Ctrl+Y) keep the history.
bool historyKey(const QKeyEvent* e) {
    return e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo) ||
           (e->key() == Qt::Key_Y && e->modifiers() == Qt::ControlModifier);
}

}  // namespace

bool EditorWidget::event(QEvent* e) {
    // Left to the shortcuts of the window's actions, which the editor would
    // otherwise claim and then ignore.
    if (e->type() == QEvent::ShortcutOverride && historyKey(static_cast<QKeyEvent*>(e))) {
        e->ignore();
        return true;
    }
    return QPlainTextEdit::event(e);
}

void EditorWidget::keyPressEvent(QKeyEvent* e) {
    if (historyKey(e)) {
        e->ignore();
        return;
    }
    if (e->key() == Qt::Key_B && e->modifiers() == Qt::ControlModifier) {
        e->accept();  // swallowed
        return;
    }
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && enterIndent_ && !(e->modifiers() & ~Qt::KeypadModifier)) {
        // One edit: the line break and the indentation of the new line,
        // inserted directly so that the clipboard is left alone.
        insertPlainText(QStringLiteral("\n　　"));
        e->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void EditorWidget::keyReleaseEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_C || e->key() == Qt::Key_X) && (e->modifiers() & Qt::ControlModifier))
        Q_EMIT clipboardKeyReleased();
    QPlainTextEdit::keyReleaseEvent(e);
}

void EditorWidget::contextMenuEvent(QContextMenuEvent* e) {
    Q_EMIT contextMenuRequested(e->globalPos());
    e->accept();
}

namespace {

QStringList localFiles(const QMimeData* mime) {
    QStringList paths;
    if (!mime || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

}  // namespace

void EditorWidget::dragEnterEvent(QDragEnterEvent* e) {
    if (!localFiles(e->mimeData()).isEmpty()) e->acceptProposedAction();
    else QPlainTextEdit::dragEnterEvent(e);
}

void EditorWidget::dragMoveEvent(QDragMoveEvent* e) {
    if (!localFiles(e->mimeData()).isEmpty()) e->acceptProposedAction();
    else QPlainTextEdit::dragMoveEvent(e);
}

void EditorWidget::dropEvent(QDropEvent* e) {
    const QStringList paths = localFiles(e->mimeData());
    if (paths.isEmpty()) {
        QPlainTextEdit::dropEvent(e);
        return;
    }
    e->acceptProposedAction();
    Q_EMIT filesDropped(paths);
}

void EditorWidget::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText() && !isReadOnly()) {
        const QString text = source->text();
        if (text.size() >= EditorBridge::kLargeText) {
            Q_EMIT largePaste(text);
            return;
        }
    }
    QPlainTextEdit::insertFromMimeData(source);
}

void EditorWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseDoubleClickEvent(e);
    if (e->button() != Qt::LeftButton) return;
    sinceDoubleClick_.start();
    doubleClickPoint_ = e->position().toPoint();
}

void EditorWidget::mousePressEvent(QMouseEvent* e) {
    const bool triple = e->button() == Qt::LeftButton && sinceDoubleClick_.isValid() &&
                        sinceDoubleClick_.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
                        (e->position().toPoint() - doubleClickPoint_).manhattanLength() < QApplication::startDragDistance();
    sinceDoubleClick_.invalidate();
    // Taken before the editor scrolls to the end of the paragraph it selects.
    const int pos = cursorForPosition(e->position().toPoint()).position();
    const QPoint scrolled(horizontalScrollBar()->value(), verticalScrollBar()->value());
    QPlainTextEdit::mousePressEvent(e);
    if (triple) narrowTripleClickSelection(pos, scrolled);
}

void EditorWidget::narrowTripleClickSelection(int pos, const QPoint& scrolled) {
    const QTextBlock block = document()->findBlock(pos);
    const QString text = block.text();
    // Only the editor's own paragraph selection is narrowed: the whole
    // paragraph, with the paragraph end after it where there is one.
    const int begin = block.position();
    const int end = begin + static_cast<int>(text.size()) + (block.next().isValid() ? 1 : 0);
    QTextCursor c = textCursor();
    if (c.selectionStart() != begin || c.selectionEnd() != end || !text.contains(QChar::LineSeparator)) return;
    const int offset = pos - begin;
    const int lineStart = offset == 0 ? 0 : static_cast<int>(text.lastIndexOf(QChar::LineSeparator, offset - 1)) + 1;
    const qsizetype separator = text.indexOf(QChar::LineSeparator, offset);
    // The line with its line end, as the paragraph comes with its paragraph end.
    c.setPosition(begin + lineStart);
    c.setPosition(separator >= 0 ? begin + static_cast<int>(separator) + 1 : end, QTextCursor::KeepAnchor);
    setTextCursor(c);
    // The line was under the pointer: the view stays where it was.
    horizontalScrollBar()->setValue(scrolled.x());
    verticalScrollBar()->setValue(scrolled.y());
}

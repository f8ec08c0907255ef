// The main editor: a plain-text editor whose own undo is off (the document
// model keeps the history), with the key handling of the main window.
#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPoint>
#include <QStringList>

class EditorWidget : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit EditorWidget(QWidget* parent = nullptr);

    // "按回车键缩进换行": every Enter is followed by two full-width spaces.
    void setEnterIndent(bool on) { enterIndent_ = on; }
    bool enterIndent() const { return enterIndent_; }

Q_SIGNALS:
    // The user asked for the context menu at a global position.
    void contextMenuRequested(const QPoint& globalPos);
    // Files were dropped on the editor, in drop order (local paths).
    void filesDropped(const QStringList& paths);
    // Ctrl+C or Ctrl+X was released: the clipboard is to be set again to its own text.
    void clipboardKeyReleased();
    // A paste or text drop too large to insert on the spot: the window
    // builds the new text on a worker and puts it in place instead.
    void largePaste(const QString& text);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    // A triple click selects a paragraph of the document; in a large text,
    // whose lines are grouped into paragraphs, it is narrowed to the line
    // under the pointer, as in any other text.
    void narrowTripleClickSelection(int pos, const QPoint& scrolled);

    bool enterIndent_ = false;
    QElapsedTimer sinceDoubleClick_;
    QPoint doubleClickPoint_;
};

// "查看排版改动": the text before and after the last run side by side,
// every changed place highlighted, moving from change to change. The
// comparison and both documents are made on the worker (see
// MainWin::showRunChanges); this window only shows them.
#pragma once

#include <QDialog>
#include <QTextDocument>
#include <memory>
#include <vector>

#include "editor/text_diff.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

class ChangesWindow : public QDialog {
    Q_OBJECT
public:
    explicit ChangesWindow(QWidget* parent = nullptr);

    // Takes over the two documents (made on another thread and moved to
    // this one) and the changes between them. The second document is put
    // in at the next turn of the event loop, so that neither step holds the
    // window long; `shown` is emitted when both are in.
    void showComparison(QTextDocument* before, QTextDocument* after, std::vector<folvane::editor::TextChange> changes);

    const std::vector<folvane::editor::TextChange>& changes() const { return changes_; }
    // The change shown now (-1 before the first move).
    int current() const { return current_; }
    void goTo(int index);
    void next() { goTo(changes_.empty() ? -1 : (current_ + 1) % static_cast<int>(changes_.size())); }
    void previous();

Q_SIGNALS:
    void shown();

private:
    // Highlights the changes within the part of each text on the screen
    // (a long run changes hundreds of thousands of places; marking all of
    // them would slow every repaint).
    void markVisible();
    void showCount();
    void install(QPlainTextEdit* view, QTextDocument* document);

    QPlainTextEdit* before_;
    QPlainTextEdit* after_;
    QLabel* count_;
    QPushButton* previous_;
    QPushButton* next_;
    std::vector<folvane::editor::TextChange> changes_;
    int current_ = -1;
    std::unique_ptr<QTextDocument> pendingAfter_;  // until it is put in
};

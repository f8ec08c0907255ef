// SignatureWindow: edits the head and tail signature templates. Its context
// menu inserts the date and time templates into the box that has the focus.
#pragma once

#include <QDialog>

class QCheckBox;
class QPlainTextEdit;

class SignatureWindow : public QDialog {
    Q_OBJECT
public:
    // `head` and `tail` are the templates as the editor shows them ("\n").
    SignatureWindow(const QString& head, const QString& tail, bool enabled, QWidget* parent = nullptr);

    QString headText() const;
    QString tailText() const;

    // Puts `token` in place of the selection of the target box (the head box
    // when it has the focus, else the tail box), as one undoable step.
    void insertTemplate(const QString& token);

Q_SIGNALS:
    // "启用" was clicked: the main window's check box follows at once.
    void enabledChanged(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void popUpMenu(const QPoint& globalPos);
    QPlainTextEdit* target() const;

    QPlainTextEdit* head_;
    QPlainTextEdit* tail_;
    QCheckBox* enabled_;
};

// StatsWindow ("文字统计信息"): counts the characters of the editor's text on
// a worker thread and shows the report, which can be copied.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class FolvaneApp;

class StatsWindow : public QDialog {
    Q_OBJECT
public:
    // `text` is the editor's text (GB18030); counting starts at once on the
    // application's worker.
    StatsWindow(FolvaneApp& app, std::string text, QWidget* parent = nullptr);

    QString report() const;
    bool ready() const;

private:
    void showReport(const QString& report);

    QLabel* waiting_;
    QPlainTextEdit* field_;
    QPushButton* copy_;
};

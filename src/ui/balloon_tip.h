// A balloon tip: a small frameless note with rich text at a screen
// position, gone after a few seconds or at a click on it.
#pragma once

#include <QLabel>
#include <QTimer>

class BalloonTip : public QLabel {
    Q_OBJECT
public:
    explicit BalloonTip(QWidget* parent = nullptr);
    // Shows `richText` with its top-left corner at `globalPos`.
    void showAt(const QPoint& globalPos, const QString& richText);

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    QTimer hideTimer_;
};

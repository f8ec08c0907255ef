// A balloon tip: a small frameless note with rich text at a screen
// position, gone after a few seconds or at a click on it. It never takes
// the keyboard focus: keys typed meanwhile go where they went before.
#pragma once

#include <QLabel>
#include <QTimer>

class BalloonTip : public QLabel {
    Q_OBJECT
public:
    // How long a tip stays.
    static constexpr int kShownMs = 3000;

    // With a `parent`, the tip's window is transient for the parent's.
    explicit BalloonTip(QWidget* parent = nullptr);
    // Shows `richText` with its top-left corner at `globalPos`.
    void showAt(const QPoint& globalPos, const QString& richText);
    // Shows `richText` in the lower right corner of `globalArea`, inside it
    // as far as it fits.
    void showInCorner(const QRect& globalArea, const QString& richText);

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    QTimer hideTimer_;
};

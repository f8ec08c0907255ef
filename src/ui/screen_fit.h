// Windows that fit their screen. A window's own size (a design's, or one
// saved on a larger screen or at a smaller scale) may exceed the screen at
// 2× scale: it is shrunk and moved so that it lies, frame included, on the
// available part of the screen it is on, no smaller than its minimum size
// (the windows that could need more scroll instead).
#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>

class QWidget;

// `frame` (a window's outer rectangle) moved, and shrunk where it is larger,
// to lie within `available`; `minimum` is the smallest outer size it may
// take (when even that does not fit, the top left stays on the screen).
QRect fitFrameInto(const QRect& frame, const QRect& available, const QSize& minimum = {});

// Fits the top-level `window` into the available geometry of its screen
// (the one under its centre, else its own).
void fitToScreen(QWidget* window);

// The frame margins of `window`, or an estimate of a title bar and border
// before the window system has told them.
QMargins frameMarginsOf(const QWidget* window);

// Fits every top-level window as it is shown: installed once on the
// application.
class ScreenFitter : public QObject {
    Q_OBJECT
public:
    explicit ScreenFitter(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

#include "screen_fit.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>
#include <algorithm>

QRect fitFrameInto(const QRect& frame, const QRect& available, const QSize& minimum) {
    if (!available.isValid()) return frame;
    const int w = std::min(frame.width(), std::max(available.width(), minimum.width()));
    const int h = std::min(frame.height(), std::max(available.height(), minimum.height()));
    // Right and bottom first, then left and top: a window larger than the
    // screen keeps its title bar on it.
    int x = std::min(frame.x(), available.x() + available.width() - w);
    int y = std::min(frame.y(), available.y() + available.height() - h);
    x = std::max(x, available.x());
    y = std::max(y, available.y());
    return {x, y, w, h};
}

QMargins frameMarginsOf(const QWidget* window) {
    if (window->windowFlags().testFlag(Qt::FramelessWindowHint)) return {};
    if (const QWindow* handle = window->windowHandle()) {
        const QMargins m = handle->frameMargins();
        if (!m.isNull()) return m;
    }
    // Not yet known (the window manager frames a window once it is mapped):
    // a title bar and a thin border.
    const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    const int border = 2;
    return {border, std::max(title, 24) + border, border, border};
}

void fitToScreen(QWidget* window) {
    if (!window || !window->isWindow() || window->isMaximized() || window->isFullScreen()) return;
    QScreen* screen = QGuiApplication::screenAt(window->geometry().center());
    if (!screen) screen = window->screen();
    if (!screen) return;
    const QMargins m = frameMarginsOf(window);
    const QRect inner = window->geometry();
    const QRect frame = inner.marginsAdded(m);
    const QSize minimumOuter = window->minimumSize().expandedTo(window->minimumSizeHint()).grownBy(m);
    const QRect fitted = fitFrameInto(frame, screen->availableGeometry(), minimumOuter);
    if (fitted == frame) return;
    const QRect target = fitted.marginsRemoved(m);
    if (target.size() != inner.size()) window->resize(target.size());
    if (target.topLeft() != inner.topLeft()) window->move(fitted.topLeft());
}

ScreenFitter::ScreenFitter(QObject* parent) : QObject(parent) {
    if (qApp) qApp->installEventFilter(this);
}

bool ScreenFitter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen &&
            type != Qt::Desktop)
            fitToScreen(widget);
    }
    return QObject::eventFilter(watched, event);
}

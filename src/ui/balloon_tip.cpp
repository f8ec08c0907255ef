#include "balloon_tip.h"

#include <QMouseEvent>
#include <algorithm>

BalloonTip::BalloonTip(QWidget* parent)
    : QLabel(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("balloonTip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setTextFormat(Qt::RichText);
    setMargin(8);
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    hideTimer_.setSingleShot(true);
    hideTimer_.setInterval(kShownMs);
    connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
}

void BalloonTip::showAt(const QPoint& globalPos, const QString& richText) {
    setText(richText);
    adjustSize();
    move(globalPos);
    show();
    raise();
    hideTimer_.start();
}

void BalloonTip::showInCorner(const QRect& globalArea, const QString& richText) {
    setText(richText);
    adjustSize();
    constexpr int kMargin = 8;
    const QPoint corner = globalArea.bottomRight() - QPoint(width() + kMargin, height() + kMargin);
    showAt(QPoint(std::max(globalArea.left(), corner.x()), std::max(globalArea.top(), corner.y())), richText);
}

void BalloonTip::mousePressEvent(QMouseEvent* e) {
    hideTimer_.stop();
    hide();
    e->accept();
}

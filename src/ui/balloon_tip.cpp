#include "balloon_tip.h"

#include <QMouseEvent>

namespace {
constexpr int kShownMs = 3000;
}

BalloonTip::BalloonTip(QWidget* parent)
    : QLabel(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("balloonTip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
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

void BalloonTip::mousePressEvent(QMouseEvent* e) {
    hideTimer_.stop();
    hide();
    e->accept();
}

// LinkLabel: a label that acts like a link, reporting the release of the
// left mouse button over it (the options window's "恢复成默认设置", the
// navigation bar's advertisement).
#pragma once

#include <QLabel>

class LinkLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

Q_SIGNALS:
    void released();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

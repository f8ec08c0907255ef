#include "link_label.h"

#include <QMouseEvent>

void LinkLabel::mouseReleaseEvent(QMouseEvent* e) {
    QLabel::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) Q_EMIT released();
}

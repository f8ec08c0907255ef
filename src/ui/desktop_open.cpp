#include "desktop_open.h"

#include <QDesktopServices>
#include <QMessageBox>

QString desktopOpenTitle() { return QStringLiteral("打开"); }

QString desktopOpenFailure(const QString& what) {
    return QStringLiteral("无法打开“%1”：系统中没有能打开它的程序。").arg(what);
}

bool openWithDesktop(QWidget* parent, const QUrl& url) {
    if (QDesktopServices::openUrl(url)) return true;
    const QString what = url.isLocalFile() ? url.toLocalFile() : url.toString();
    QMessageBox::warning(parent, desktopOpenTitle(), desktopOpenFailure(what));
    return false;
}

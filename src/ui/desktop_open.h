// Opening a web page or a file with the desktop's default program, and
// saying so when the desktop has none for it.
#pragma once

#include <QString>
#include <QUrl>

class QWidget;

// The title and text of the message shown when nothing could open `what`.
QString desktopOpenTitle();
QString desktopOpenFailure(const QString& what);

// Asks the desktop to open `url`; when it cannot, a warning over `parent`
// names the address. Returns whether the desktop took it.
bool openWithDesktop(QWidget* parent, const QUrl& url);

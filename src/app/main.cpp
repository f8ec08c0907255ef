// folvane: the desktop program.
#include <QApplication>

#include "main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("folvane"));
    MainWin win;
    win.show();
    win.startUp(QApplication::arguments().mid(1));
    return QApplication::exec();
}

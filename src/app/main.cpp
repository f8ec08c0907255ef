// folvane: the desktop program.
#include <QApplication>

#include "folvane_app.h"
#include "main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("folvane"));
    FolvaneApp folvane;  // outlives every window
    folvane.loadQtTranslations();
    MainWin win(folvane);
    win.show();
    win.startUp(QApplication::arguments().mid(1));
    return QApplication::exec();
}

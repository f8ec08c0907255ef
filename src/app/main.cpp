// folvane: the desktop program.
#include <QApplication>

#include "folvane_app.h"
#include "main_window.h"
#include "platform/termination_signals.h"
#include "web_module.h"

int main(int argc, char** argv) {
    prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("folvane"));
    FolvaneApp folvane;  // outlives every window
    folvane.loadQtTranslations();
    // The web engine's module is loaded when the window first needs it, after
    // it is on the screen; it outlives the window, whose pages use it.
    WebModule web;
    MainWin win(folvane, nullptr, &web);
    // `kill`, Ctrl+C and the end of the session close the window as "退出"
    // does, so that the settings are saved and the worker is waited for.
    TerminationSignals termination;
    // The window may be hidden (tray, batch window), when its close does not
    // end the program by itself.
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &win, [&win] {
        win.exitUnattended();
        QCoreApplication::quit();
    });
    win.show();
    win.startUp(QApplication::arguments().mid(1));
    return QApplication::exec();
}

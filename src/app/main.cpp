// folvane: the desktop program.
#include <QApplication>

#include "folvane_app.h"
#include "main_window.h"
#include "platform/termination_signals.h"
#include "text/file_io.h"
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
    // The terminating signals that do not close the window (and a second
    // one while it closes) still remove the temporary file of a save or a
    // batch output being written.
    folvane::text::removeTemporariesOnSignals();
    TerminationSignals termination;
    // The window may be hidden (tray, batch window), when its close does not
    // end the program by itself.
    bool ending = false;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &win, [&win, &ending] {
        ending = true;
        win.exitUnattended();
        QCoreApplication::quit();
    });
    win.show();
    win.startUp(QApplication::arguments().mid(1));
    // A signal that came while a start-up message was open has closed the
    // window already; the event loop would start anew and never end. The
    // settings, which the unfinished start-up could not save, are saved now.
    if (ending) {
        win.exitUnattended();
        return 0;
    }
    return QApplication::exec();
}

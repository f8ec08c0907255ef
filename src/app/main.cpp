// folvane: the desktop program.
#include <QApplication>
#include <QFileInfo>
#include <cstdio>

#include "folvane_app.h"
#include "instance_link.h"
#include "main_window.h"
#include "platform/termination_signals.h"
#include "platform/wayland_clipboard.h"
#include "program_request.h"
#include "text/file_io.h"
#include "web_module.h"

namespace {

void printTo(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

QStringList argumentsOf(int argc, char** argv) {
    QStringList list;
    for (int i = 1; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    // The command line is checked before anything connects to the display:
    // --help and a usage error need none.
    ParsedArguments parsed = parseProgramArguments(argumentsOf(argc, argv));
    if (!parsed.error.isEmpty()) {
        printTo(stderr, QStringLiteral("folvane: %1\n请用 folvane --help 查看用法。\n").arg(parsed.error));
        return 2;
    }
    if (parsed.help) {
        printTo(stdout, programHelpText());
        return 0;
    }
    if (parsed.version) {
        printTo(stdout, programVersionText());
        return 0;
    }
    ProgramRequest& request = parsed.request;
    // The running program has another working directory.
    if (request.action == ProgramRequest::Action::Open) request.file = QFileInfo(request.file).absoluteFilePath();

    // A Wayland compositor without the data-control protocol (GNOME's) shows
    // a program in the background neither copies nor key presses; under
    // XWayland it mirrors the clipboard to X11, where the watch and the key
    // grab work. The user's own choice of platform stands.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsEmpty("DISPLAY") && !WaylandClipboard::sessionOffersDataControl())
        qputenv("QT_QPA_PLATFORM", "xcb");

    prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("folvane"));

    // One program per user and display: a later start hands its request over.
    InstanceLink link(InstanceLink::defaultSocketPath());
    switch (link.claim(request)) {
    case InstanceLink::Claim::Forwarded:
        return 0;
    case InstanceLink::Claim::NoAnswer:
        printTo(stderr, QStringLiteral("folvane: %1\n").arg(link.error()));
        return 1;
    case InstanceLink::Claim::Failed:
        // Working alone is better than not working: the program starts, and
        // says why later starts will open windows of their own.
        printTo(stderr, QStringLiteral("folvane: %1\n").arg(link.error()));
        break;
    case InstanceLink::Claim::Primary:
        break;
    }
    if (request.action == ProgramRequest::Action::Quit) return 0;  // nothing runs that could quit

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
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &win, &MainWin::endOnTermination);
    QObject::connect(&link, &InstanceLink::requested, &win, &MainWin::carryOut);
    win.show();
    win.startUp(request.action == ProgramRequest::Action::Open ? QStringList{request.file} : QStringList{});
    // A signal that came while a start-up message was open has closed the
    // window already; the event loop would start anew and never end. The
    // settings, which the unfinished start-up could not save, are saved now.
    if (win.endingUnattended()) {
        win.exitUnattended();
        return 0;
    }
    // The first start's own action, once the window is set up.
    if (request.action == ProgramRequest::Action::TypesetClipboard ||
        request.action == ProgramRequest::Action::ShowHide)
        win.carryOut(request);
    return QApplication::exec();
}

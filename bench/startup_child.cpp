// The program's start, up to the main window on the screen: built once with
// the web engine's module and once without. Prints the wall-clock time (ns since the
// epoch) at which the window was first exposed, then ends at once.
#include <time.h>

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "folvane_app.h"
#include "main_window.h"
#include "web_module.h"

namespace {

class ExposeWatch : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            // The posted call runs once the window has been painted.
            QTimer::singleShot(0, [] {
                timespec t{};
                clock_gettime(CLOCK_REALTIME, &t);
                std::printf("%lld\n", static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CONFIG-FILE\n", argv[0]);
        return 2;
    }
    const std::string config = argv[1];
#ifdef FOLVANE_WITH_WEBENGINE
    prepareWebEngine();
#endif
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    std::unique_ptr<WebModule> web;
#ifdef FOLVANE_WITH_WEBENGINE
    web = std::make_unique<WebModule>();
#endif
    FolvaneApp folvane;
    MainWin win(folvane, nullptr, web.get());
    ExposeWatch watch;
    win.winId();  // the native window exists before it is shown
    win.windowHandle()->installEventFilter(&watch);
    win.show();
    win.startUp({}, config);
    // Called first again: the window's own work after its exposure (the
    // update page) is posted after this program's measurement.
    win.windowHandle()->installEventFilter(&watch);
    return QApplication::exec();
}

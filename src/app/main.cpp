// folvane: the desktop program.
#include <QApplication>
#include <memory>

#include "main_window.h"
#include "web_features.h"

#ifdef FOLVANE_WITH_WEBENGINE
#include "web_engine.h"
#endif

int main(int argc, char** argv) {
#ifdef FOLVANE_WITH_WEBENGINE
    folvane_web::prepareWebEngine();
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("folvane"));
    std::unique_ptr<WebFeatures> web;  // outlives the window, whose pages use its profile
#ifdef FOLVANE_WITH_WEBENGINE
    web = folvane_web::createWebFeatures();
#endif
    MainWin win(nullptr, web.get());
    win.show();
    win.startUp(QApplication::arguments().mid(1));
    return QApplication::exec();
}

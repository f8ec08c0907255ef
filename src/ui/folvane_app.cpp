#include "folvane_app.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "run_controller.h"
#include "screen_fit.h"
#include "settings/config_location.h"
#include "worker.h"

namespace settings = folvane::settings;

// The pictures are linked in from a static library: registered explicitly,
// or the linker drops them (Q_INIT_RESOURCE must stand outside a namespace).
static void registerResources() { Q_INIT_RESOURCE(resources); }

FolvaneApp::FolvaneApp(QObject* parent) : QObject(parent), worker_(std::make_unique<Worker>()) {
    registerResources();
    runContext_.scriptConverter = &converter_;
    runs_ = new RunController(*this);
    // Every window of the program fits its screen as it is shown.
    new ScreenFitter(this);
}

FolvaneApp::~FolvaneApp() {
    // Jobs read the options, the run context and the converter: they end
    // before any of it goes away.
    worker_->waitForDone();
    delete runs_;
    runs_ = nullptr;
    worker_.reset();
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
}

bool FolvaneApp::loadQtTranslations() {
    if (translator_) return true;
    auto t = std::make_unique<QTranslator>();
    // qtbase holds the texts of the widgets' standard buttons and dialogs.
    if (!t->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(t.get());
    translator_ = std::move(t);
    return true;
}

void FolvaneApp::openSettings(const std::string& path) {
    std::string where = path;
    if (where.empty()) where = settings::locateConfig(settings::processConfigLocationInputs()).path;
    store_.emplace(where, std::string(settings::kSettingsSection));
    rereadSettings();
}

void FolvaneApp::rereadSettings() {
    if (store_) stored_ = settings::decodeSettings(store_->read(), store_->section());
}

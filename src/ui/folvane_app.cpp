#include "folvane_app.h"

#include "run_controller.h"
#include "settings/config_location.h"
#include "worker.h"

namespace settings = folvane::settings;

FolvaneApp::FolvaneApp(QObject* parent) : QObject(parent), worker_(std::make_unique<Worker>()) {
    runContext_.scriptConverter = &converter_;
    runs_ = new RunController(*this);
}

FolvaneApp::~FolvaneApp() {
    // Jobs read the options, the run context and the converter: they end
    // before any of it goes away.
    worker_->waitForDone();
    delete runs_;
    runs_ = nullptr;
    worker_.reset();
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

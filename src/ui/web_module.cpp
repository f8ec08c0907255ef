#include "web_module.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString findModule() {
    const QString name = QStringLiteral("libfolvane-web.so");
    const QString dir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {dir + QLatin1Char('/') + name, dir + QStringLiteral("/../lib/folvane/modules/") + name,
                                  QStringLiteral(FOLVANE_WEB_MODULE_BUILD_PATH)};
    for (const QString& c : candidates)
        if (QFileInfo(c).isFile()) return c;
    return candidates[0];
}

}  // namespace

WebModule::WebModule(QString modulePath) : path_(modulePath.isEmpty() ? findModule() : std::move(modulePath)) {}

// The module stays loaded: objects it made may outlive this one until exit.
WebModule::~WebModule() = default;

bool WebModule::available() const { return QFileInfo(path_).isFile() && webEngineInstalled(); }

bool WebModule::load() {
    if (tried_) return features_ != nullptr;
    tried_ = true;
    if (!webEngineInstalled(&error_)) return false;
    library_.setFileName(path_);
    shareOpenGLContextsForWebEngine();
    auto create = reinterpret_cast<CreateWebFeaturesFn>(library_.resolve(FOLVANE_WEB_FEATURES_ENTRY));
    if (!create) {
        error_ = library_.errorString();
        return false;
    }
    features_.reset(create());
    if (!features_) error_ = QStringLiteral("the web engine cannot start");
    return features_ != nullptr;
}

EmbeddedPage* WebModule::createPage(QWidget* parent) { return load() ? features_->createPage(parent) : nullptr; }

void WebModule::openUrlWindow(QWidget* parent, bool alwaysOnTop,
                              const std::function<void(const QString&)>& replaceText) {
    if (load()) features_->openUrlWindow(parent, alwaysOnTop, replaceText);
}

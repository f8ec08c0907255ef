#include "web_engine.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QObject>
#include <QWebEngineProfile>

#include "engine_page.h"
#include "open_url_window.h"

namespace folvane_web {

namespace {

class EngineWebFeatures : public WebFeatures {
public:
    EngineWebFeatures() = default;
    ~EngineWebFeatures() override {
        // Pages must be gone before their profile; the windows that own them
        // have been destroyed before the features are.
        delete profile_;
    }

    EmbeddedPageView* createPageView(QWidget* parent) override { return new EnginePageView(profile(), parent); }

    void openUrlWindow(QWidget* parent, bool alwaysOnTop,
                       const std::function<void(const QString&)>& replaceText) override {
        OpenUrlWindow window(profile(), alwaysOnTop, replaceText, parent);
        window.exec();
    }

private:
    QWebEngineProfile* profile() {
        if (!profile_) profile_ = createDecliningProfile(nullptr);
        return profile_;
    }
    QWebEngineProfile* profile_ = nullptr;
};

QString fromEnvOr(const char* variable, const QString& fallback) {
    const QString v = qEnvironmentVariable(variable);
    return v.isEmpty() ? fallback : v;
}

}  // namespace

void prepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--no-sandbox")) {
            if (!flags.isEmpty()) flags += ' ';
            flags += "--no-sandbox";
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
        }
    }
}

bool webEngineAvailable(QString* why) {
    // The engine ends the process when its helper is missing: look first.
    const QString process = fromEnvOr(
        "QTWEBENGINEPROCESS_PATH",
        QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/QtWebEngineProcess"));
    const QFileInfo helper(process);
    if (!helper.isFile() || !helper.isExecutable()) {
        if (why) *why = QStringLiteral("no web engine helper at ") + process;
        return false;
    }
    const QString resources = fromEnvOr("QTWEBENGINE_RESOURCES_PATH",
                                        QLibraryInfo::path(QLibraryInfo::DataPath) + QStringLiteral("/resources"));
    if (!QFileInfo(resources + QStringLiteral("/qtwebengine_resources.pak")).isFile()) {
        if (why) *why = QStringLiteral("no web engine resources in ") + resources;
        return false;
    }
    return true;
}

std::unique_ptr<WebFeatures> createWebFeatures() {
    if (!webEngineAvailable()) return nullptr;
    return std::make_unique<EngineWebFeatures>();
}

}  // namespace folvane_web

#include "web_engine.h"

#include <QCoreApplication>
#include <QObject>
#include <QWebEngineProfile>

#include "engine_page.h"
#include "open_url_window.h"
#include "web_engine_setup.h"

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

    bool available() const override { return true; }
    EmbeddedPage* createPage(QWidget* parent) override { return new EnginePageView(profile(), parent); }

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

}  // namespace

std::unique_ptr<WebFeatures> createWebFeatures() {
    if (!webEngineInstalled()) return nullptr;
    return std::make_unique<EngineWebFeatures>();
}

}  // namespace folvane_web

WebFeatures* folvane_create_web_features() { return folvane_web::createWebFeatures().release(); }

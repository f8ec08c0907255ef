// The web features of the engine module, loaded on first use.
#pragma once

#include <QLibrary>
#include <memory>

#include "web_engine_setup.h"
#include "web_features.h"


class WebModule : public WebFeatures {
public:
    // `modulePath`: the module's file; an empty path looks beside the
    // program, then in ../lib/folvane, then in the build tree.
    explicit WebModule(QString modulePath = {});
    ~WebModule() override;

    QString path() const { return path_; }
    // The module's file exists and the engine is installed.
    bool available() const override;
    // Loads the module (once) and reports whether its features are there.
    bool load();
    QString error() const { return error_; }

    EmbeddedPage* createPage(QWidget* parent) override;
    void openUrlWindow(QWidget* parent, bool alwaysOnTop,
                       const std::function<void(const QString&)>& replaceText) override;

private:
    QString path_;
    QLibrary library_;
    std::unique_ptr<WebFeatures> features_;
    bool tried_ = false;
    QString error_;
};

// Pages of the embedded web engine that decline what a page may ask for on
// its own: new windows and downloads.
#pragma once

#include <QWebEnginePage>
#include <QWidget>
#include <functional>

#include "web_features.h"

class QWebEngineProfile;
class QWebEngineView;

class DecliningPage : public QWebEnginePage {
    Q_OBJECT
public:
    DecliningPage(QWebEngineProfile* profile, QObject* parent);

protected:
    QWebEnginePage* createWindow(WebWindowType type) override;
};

// A profile that keeps nothing on disk and cancels every download.
QWebEngineProfile* createDecliningProfile(QObject* parent);

// The update page's view.
class EnginePageView : public QWidget, public EmbeddedPage {
    Q_OBJECT
public:
    EnginePageView(QWebEngineProfile* profile, QWidget* parent);
    ~EnginePageView() override;
    QWidget* widget() override { return this; }
    void load(const QUrl& url) override;
    void setLoadFinishedHandler(std::function<void(bool, const QString&)> handler) override {
        handler_ = std::move(handler);
    }
    QWebEngineView* webView() const { return view_; }

private:
    QWebEngineView* view_ = nullptr;
    DecliningPage* page_ = nullptr;
    std::function<void(bool, const QString&)> handler_;
};

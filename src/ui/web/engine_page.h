// Pages of the embedded web engine that decline what a page may ask for on
// its own: new windows, downloads, JavaScript dialogs and file choosers
// (each logged, and the page goes on as if the user had said no).
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
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
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
    void setContent(const QByteArray& body, const QString& mimeType, const QUrl& base) override;
    void setLoadFinishedHandler(std::function<void(bool, const QString&)> handler) override {
        handler_ = std::move(handler);
    }
    QWebEngineView* webView() const { return view_; }

private:
    QWebEngineView* view_ = nullptr;
    DecliningPage* page_ = nullptr;
    std::function<void(bool, const QString&)> handler_;
};

#include "engine_page.h"

#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

DecliningPage::DecliningPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

QWebEnginePage* DecliningPage::createWindow(WebWindowType) {
    qInfo("folvane: the page asked for a new window; declined");
    return nullptr;
}

void DecliningPage::javaScriptAlert(const QUrl&, const QString& msg) {
    qInfo("folvane: the page's alert was not shown: %s", qUtf8Printable(msg.left(200)));
}

bool DecliningPage::javaScriptConfirm(const QUrl&, const QString& msg) {
    qInfo("folvane: the page's question was not shown: %s", qUtf8Printable(msg.left(200)));
    return false;
}

bool DecliningPage::javaScriptPrompt(const QUrl&, const QString& msg, const QString&, QString*) {
    qInfo("folvane: the page's prompt was not shown: %s", qUtf8Printable(msg.left(200)));
    return false;
}

QStringList DecliningPage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) {
    qInfo("folvane: the page asked to choose files; declined");
    return {};
}

QWebEngineProfile* createDecliningProfile(QObject* parent) {
    auto* profile = new QWebEngineProfile(parent);  // no storage name: off the record
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                     [](QWebEngineDownloadRequest* download) { download->cancel(); });
    return profile;
}

EnginePageView::EnginePageView(QWebEngineProfile* profile, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new QWebEngineView(this);
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    page_ = new DecliningPage(profile, view_);
    view_->setPage(page_);
    layout->addWidget(view_);
    connect(page_, &QWebEnginePage::loadFinished, this,
            [this](bool ok) {
                if (handler_) handler_(ok, page_->title());
            });
}

// The page goes before the view and the profile, which it refers to.
EnginePageView::~EnginePageView() { delete page_; }

void EnginePageView::load(const QUrl& url) { page_->load(url); }

void EnginePageView::setContent(const QByteArray& body, const QString& mimeType, const QUrl& base) {
    page_->setContent(body, mimeType, base);
}

// The update page in the navigation bar: requests it, shows its view only
// for the service's own page, and repeats the request on the retry timer
// while the view is not visible. The page is first asked for with a plain
// HTTP request; the web engine (a view, its helper processes, an OpenGL
// surface for the window) starts only when the answer is the service's page,
// so that a program whose update service does not answer stays light.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>

#include "web/update_page.h"

class EmbeddedPage;
class QNetworkAccessManager;
class QWidget;

// The title of an HTML page as a browser shows it (white space collapsed),
// decoded by the charset of `contentType`, else of the page's own meta tag,
// else as UTF-8. Empty when the page has none.
QString htmlPageTitle(const QByteArray& body, const QByteArray& contentType);

class UpdateChecker : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryIntervalMs = 100000;  // 时钟2

    // `createView` makes the page view when a plain request has found the
    // service's page (so that the engine starts only then); `address` builds
    // the request's address anew for every request.
    UpdateChecker(std::function<EmbeddedPage*()> createView, std::function<QUrl()> address,
                  int retryIntervalMs = kRetryIntervalMs, QObject* parent = nullptr);

    // The first request and the retry timer, once `window` has been shown
    // (at once when it already is), so that the engine's start does not
    // delay the window's.
    void startWhenShown(QWidget* window);
    void start();

    // Builds the address and asks for the page (the view loads it once it
    // exists); returns at once.
    void requestUpdatePage();
    // The layout shows the view again while the service's page is loaded.
    void onLayout();
    // What a tick of the retry timer does: requests the page again while the
    // view is not visible.
    void onTick();

    // The page view's widget, once a request found the service's page.
    QWidget* view() const { return view_; }
    const folvane::web::UpdatePageState& state() const { return state_; }
    bool started() const { return started_; }
    int requestCount() const { return requests_; }
    QTimer& retryTimer() { return timer_; }

Q_SIGNALS:
    void viewCreated(QWidget* view);
    void requested(const QUrl& address);
    // A page has loaded; `shown` tells whether the view now shows it.
    void pageLoaded(bool shown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onLoaded(bool succeeded, const QString& title);
    void probe(const QUrl& url);
    bool createView();
    void syncView();

    std::function<EmbeddedPage*()> createView_;
    std::function<QUrl()> address_;
    EmbeddedPage* page_ = nullptr;  // valid while view_ is
    QPointer<QWidget> view_;
    QPointer<QWidget> window_;
    QNetworkAccessManager* network_ = nullptr;  // child, made at the first request
    QTimer timer_;
    folvane::web::UpdatePageState state_;
    bool started_ = false;
    int requests_ = 0;
};

// The update page in the navigation bar: requests it, shows its view only
// for the service's own page, and repeats the request on the retry timer
// while the view is not visible.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>

#include "web/update_page.h"

class EmbeddedPage;
class QWidget;

class UpdateChecker : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryIntervalMs = 100000;  // 时钟2

    // `createView` makes the page view when the first request is due (so
    // that the engine starts only then); `address` builds the request's
    // address anew for every request.
    UpdateChecker(std::function<EmbeddedPage*()> createView, std::function<QUrl()> address,
                  int retryIntervalMs = kRetryIntervalMs, QObject* parent = nullptr);

    // The first request and the retry timer, once `window` has been shown
    // (at once when it already is), so that the engine's start does not
    // delay the window's.
    void startWhenShown(QWidget* window);
    void start();

    // Builds the address and makes the view load it; returns at once.
    void requestUpdatePage();
    // The layout shows the view again while the service's page is loaded.
    void onLayout();
    // What a tick of the retry timer does: requests the page again while the
    // view is not visible.
    void onTick();

    // The page view's widget, once the first request made it.
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
    void syncView();

    std::function<EmbeddedPage*()> createView_;
    std::function<QUrl()> address_;
    EmbeddedPage* page_ = nullptr;  // valid while view_ is
    QPointer<QWidget> view_;
    QPointer<QWidget> window_;
    QTimer timer_;
    folvane::web::UpdatePageState state_;
    bool started_ = false;
    int requests_ = 0;
};

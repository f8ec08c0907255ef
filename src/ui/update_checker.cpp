#include "update_checker.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include "text_bridge.h"
#include "web_features.h"

UpdateChecker::UpdateChecker(std::function<EmbeddedPage*()> createView, std::function<QUrl()> address,
                             int retryIntervalMs, QObject* parent)
    : QObject(parent), createView_(std::move(createView)), address_(std::move(address)) {
    timer_.setInterval(retryIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &UpdateChecker::onTick);
}

void UpdateChecker::startWhenShown(QWidget* window) {
    if (started_ || window_) return;
    // The window's exposure on the screen, not its creation, lets the engine
    // start: the window has been painted when the posted start runs.
    window_ = window;
    if (QWindow* handle = window->windowHandle(); handle && handle->isExposed()) {
        QTimer::singleShot(0, this, &UpdateChecker::start);
        return;
    }
    window->installEventFilter(this);
    if (QWindow* handle = window->windowHandle()) handle->installEventFilter(this);
}

bool UpdateChecker::eventFilter(QObject* watched, QEvent* event) {
    if (!started_ && window_) {
        QWindow* handle = window_->windowHandle();
        if (watched == window_ && event->type() == QEvent::Show && handle) {
            handle->installEventFilter(this);  // the handle exists from the first show on
        } else if (watched == handle && event->type() == QEvent::Expose && handle->isExposed()) {
            window_->removeEventFilter(this);
            handle->removeEventFilter(this);
            QTimer::singleShot(0, this, &UpdateChecker::start);
        }
    }
    return QObject::eventFilter(watched, event);
}

void UpdateChecker::start() {
    if (started_) return;
    started_ = true;
    requestUpdatePage();
    timer_.start();
}

void UpdateChecker::requestUpdatePage() {
    if (!view_ && createView_) {
        page_ = createView_();
        if (page_) {
            view_ = page_->widget();
            view_->hide();
            QPointer<UpdateChecker> self(this);
            page_->setLoadFinishedHandler([self](bool ok, const QString& title) {
                if (self) self->onLoaded(ok, title);
            });
            Q_EMIT viewCreated(view_);
        }
    }
    if (!view_) return;
    const QUrl url = address_();
    ++requests_;
    Q_EMIT requested(url);
    page_->load(url);
}

void UpdateChecker::onTick() {
    if (folvane::web::retryOnTick(state_)) requestUpdatePage();
}

void UpdateChecker::onLoaded(bool succeeded, const QString& title) {
    folvane::web::onUpdatePageLoaded(state_, succeeded, fromQt(title));
    syncView();
    Q_EMIT pageLoaded(state_.viewVisible);
}

void UpdateChecker::onLayout() {
    folvane::web::onUpdatePageLayout(state_);
    syncView();
}

void UpdateChecker::syncView() {
    if (view_) view_->setVisible(state_.viewVisible);
}

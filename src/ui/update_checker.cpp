#include "update_checker.h"

#include <QEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QWidget>
#include <QWindow>
#include <memory>

#include "text_bridge.h"
#include "web_features.h"

namespace {

// More than any page title needs: the rest of a large answer is not read.
constexpr qint64 kProbeBytes = 256 * 1024;
// A service that does not answer is given up on; the retry timer asks again.
constexpr int kProbeTimeoutMs = 30000;

}  // namespace

QString htmlPageTitle(const QByteArray& body, const QByteArray& contentType) {
    QStringDecoder decoder;
    static const QRegularExpression headerCharset(QStringLiteral("charset\\s*=\\s*\"?([A-Za-z0-9_.:-]+)"),
                                                  QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = headerCharset.match(QString::fromLatin1(contentType));
    if (m.hasMatch()) decoder = QStringDecoder(m.captured(1).toLatin1().constData());
    if (!decoder.isValid()) decoder = QStringDecoder::decoderForHtml(body);
    if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
    const QString page = decoder.decode(body);
    static const QRegularExpression title(QStringLiteral("<title[^>]*>(.*?)</title\\s*>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch t = title.match(page);
    return t.hasMatch() ? t.captured(1).simplified() : QString();
}

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

bool UpdateChecker::createView() {
    if (view_) return true;
    if (!createView_) return false;
    page_ = createView_();
    if (!page_) return false;
    view_ = page_->widget();
    view_->hide();
    QPointer<UpdateChecker> self(this);
    page_->setLoadFinishedHandler([self](bool ok, const QString& title) {
        if (self) self->onLoaded(ok, title);
    });
    Q_EMIT viewCreated(view_);
    return true;
}

void UpdateChecker::requestUpdatePage() {
    const QUrl url = address_();
    ++requests_;
    Q_EMIT requested(url);
    // Once the service's page has been seen, the view asks itself.
    if (view_) page_->load(url);
    else probe(url);
}

void UpdateChecker::probe(const QUrl& url) {
    if (!network_) network_ = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setTransferTimeout(kProbeTimeoutMs);
    QNetworkReply* reply = network_->get(request);
    // The answer is read as it comes, and at most kProbeBytes of it: a
    // longer one (an endless one, from anyone on the way) is cut off and
    // taken for no answer. The reply buffers no more than that either.
    reply->setReadBufferSize(kProbeBytes);
    auto body = std::make_shared<QByteArray>();
    auto take = [reply, body] {
        body->append(reply->read(kProbeBytes + 1 - body->size()));
        if (body->size() > kProbeBytes) reply->abort();
    };
    connect(reply, &QNetworkReply::readyRead, this, take);
    connect(reply, &QNetworkReply::finished, this, [this, reply, body, take] {
        reply->deleteLater();
        if (body->size() <= kProbeBytes && reply->isOpen()) take();
        const bool ok = reply->error() == QNetworkReply::NoError && body->size() <= kProbeBytes;
        const QByteArray contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
        const QString title = ok ? htmlPageTitle(*body, contentType) : QString();
        if (ok && folvane::web::isServicePageTitle(fromQt(title)) && createView()) {
            // The page the probe has read is shown as it is, with its own
            // address for its links: the service is asked once, not twice.
            // The view reports the load itself.
            page_->setContent(*body, contentType.isEmpty() ? QStringLiteral("text/html") : QString::fromLatin1(contentType),
                              reply->url());
            return;
        }
        onLoaded(ok, title);
    });
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

#include "navigation_bar.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QToolBar>

#include "desktop_open.h"
#include "product.h"
#include "settings/ini_store.h"
#include "settings/settings_record.h"
#include "update_checker.h"
#include "web_features.h"

namespace web = folvane::web;

QUrl updatePageUrl(const QString& base, const folvane::settings::IniStore* store, bool updateWish,
                   const UpdateRequestSources& sources) {
    web::UpdateRequest r;
    r.machineId = web::machineId(web::machineNumber(web::readMachineIdText(sources.machineIdFile)).value_or(0));
    r.hardwareId = web::hardwareId(web::readHardwareTexts(sources.hardwareDir));
    r.startCount = store ? store->readText(folvane::settings::settingsKeys().startCount, "0") : std::string("0");
    r.updateWish = updateWish;
    const std::string address = web::updatePageAddress(base.toStdString(), r);
    return QUrl(QString::fromLatin1(address.data(), static_cast<qsizetype>(address.size())), QUrl::StrictMode);
}

NavigationBarParts::NavigationBarParts(QWidget* container, WebFeatures* webFeatures, std::function<QUrl()> address,
                                       int retryIntervalMs, QObject* parent)
    : QObject(parent), container_(container) {
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        QLabel*& f = frames_[i];
        f = new QLabel(container);
        f->setObjectName(QStringLiteral("frame%1").arg(i));
        f->setFrameShape(QFrame::NoFrame);
        f->setAutoFillBackground(true);
        f->setBackgroundRole(QPalette::Mid);
    }
    advertisement_ = new LinkLabel(QStringLiteral("欢迎使用TF文章自动排版程序"), container);
    advertisement_->setCursor(Qt::PointingHandCursor);
    QFont underlined = advertisement_->font();
    underlined.setUnderline(true);
    advertisement_->setFont(underlined);
    advertisement_->setStyleSheet(QStringLiteral("color: #0000ee;"));
    advertisement_->setObjectName(QStringLiteral("advertisement"));
    connect(advertisement_, &LinkLabel::released, this,
            [container] { openWithDesktop(container, QUrl(product::kHomePage)); });
    if (webFeatures && webFeatures->available()) {
        updates_ = new UpdateChecker([webFeatures, container] { return webFeatures->createPage(container); },
                                     std::move(address), retryIntervalMs, this);
        connect(updates_, &UpdateChecker::viewCreated, this, [this] { placePageView(); });
    }
    layout(container->width(), container->width(), true);
}

QWidget* NavigationBarParts::pageView() const { return updates_ ? updates_->view() : nullptr; }

void NavigationBarParts::layout(int clientWidth, int outerWidth, bool barShown) {
    if (barShown != shown_) {
        if (barShown) web::bringNavigationBarBack(state_);
        else web::moveNavigationBarOutOfSight(state_);
        shown_ = barShown;
    }
    geometry_ = web::layoutNavigationBar(state_, barShown, clientWidth, outerWidth, buttonsRight());
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        const web::Rect& r = geometry_.frames[i];
        frames_[i]->setGeometry(r.left, r.top, r.width, r.height);
        frames_[i]->setVisible(geometry_.framesVisible);
    }
    const web::Rect& a = geometry_.advertisement;
    advertisement_->setGeometry(a.left, a.top, a.width, a.height);
    advertisement_->setVisible(geometry_.advertisementVisible);
    advertisement_->raise();
    placePageView();
    if (updates_) updates_->onLayout();
}

int NavigationBarParts::buttonsRight() const {
    int right = 0;
    if (auto* bar = qobject_cast<QToolBar*>(container_))
        for (QAction* a : bar->actions())
            if (QWidget* b = bar->widgetForAction(a); b && b->isVisibleTo(bar)) right = std::max(right, b->geometry().right() + 1);
    return right;
}

void NavigationBarParts::placePageView() {
    if (QWidget* v = pageView()) {
        const web::Rect& r = geometry_.pageView;
        v->setGeometry(r.left, r.top, r.width, r.height);
        advertisement_->raise();
    }
}

void NavigationBarParts::startUpdates(QWidget* window) {
    if (updates_) updates_->startWhenShown(window);
}

#include "open_url_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QWebEngineView>

#include "engine_page.h"

namespace web = folvane::web;

namespace {

QString statusCaption(web::ImportStatus status) {
    switch (status) {
    case web::ImportStatus::Loading: return QStringLiteral("正在读取网页...");
    case web::ImportStatus::Failed: return QStringLiteral("读取网页失败，请检查网址后重试。");
    case web::ImportStatus::Ready: break;
    }
    return QStringLiteral("已准备就绪");
}

}  // namespace

OpenUrlWindow::OpenUrlWindow(QWebEngineProfile* profile, bool alwaysOnTop,
                             std::function<void(const QString&)> replaceText, QWidget* parent)
    : QDialog(parent), replaceText_(std::move(replaceText)) {
    setWindowTitle(QStringLiteral("打开网址"));
    setWindowFlag(Qt::WindowStaysOnTopHint, alwaysOnTop);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* caption = new QLabel(QStringLiteral("网址:"), this);
    caption->setGeometry(12, 16, 40, 20);
    address_ = new QLineEdit(this);
    address_->setObjectName(QStringLiteral("addressBox"));
    address_->setGeometry(52, 14, 250, 24);
    open_ = new QPushButton(QStringLiteral("打开"), this);
    open_->setObjectName(QStringLiteral("openButton"));
    open_->setGeometry(312, 13, 76, 26);
    open_->setDefault(true);
    textRadio_ = new QRadioButton(QStringLiteral("只获取页面中的文本"), this);
    textRadio_->setGeometry(52, 54, 160, 22);
    textRadio_->setChecked(true);
    textRadio_->setObjectName(QStringLiteral("textRadio"));
    htmlRadio_ = new QRadioButton(QStringLiteral("读取完整HTML"), this);
    htmlRadio_->setGeometry(222, 54, 140, 22);
    htmlRadio_->setObjectName(QStringLiteral("htmlRadio"));
    status_ = new QLabel(statusCaption(web::ImportStatus::Ready), this);
    status_->setObjectName(QStringLiteral("statusLabel"));
    status_->setGeometry(12, 110, kWidth - 24, 20);

    // The engine's own view is not for reading: small, below the window's
    // visible area at every height.
    view_ = new QWebEngineView(this);
    view_->setObjectName(QStringLiteral("webView"));
    page_ = new DecliningPage(profile, view_);
    view_->setPage(page_);
    view_->setGeometry(kWidth - 60, 140, 56, 32);
    connect(page_, &QWebEnginePage::loadFinished, this, &OpenUrlWindow::onLoadFinished);
    connect(open_, &QPushButton::clicked, this, &OpenUrlWindow::startLoading);
    connect(address_, &QLineEdit::returnPressed, this, &OpenUrlWindow::startLoading);

    applyView();
    address_->setFocus();
}

OpenUrlWindow::~OpenUrlWindow() {
    // The engine hands pending results to their callbacks when the page goes;
    // the window is closed by then, so they are dropped.
    web::onImportClosed(state_);
    delete page_;
}

void OpenUrlWindow::applyView() {
    const web::ImportView v = web::viewOf(state_);
    setFixedSize(kWidth, v.height);
    status_->setVisible(v.statusVisible);
    status_->setText(statusCaption(v.status));
    address_->setEnabled(v.inputsEnabled);
    open_->setEnabled(v.inputsEnabled);
}

void OpenUrlWindow::startLoading() {
    const QString typed = address_->text();
    if (!web::startImport(state_, typed.toStdString())) return;
    applyView();
    // The address goes to the engine as typed; it decides how to read one
    // without a scheme.
    const QUrl url = QUrl::fromUserInput(typed);
    Q_EMIT navigationStarted(url);
    page_->load(url);
}

void OpenUrlWindow::onLoadFinished(bool succeeded) {
    switch (web::onLoadFinished(state_, succeeded)) {
    case web::LoadOutcome::Ignore:
        return;
    case web::LoadOutcome::ShowFailure:
        applyView();
        address_->setFocus();
        Q_EMIT loadFailed();
        return;
    case web::LoadOutcome::TakePage:
        break;
    }
    QPointer<OpenUrlWindow> self(this);
    auto take = [self](const QString& page) {
        if (self) self->deliver(page);
    };
    if (textRadio_->isChecked()) page_->toPlainText(take);
    else page_->toHtml(take);
}

void OpenUrlWindow::deliver(const QString& page) {
    if (!web::onPageDelivered(state_)) return;
    if (replaceText_) replaceText_(page);
    accept();
}

void OpenUrlWindow::done(int result) {
    web::onImportClosed(state_);
    page_->triggerAction(QWebEnginePage::Stop);
    QDialog::done(result);
}

void OpenUrlWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) address_->setFocus();
    QDialog::mouseReleaseEvent(e);
}

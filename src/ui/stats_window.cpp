#include "stats_window.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "editor/statistics.h"
#include "text_bridge.h"

StatsWindow::StatsWindow(std::string text, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("文字统计信息"));
    if (parent) setWindowIcon(parent->windowIcon());
    auto* layout = new QVBoxLayout(this);
    waiting_ = new QLabel(QStringLiteral("处理中，请稍候……"), this);
    field_ = new QPlainTextEdit(this);
    field_->setReadOnly(true);
    field_->hide();
    copy_ = new QPushButton(QStringLiteral("复制统计信息并关闭"), this);
    copy_->setEnabled(false);
    layout->addWidget(waiting_);
    layout->addWidget(field_);
    layout->addWidget(copy_);
    connect(copy_, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(report());
        accept();
    });
    resize(300, 220);

    // Counting runs on its own thread, so the window can paint meanwhile.
    QPointer<StatsWindow> self(this);
    worker_ = QThread::create([self, text = std::move(text)] {
        const std::string report = folvane::editor::statisticsReport(folvane::editor::countText(text));
        const QString shown = toQt(report);
        QMetaObject::invokeMethod(
            qApp, [self, shown] { if (self) self->showReport(shown); }, Qt::QueuedConnection);
    });
    worker_->start();
}

StatsWindow::~StatsWindow() {
    worker_->wait();
    delete worker_;
}

void StatsWindow::showReport(const QString& report) {
    field_->setPlainText(report);
    waiting_->hide();
    field_->show();
    copy_->setEnabled(true);
}

QString StatsWindow::report() const { return field_->toPlainText(); }

bool StatsWindow::ready() const { return copy_->isEnabled(); }

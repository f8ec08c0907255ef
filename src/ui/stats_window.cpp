#include "stats_window.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include "folvane_app.h"
#include "worker.h"
#include <QVBoxLayout>

#include "editor/statistics.h"
#include "text_bridge.h"

StatsWindow::StatsWindow(FolvaneApp& app, std::string text, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("文字统计信息"));
    if (parent) setWindowIcon(parent->windowIcon());
    auto* layout = new QVBoxLayout(this);
    waiting_ = new QLabel(QStringLiteral("处理中，请稍候……"), this);
    field_ = new QPlainTextEdit(this);
    field_->setReadOnly(true);
    field_->hide();
    copy_ = new QPushButton(QStringLiteral("复制统计信息并关闭"), this);
    copy_->setObjectName(QStringLiteral("copyButton"));
    copy_->setEnabled(false);
    layout->addWidget(waiting_);
    layout->addWidget(field_);
    layout->addWidget(copy_);
    connect(copy_, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(report());
        accept();
    });
    resize(300, 220);

    // Counting runs on the worker, so the window can paint meanwhile.
    app.worker().submit(
        this,
        [text = std::move(text)] {
            return toQt(folvane::editor::statisticsReport(folvane::editor::countText(text)));
        },
        [this](QString shown) { showReport(shown); });
}

void StatsWindow::showReport(const QString& report) {
    field_->setPlainText(report);
    waiting_->hide();
    field_->show();
    copy_->setEnabled(true);
}

QString StatsWindow::report() const { return field_->toPlainText(); }

bool StatsWindow::ready() const { return copy_->isEnabled(); }

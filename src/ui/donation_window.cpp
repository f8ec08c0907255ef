#include "donation_window.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "web/cipher.h"

DonationWindow::DonationWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("捐助"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    amounts_ = new QListWidget(this);
    amounts_->setObjectName(QStringLiteral("amounts"));
    for (const char* amount : {"5 元", "10 元", "20 元", "50 元", "100 元", "其它金额"})
        amounts_->addItem(QString::fromUtf8(amount));
    amounts_->setCurrentRow(1);
    amounts_->setFixedWidth(96);
    explanation_ = new QLabel(explanationText(), this);
    explanation_->setObjectName(QStringLiteral("explanation"));
    explanation_->setWordWrap(true);
    explanation_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    explanation_->setTextFormat(Qt::PlainText);
    row->addWidget(amounts_);
    row->addWidget(explanation_, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, 220);
}

QString DonationWindow::explanationText(const QString& resourcePath) {
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    const auto plain = folvane::web::decipher(std::string_view(data.constData(), static_cast<std::size_t>(data.size())),
                                              folvane::web::kResourceKey);
    if (!plain) return {};
    QString text = QString::fromUtf8(plain->data(), static_cast<qsizetype>(plain->size()));
    while (text.endsWith(QLatin1Char('\n'))) text.chop(1);  // the paragraphs keep their indentation
    return text;
}

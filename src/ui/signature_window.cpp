#include "signature_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

SignatureWindow::SignatureWindow(const QString& head, const QString& tail, bool enabled, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("首尾签名设置 (按Esc关闭)"));
    auto* layout = new QVBoxLayout(this);
    head_ = new QPlainTextEdit(head, this);
    tail_ = new QPlainTextEdit(tail, this);
    head_->setObjectName(QStringLiteral("headSignatureBox"));
    tail_->setObjectName(QStringLiteral("tailSignatureBox"));
    layout->addWidget(new QLabel(QStringLiteral("文首签名：(自动在文章首处增加本段文字)"), this));
    layout->addWidget(head_);
    layout->addWidget(new QLabel(QStringLiteral("文尾签名：(自动在文章尾部增加本段文字)"), this));
    layout->addWidget(tail_);
    auto* note = new QLabel(QStringLiteral("注：当填写了文首签名或文尾签名，则在每次排版时都会被自动加入排版的文章，"
                                           "如果不需要加首尾签名，将上面两个文本框留空即可。"),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* row = new QHBoxLayout;
    enabled_ = new QCheckBox(QStringLiteral("启用"), this);
    enabled_->setObjectName(QStringLiteral("signatureEnabled"));
    enabled_->setChecked(enabled);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    row->addWidget(enabled_);
    row->addStretch(1);
    row->addWidget(ok);
    layout->addLayout(row);
    connect(enabled_, &QCheckBox::clicked, this, &SignatureWindow::enabledChanged);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    for (QPlainTextEdit* box : {head_, tail_}) {
        box->setContextMenuPolicy(Qt::NoContextMenu);
        box->setMouseTracking(true);
        box->viewport()->setMouseTracking(true);
        box->viewport()->installEventFilter(this);
    }
    resize(460, 360);
}

QString SignatureWindow::headText() const { return head_->toPlainText(); }
QString SignatureWindow::tailText() const { return tail_->toPlainText(); }

QPlainTextEdit* SignatureWindow::target() const { return head_->hasFocus() ? head_ : tail_; }

void SignatureWindow::insertTemplate(const QString& token) { target()->insertPlainText(token); }

bool SignatureWindow::eventFilter(QObject* watched, QEvent* event) {
    QPlainTextEdit* box = watched == head_->viewport() ? head_ : watched == tail_->viewport() ? tail_ : nullptr;
    if (box) {
        // Moving the mouse over a box gives it the focus; the right button
        // opens the menu when it is released.
        if (event->type() == QEvent::MouseMove && !box->hasFocus()) box->setFocus();
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            popUpMenu(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SignatureWindow::popUpMenu(const QPoint& globalPos) {
    QMenu menu(QStringLiteral("菜单"), this);
    menu.addAction(QStringLiteral("剪切(&T)"), this, [this] { target()->cut(); });
    menu.addAction(QStringLiteral("复制(&C)"), this, [this] { target()->copy(); });
    menu.addAction(QStringLiteral("粘贴(&P)"), this, [this] { target()->paste(); });
    menu.addAction(QStringLiteral("删除(&D)"), this, [this] { target()->textCursor().removeSelectedText(); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("全选(&A)"), this, [this] { target()->selectAll(); });
    menu.addSeparator();
    struct Item {
        const char* caption;
        const char* token;
    };
    const Item dates[] = {
        {"插入#YYYY-#MM-#DD(效果为：2000-01-02)", "#YYYY-#MM-#DD"},
        {"插入#YYYY年#MM月#DD日(效果为:2000年01月02日)", "#YYYY年#MM月#DD日"},
        {"插入YYYY/MM/DD(效果为:2000/01/02)", "#YYYY/#MM/#DD"},
        {"插入DD.MM.YYYY(效果为:02.01.2000)", "#YYYY.#MM.#DD"},
        {"插入#YYYY(效果为:2000)", "#YYYY"},
        {"插入#MM(效果为:01)", "#MM"},
        {"插入#DD(效果为:02)", "#DD"},
    };
    const Item times[] = {
        {"插入#HH:#II:#SS(效果为: 13:20:59)", "#HH:#II:#SS"},
        {"插入#HH:#II(效果为: 13:20)", "#HH:#II"},
    };
    QMenu* dateMenu = menu.addMenu(QStringLiteral("插入日期(&D)"));
    for (const Item& i : dates)
        dateMenu->addAction(QString::fromUtf8(i.caption), this,
                            [this, t = QString::fromUtf8(i.token)] { insertTemplate(t); });
    QMenu* timeMenu = menu.addMenu(QStringLiteral("插入时间(&T)"));
    for (const Item& i : times)
        timeMenu->addAction(QString::fromUtf8(i.caption), this,
                            [this, t = QString::fromUtf8(i.token)] { insertTemplate(t); });
    menu.addAction(QStringLiteral("插入当前时间(&A)   (效果为:2000年01月02日 13:20:59)"), this,
                   [this] { insertTemplate(QStringLiteral("#YYYY年#MM月#DD日 #HH:#II:#SS")); });
    menu.exec(globalPos);
}

#include "changes_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using folvane::editor::TextChange;

namespace {

QPlainTextEdit* makeView(QWidget* parent, const QString& name) {
    auto* v = new QPlainTextEdit(parent);
    v->setObjectName(name);
    v->setReadOnly(true);
    return v;
}

// The range of units [first, last) the view shows now.
std::pair<std::size_t, std::size_t> visibleUnits(QPlainTextEdit* v) {
    const QRect r = v->viewport()->rect();
    const int first = v->cursorForPosition(r.topLeft()).block().position();
    const QTextBlock bottom = v->cursorForPosition(r.bottomRight()).block();
    const int last = bottom.position() + bottom.length();
    return {static_cast<std::size_t>(first), static_cast<std::size_t>(std::max(first, last))};
}

}  // namespace

ChangesWindow::ChangesWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("查看排版改动"));
    setObjectName(QStringLiteral("changesWindow"));
    auto* layout = new QVBoxLayout(this);
    auto* views = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    before_ = makeView(this, QStringLiteral("beforeView"));
    after_ = makeView(this, QStringLiteral("afterView"));
    left->addWidget(new QLabel(QStringLiteral("排版前"), this));
    left->addWidget(before_);
    right->addWidget(new QLabel(QStringLiteral("排版后"), this));
    right->addWidget(after_);
    views->addLayout(left);
    views->addLayout(right);
    layout->addLayout(views, 1);
    auto* bar = new QHBoxLayout;
    count_ = new QLabel(QStringLiteral("正在比较……"), this);
    count_->setObjectName(QStringLiteral("changeCount"));
    previous_ = new QPushButton(QStringLiteral("上一处(&P)"), this);
    next_ = new QPushButton(QStringLiteral("下一处(&N)"), this);
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    bar->addWidget(count_, 1);
    bar->addWidget(previous_);
    bar->addWidget(next_);
    bar->addWidget(close);
    layout->addLayout(bar);
    previous_->setEnabled(false);
    next_->setEnabled(false);
    connect(previous_, &QPushButton::clicked, this, &ChangesWindow::previous);
    connect(next_, &QPushButton::clicked, this, &ChangesWindow::next);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    for (QPlainTextEdit* v : {before_, after_}) {
        connect(v->verticalScrollBar(), &QScrollBar::valueChanged, this, &ChangesWindow::markVisible);
        connect(v, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
            if (dy != 0) markVisible();
        });
    }
    resize(900, 560);
}

void ChangesWindow::showComparison(QTextDocument* before, QTextDocument* after, std::vector<TextChange> changes) {
    changes_ = std::move(changes);
    current_ = -1;
    install(before_, before);
    pendingAfter_.reset(after);
    QTimer::singleShot(0, this, [this] {
        if (!pendingAfter_) return;
        install(after_, pendingAfter_.release());
        showCount();
        previous_->setEnabled(!changes_.empty());
        next_->setEnabled(!changes_.empty());
        markVisible();
        Q_EMIT shown();
    });
}

void ChangesWindow::install(QPlainTextEdit* view, QTextDocument* document) {
    // The view's previous comparison goes once the new one is in.
    // Only a document of a previous comparison is ours to free; the view's
    // own first one is freed by the view as it is replaced.
    QTextDocument* old = view->document();
    const bool ours = old && old != document && old->parent() == view;
    // The marks point into the old document: they go before it does.
    view->setExtraSelections({});
    document->setParent(view);
    view->setDocument(document);
    if (ours) old->deleteLater();
}

void ChangesWindow::showCount() {
    if (changes_.empty()) {
        count_->setText(QStringLiteral("排版没有改动文本"));
        return;
    }
    const QString total = QStringLiteral("共 %1 处改动").arg(changes_.size());
    count_->setText(current_ < 0 ? total : QStringLiteral("第 %1 处，%2").arg(current_ + 1).arg(total));
}

void ChangesWindow::previous() {
    if (changes_.empty()) return;
    const int n = static_cast<int>(changes_.size());
    goTo(current_ <= 0 ? n - 1 : current_ - 1);
}

void ChangesWindow::goTo(int index) {
    if (index < 0 || index >= static_cast<int>(changes_.size())) return;
    current_ = index;
    const TextChange& c = changes_[static_cast<std::size_t>(index)];
    auto select = [](QPlainTextEdit* v, std::size_t pos, std::size_t len) {
        QTextCursor cur(v->document());
        const int last = v->document()->characterCount() - 1;
        cur.setPosition(std::min(static_cast<int>(pos), last));
        cur.setPosition(std::min(static_cast<int>(pos + len), last), QTextCursor::KeepAnchor);
        v->setTextCursor(cur);
        v->centerCursor();
    };
    select(before_, c.beforePos, c.beforeLen);
    select(after_, c.afterPos, c.afterLen);
    showCount();
    markVisible();
}

void ChangesWindow::markVisible() {
    auto mark = [this](QPlainTextEdit* v, bool isBefore, const QColor& colour) {
        const auto [first, last] = visibleUnits(v);
        const auto startOf = [isBefore](const TextChange& c) { return isBefore ? c.beforePos : c.afterPos; };
        const auto lengthOf = [isBefore](const TextChange& c) { return isBefore ? c.beforeLen : c.afterLen; };
        // The first change that ends after `first`: changes are in order in both texts.
        auto it = std::lower_bound(changes_.begin(), changes_.end(), first, [&](const TextChange& c, std::size_t at) {
            return startOf(c) + lengthOf(c) < at;
        });
        QList<QTextEdit::ExtraSelection> marks;
        QTextCharFormat format;
        format.setBackground(colour);
        const int end = v->document()->characterCount() - 1;
        for (; it != changes_.end() && startOf(*it) <= last; ++it) {
            // A place where this side has nothing (text only added or only
            // removed) is marked by the one unit after it.
            const std::size_t len = std::max<std::size_t>(lengthOf(*it), 1);
            QTextCursor c(v->document());
            c.setPosition(std::min(static_cast<int>(startOf(*it)), end));
            c.setPosition(std::min(static_cast<int>(startOf(*it) + len), end), QTextCursor::KeepAnchor);
            marks.append({c, format});
        }
        v->setExtraSelections(marks);
    };
    mark(before_, true, QColor(255, 200, 200));
    mark(after_, false, QColor(190, 240, 190));
}

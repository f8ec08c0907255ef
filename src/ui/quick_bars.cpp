#include "quick_bars.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

UpperQuickBar::UpperQuickBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("upperQuickBar"));
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    indent = new QCheckBox(QStringLiteral("段首缩进"), this);
    mergeBreaks = new QCheckBox(QStringLiteral("合并换行"), this);
    noiseFix = new QCheckBox(QStringLiteral("修正干扰符"), this);
    joinBreaks = new QCheckBox(QStringLiteral("删除非段落换行"), this);
    signatures = new QCheckBox(QStringLiteral("启用首尾签名"), this);
    tools = new QPushButton(QStringLiteral("排版小工具"), this);
    for (QWidget* w : {static_cast<QWidget*>(indent), static_cast<QWidget*>(mergeBreaks),
                       static_cast<QWidget*>(noiseFix), static_cast<QWidget*>(joinBreaks),
                       static_cast<QWidget*>(signatures)})
        layout->addWidget(w);
    layout->addStretch(1);
    layout->addWidget(tools);
    // These two boxes do not toggle by themselves: a press on "合并换行"
    // opens the line-break menu, a click on "启用首尾签名" is decided by
    // the window (it opens the signature window when there is nothing to add).
    mergeBreaks->installEventFilter(this);
    signatures->installEventFilter(this);
}

bool UpperQuickBar::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                       type == QEvent::MouseButtonDblClick;
    const bool key = type == QEvent::KeyPress || type == QEvent::KeyRelease;
    if (watched == mergeBreaks && (mouse || key)) {
        if (type == QEvent::MouseButtonPress)
            Q_EMIT mergeBreaksPressed(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;  // the box only mirrors the line-break menu
    }
    if (watched == signatures && mouse) {
        if (type == QEvent::MouseButtonRelease) Q_EMIT signaturesClicked();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

LowerQuickBar::LowerQuickBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("lowerQuickBar"));
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    traditional = new QRadioButton(QStringLiteral("繁體字"), this);
    simplified = new QRadioButton(QStringLiteral("简体字"), this);
    unchanged = new QRadioButton(QStringLiteral("无变化"), this);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* r : {traditional, simplified, unchanged}) {
        group->addButton(r);
        layout->addWidget(r);
    }
    unchanged->setChecked(true);
    layout->addStretch(1);
    copyAfter = new QCheckBox(QStringLiteral("排版后拷贝"), this);
    cutAfter = new QCheckBox(QStringLiteral("排版后剪切"), this);
    minimizeAfter = new QCheckBox(QStringLiteral("排版后最小化窗口"), this);
    copyTypeset = new QCheckBox(QStringLiteral("复制即排版(    )"), this);
    help = new QLabel(QStringLiteral("<a href=\"#\">说明</a>"), this);
    for (QWidget* w : {static_cast<QWidget*>(copyAfter), static_cast<QWidget*>(cutAfter),
                       static_cast<QWidget*>(minimizeAfter), static_cast<QWidget*>(copyTypeset),
                       static_cast<QWidget*>(help)})
        layout->addWidget(w);
    help->installEventFilter(this);
}

void LowerQuickBar::setScriptVisible(bool visible) {
    traditional->setVisible(visible);
    simplified->setVisible(visible);
    unchanged->setVisible(visible);
}

bool LowerQuickBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == help && event->type() == QEvent::MouseButtonPress) {
        Q_EMIT helpPressed();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

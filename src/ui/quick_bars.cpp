#include "quick_bars.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

void QuickSwitchBoxes::build(folvane::engine::QuickBarPlace place, QWidget* parent, QHBoxLayout* layout) {
    for (const auto& row : folvane::engine::typesetOptionFields()) {
        if (row.quickBar != place) continue;
        auto* b = new QCheckBox(QString::fromUtf8(row.quickCaptionUtf8.data(), qsizetype(row.quickCaptionUtf8.size())),
                                parent);
        b->setObjectName(QString::fromUtf8(row.name.data(), qsizetype(row.name.size())));
        layout->addWidget(b);
        boxes.emplace_back(&row, b);
    }
}

QCheckBox* QuickSwitchBoxes::box(std::string_view name) const {
    for (const auto& [row, b] : boxes)
        if (row->name == name) return b;
    return nullptr;
}

UpperQuickBar::UpperQuickBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("upperQuickBar"));
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    indent = new QCheckBox(QStringLiteral("段首缩进"), this);
    mergeBreaks = new QCheckBox(QStringLiteral("合并换行"), this);
    noiseFix = new QCheckBox(QStringLiteral("修正干扰符"), this);
    for (QWidget* w : {static_cast<QWidget*>(indent), static_cast<QWidget*>(mergeBreaks),
                       static_cast<QWidget*>(noiseFix)})
        layout->addWidget(w);
    switches.build(folvane::engine::QuickBarPlace::Upper, this, layout);
    joinBreaks = switches.box("joinNonParagraphBreaks");
    signatures = new QCheckBox(QStringLiteral("启用首尾签名"), this);
    tools = new QPushButton(QStringLiteral("排版小工具"), this);
    layout->addWidget(signatures);
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
    switches.build(folvane::engine::QuickBarPlace::Lower, this, layout);
    copyAfter = switches.box("copyAfter");
    cutAfter = switches.box("cutAfter");
    minimizeAfter = switches.box("minimizeAfter");
    copyTypeset = new QCheckBox(QStringLiteral("复制即排版(    )"), this);
    help = new QLabel(QStringLiteral("<a href=\"#\">说明</a>"), this);
    layout->addWidget(copyTypeset);
    layout->addWidget(help);
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

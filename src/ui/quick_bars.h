// The two quick bars of the main window: shortcuts to the most used
// typesetting switches, so that they can be changed without the options
// window. The window connects their controls to its handlers.
#pragma once

#include <QFrame>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/typeset_options.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QHBoxLayout;
class QRadioButton;

// The check boxes a quick bar shows for the switch rows placed on it, in
// table order; each is named after its row.
struct QuickSwitchBoxes {
    std::vector<std::pair<const folvane::engine::TypesetOptionField*, QCheckBox*>> boxes;
    // Adds the boxes of the rows placed at `place` to `layout`.
    void build(folvane::engine::QuickBarPlace place, QWidget* parent, QHBoxLayout* layout);
    // The box of the row called `name`, or nullptr.
    QCheckBox* box(std::string_view name) const;
};

// The upper bar: "段首缩进", "合并换行", "修正干扰符", the boxes of the
// switch rows placed on it ("删除非段落换行"), "启用首尾签名" and the
// button "排版小工具".
class UpperQuickBar : public QFrame {
    Q_OBJECT
public:
    explicit UpperQuickBar(QWidget* parent = nullptr);

    QCheckBox* indent;
    QCheckBox* mergeBreaks;
    QCheckBox* noiseFix;
    QuickSwitchBoxes switches;
    QCheckBox* joinBreaks;
    QCheckBox* signatures;
    QPushButton* tools;

Q_SIGNALS:
    // A press on "合并换行" (which only mirrors the line-break menu).
    void mergeBreaksPressed(const QPoint& globalPos);
    // A click on "启用首尾签名": the window decides what it does.
    void signaturesClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The lower bar: the script radio buttons, the boxes of the switch rows
// placed on it ("排版后拷贝", "排版后剪切", "排版后最小化窗口"),
// "复制即排版(    )" and the link "说明".
class LowerQuickBar : public QFrame {
    Q_OBJECT
public:
    explicit LowerQuickBar(QWidget* parent = nullptr);

    QRadioButton* traditional;
    QRadioButton* simplified;
    QRadioButton* unchanged;
    QuickSwitchBoxes switches;
    QCheckBox* copyAfter;
    QCheckBox* cutAfter;
    QCheckBox* minimizeAfter;
    QCheckBox* copyTypeset;
    QLabel* help;

    // The radio buttons need room; the window hides them below 620 pixels.
    void setScriptVisible(bool visible);

Q_SIGNALS:
    void helpPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

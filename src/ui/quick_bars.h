// The two quick bars of the main window: shortcuts to the most used
// typesetting switches, so that they can be changed without the options
// window. The window connects their controls to its handlers.
#pragma once

#include <QFrame>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The upper bar: "段首缩进", "合并换行", "修正干扰符", "删除非段落换行",
// "启用首尾签名" and the button "排版小工具".
class UpperQuickBar : public QFrame {
    Q_OBJECT
public:
    explicit UpperQuickBar(QWidget* parent = nullptr);

    QCheckBox* indent;
    QCheckBox* mergeBreaks;
    QCheckBox* noiseFix;
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

// The lower bar: the script radio buttons, "排版后拷贝", "排版后剪切",
// "排版后最小化窗口", "复制即排版(    )" and the link "说明".
class LowerQuickBar : public QFrame {
    Q_OBJECT
public:
    explicit LowerQuickBar(QWidget* parent = nullptr);

    QRadioButton* traditional;
    QRadioButton* simplified;
    QRadioButton* unchanged;
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

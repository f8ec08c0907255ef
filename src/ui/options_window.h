// OptionsWindow ("排版时将执行以下选中的过程:"): edits the nineteen
// typesetting switches at once. The window is a view over the core's
// OptionsForm; nothing changes in the options until "确定".
#pragma once

#include <QDialog>
#include <QLabel>
#include <functional>

#include "engine/typeset_options.h"
#include "settings/options_form.h"

#include "link_label.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;


class OptionsWindow : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        // "确定" has written the options: the quick controls follow them.
        std::function<void()> applied;
        // "恢复成默认设置" confirmed: the application restores its defaults
        // (options and main window) at once.
        std::function<void()> restoreDefaults;
        // The question "此操作不能撤消，要恢复默认吗？"; true for Yes. A
        // message box unless a test answers it.
        std::function<bool(QWidget* parent)> confirmRestore;
    };

    // `options` is the options in force; the window reads it when it opens,
    // for "重置" and after the defaults, and writes it on "确定".
    // `topmost`: the window stays on top exactly when the main window does.
    OptionsWindow(folvane::engine::TypesetOptions& options, bool topmost, Hooks hooks, QWidget* parent = nullptr);

    const folvane::settings::OptionsForm& form() const { return form_; }

    // Controls, for tests and the view.
    QCheckBox* trimEnds() const { return trimEnds_; }
    QCheckBox* addIndent() const { return addIndent_; }
    QRadioButton* indentFull() const { return indentFull_; }
    QRadioButton* indentHalf() const { return indentHalf_; }
    QCheckBox* deleteBlank() const { return deleteBlank_; }
    QRadioButton* spacing(int i) const { return spacing_[i]; }  // 0 无空行, 1 空一行, 2 空两行
    QCheckBox* joinBreaks() const { return joinBreaks_; }
    QRadioButton* script(int i) const { return script_[i]; }    // 0 不转换, 1 繁体, 2 简体
    QRadioButton* width(int i) const { return width_[i]; }      // 0 不转换, 1 半角转全角, 2 全角转半角
    QCheckBox* fixPunctuation() const { return fixPunctuation_; }
    QCheckBox* fixQuotes() const { return fixQuotes_; }
    QCheckBox* stripHeadNoise() const { return stripHeadNoise_; }
    QCheckBox* stripTailNoise() const { return stripTailNoise_; }
    QCheckBox* fillBlankLines() const { return fillBlankLines_; }
    QCheckBox* copyAfter() const { return copyAfter_; }
    QCheckBox* cutAfter() const { return cutAfter_; }
    QCheckBox* minimizeAfter() const { return minimizeAfter_; }
    LinkLabel* restoreLink() const { return restoreLink_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* resetButton() const { return reset_; }
    QGroupBox* group(int i) const { return groups_[i]; }  // in the order of the window's table

    // The default question box.
    static bool askRestoreDefaults(QWidget* parent);

private:
    void build();
    // Widgets from form_ (no click rules run).
    void showForm();
    // form_ from the widgets, then the rule of `control` if it has one.
    void takeClick(const folvane::settings::OptionsForm& before, int control);
    void confirm();
    void reset();
    void restoreDefaults();

    folvane::engine::TypesetOptions& options_;
    Hooks hooks_;
    folvane::settings::OptionsForm form_;
    bool showing_ = false;

    QGroupBox* groups_[6] = {};
    QCheckBox* trimEnds_ = nullptr;
    QCheckBox* addIndent_ = nullptr;
    QRadioButton* indentFull_ = nullptr;
    QRadioButton* indentHalf_ = nullptr;
    QButtonGroup* indentGroup_ = nullptr;
    QCheckBox* deleteBlank_ = nullptr;
    QRadioButton* spacing_[3] = {};
    QButtonGroup* spacingGroup_ = nullptr;
    QCheckBox* joinBreaks_ = nullptr;
    QRadioButton* script_[3] = {};
    QButtonGroup* scriptGroup_ = nullptr;
    QRadioButton* width_[3] = {};
    QButtonGroup* widthGroup_ = nullptr;
    QCheckBox* fixPunctuation_ = nullptr;
    QCheckBox* fixQuotes_ = nullptr;
    QCheckBox* stripHeadNoise_ = nullptr;
    QCheckBox* stripTailNoise_ = nullptr;
    QCheckBox* fillBlankLines_ = nullptr;
    QCheckBox* copyAfter_ = nullptr;
    QCheckBox* cutAfter_ = nullptr;
    QCheckBox* minimizeAfter_ = nullptr;
    LinkLabel* restoreLink_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* reset_ = nullptr;
};

// OptionsWindow ("排版时将执行以下选中的过程:"): edits every typesetting
// switch at once. The window is a view over the core's OptionsForm; nothing
// changes in the options until "确定". Its groups and their plain check
// boxes come from the switch table; Qt layouts place them. Every control has
// an object name: the table row's name for a plain check box, otherwise the
// name given in build().
#pragma once

#include <QDialog>
#include <functional>
#include <utility>
#include <vector>

#include "corrections/script_converter.h"
#include "engine/typeset_options.h"
#include "settings/options_form.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QCheckBox;
class QGridLayout;
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

    // Adds the choice of the traditional standard ("繁体标准") to the group
    // "繁简转换", showing `standard`; "确定" writes it, "重置" shows it again.
    void bindScriptStandard(folvane::corrections::ScriptStandard& standard);

    // The default question box.
    static bool askRestoreDefaults(QWidget* parent);

private:
    void build();
    // The controls of a Composite row put into `grid` from `row` on; returns
    // the next free grid row (a row shown by another row's controls adds
    // nothing).
    int addComposite(const folvane::engine::TypesetOptionField& field, QGridLayout* grid, int row);
    // Widgets from form_ (no click rules run).
    void showForm();
    // form_ from the widgets, then the rule of `control` if it has one.
    void takeClick(const folvane::settings::OptionsForm& before, int control);
    void confirm();
    void reset();
    void restoreDefaults();

    folvane::engine::TypesetOptions& options_;
    folvane::corrections::ScriptStandard* standard_ = nullptr;
    QComboBox* standardBox_ = nullptr;
    Hooks hooks_;
    folvane::settings::OptionsForm form_;
    bool showing_ = false;

    QCheckBox* trimEnds_ = nullptr;
    QCheckBox* addIndent_ = nullptr;
    QRadioButton* indentFull_ = nullptr;
    QRadioButton* indentHalf_ = nullptr;
    QButtonGroup* indentGroup_ = nullptr;
    QCheckBox* deleteBlank_ = nullptr;
    QRadioButton* spacing_[3] = {};
    QButtonGroup* spacingGroup_ = nullptr;
    QCheckBox* joinBreaks_ = nullptr;
    QButtonGroup* scriptGroup_ = nullptr;
    QButtonGroup* widthGroup_ = nullptr;
    // The check boxes of the table's Check rows.
    std::vector<std::pair<const folvane::engine::TypesetOptionField*, QCheckBox*>> checks_;
    // Controls whose clicks only take their state.
    std::vector<QAbstractButton*> plain_;
};

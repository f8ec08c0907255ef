// The options window ("排版时将执行以下选中的过程:") without its widgets:
// the check, selection and enabled state of every control, how the window
// is filled from TypesetOptions, what its click rules do, and how "确定"
// reads the controls back. The Qt window is a view over this record.
#pragma once

#include <optional>

#include "engine/typeset_options.h"

namespace folvane::settings {

// A radio group of three where none may be selected yet (a group whose
// radios were never set since the window was created).
enum class Choice3 { None, First, Second, Third };

struct OptionsForm {
    // "空格"
    bool trimEnds = false;        // check box 1 "删除段首尾空格"
    bool addIndent = false;       // check box 2 "增加段首缩进空格"
    bool indentFull = false;      // radio "全角" selected
    bool indentHalf = false;      // radio "半角" selected
    bool indentRadiosEnabled = true;
    // "段落"
    bool deleteBlank = false;     // check box 3 "删除空段落"
    // First "段落之间无空行", Second "段落之间空一行", Third "段落之间空两行"
    Choice3 spacing = Choice3::None;
    bool spacingEnabled = true;   // the three radios
    bool joinBreaks = false;      // check box 4 "删除非段落换行"
    bool joinBreaksEnabled = true;
    // "繁简转换": First "不转换", Second "转换到繁体字", Third "转换到简体字"
    Choice3 script = Choice3::None;
    // "半角/全角": First "不转换", Second "半角转全角", Third "全角转半角"
    Choice3 width = Choice3::None;
    // The check boxes of the switch table's Check rows ("标点修正",
    // "排版后拷贝全文", ...): each shows its own field here; the fields of
    // the other rows are unused.
    engine::TypesetOptions checks;

    bool operator==(const OptionsForm&) const = default;
};

// The controls whose clicks have rules of their own.
enum class OptionsClick { TrimEnds, AddIndent, DeleteBlank, CopyAfter, CutAfter };

// The rule of a Check row's box, if it has one ("排版后拷贝全文" and
// "排版后剪切全文" exclude each other).
std::optional<OptionsClick> clickRuleOf(const engine::TypesetOptionField& row);

// The window as it is created: the radios "全角"/"半角" show the stored
// indentFullWidth even while addIndent is off (they are then disabled), so
// that "确定" without changes keeps that field; then fillOptionsWindow.
OptionsForm createOptionsForm(const engine::TypesetOptions& options);

// Sets every control from `options`; with addIndent off the indentation
// radios are disabled and keep their selection. Runs at creation, for
// "重置" and after the defaults were restored.
void fillOptionsWindow(OptionsForm& form, const engine::TypesetOptions& options);

// The rule of a clicked control, run after the control has taken its new
// state. `stored` is the TypesetOptions in force (the indentation radios are
// set again from its indentFullWidth, not from their own selection).
void clickOptionsControl(OptionsForm& form, OptionsClick control, const engine::TypesetOptions& stored);

// "确定": every switch read from the controls, disabled ones too.
// "删除空段落" unchecked switches all four paragraph fields off; a blank
// line between paragraphs implies lineBreakFix. The caller then runs
// syncQuickBars.
void applyOptionsWindow(const OptionsForm& form, engine::TypesetOptions& options);

}  // namespace folvane::settings

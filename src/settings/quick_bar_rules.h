// What a click on a quick control or a line-break menu item does to the
// typesetting switches and to the controls shown.
#pragma once

#include "engine/typeset_options.h"
#include "settings/quick_bars.h"

namespace folvane::settings {

enum class QuickControl {
    Indent,         // "段首缩进": trimParagraphEnds and addIndent
    NoiseFix,       // "修正干扰符": stripHeadNoise and stripTailNoise
    JoinBreaks,     // "删除非段落换行"
    Traditional,    // "繁體字"
    Simplified,     // "简体字"
    Unchanged,      // "无变化"
    CopyAfter,      // "排版后拷贝"
    CutAfter,       // "排版后剪切"
    MinimizeAfter,  // "排版后最小化窗口"
};

// A click that left the control `checked` (radio buttons: always true).
// Returns the states the controls are to show.
QuickBarState clickQuickControl(engine::TypesetOptions& options, QuickBarState shown, QuickControl control,
                                bool checked);

// A click on the quick bar box of a switch row (QuickBarPlace other than
// None): the rule of its QuickControl when it has one, else the row's field
// alone takes the box's state.
QuickBarState clickQuickSwitch(engine::TypesetOptions& options, QuickBarState shown,
                               const engine::TypesetOptionField& row, bool checked);

// What the quick bar box of `row` shows: its state in `shown` when the box
// has a QuickControl, else the row's field.
bool quickSwitchShown(const QuickBarState& shown, const engine::TypesetOptions& options,
                      const engine::TypesetOptionField& row);

enum class LineBreakItem { Single, Double, Triple, NoFix };  // "单换行" "双换行" "三换行" "不修正换行"

// One item of the line-break menu: three switches, the menu's marks (only
// the chosen item), "合并换行"; "不修正换行" also clears the joining.
QuickBarState chooseLineBreak(engine::TypesetOptions& options, QuickBarState shown, LineBreakItem item);

}  // namespace folvane::settings

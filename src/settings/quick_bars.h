// Consistency of the exclusive switches, and the states of the main
// window's quick controls and line-break menu derived from them.
#pragma once

#include "engine/typeset_options.h"

namespace folvane::settings {

// Resolves the pairs that the quick controls keep exclusive, the later
// switch of each pair giving way: doubleBreak over tripleBreak,
// toTraditional over toSimplified, copyAfter over cutAfter.
void normalizeOptions(engine::TypesetOptions& options);

enum class ScriptChoice { Traditional, Simplified, Unchanged };  // "繁體字", "简体字", "无变化"

struct QuickBarState {
    bool indent = false;          // check box "段首缩进"
    bool mergeBreaks = false;     // check box "合并换行"
    // The line-break menu: exactly one of the four is marked.
    bool singleBreak = false;     // "单换行"
    bool doubleBreak = false;     // "双换行"
    bool tripleBreak = false;     // "三换行"
    bool noBreakFix = false;      // "不修正换行"
    bool noiseFix = false;        // check box "修正干扰符"
    bool joinBreaks = false;      // check box "删除非段落换行"
    ScriptChoice script = ScriptChoice::Unchanged;
    bool copyAfter = false;       // check box "排版后拷贝"
    bool cutAfter = false;        // check box "排版后剪切"
    bool minimizeAfter = false;   // check box "排版后最小化窗口"

    bool operator==(const QuickBarState&) const = default;
};

// Normalises `options`, then computes the quick controls' states from them.
QuickBarState syncQuickBars(engine::TypesetOptions& options);

}  // namespace folvane::settings

#include "settings/quick_bar_rules.h"

namespace folvane::settings {
namespace {

// The switch rows whose quick bar boxes have rules of their own.
struct QuickSwitch {
    bool engine::TypesetOptions::*member;
    QuickControl control;
    bool QuickBarState::*shown;
};
using O = engine::TypesetOptions;
constexpr QuickSwitch kQuickSwitches[] = {
    {&O::joinNonParagraphBreaks, QuickControl::JoinBreaks, &QuickBarState::joinBreaks},
    {&O::copyAfter, QuickControl::CopyAfter, &QuickBarState::copyAfter},
    {&O::cutAfter, QuickControl::CutAfter, &QuickBarState::cutAfter},
    {&O::minimizeAfter, QuickControl::MinimizeAfter, &QuickBarState::minimizeAfter},
};

const QuickSwitch* quickSwitchOf(const engine::TypesetOptionField& row) {
    for (const QuickSwitch& q : kQuickSwitches)
        if (q.member == row.member) return &q;
    return nullptr;
}

}  // namespace

QuickBarState clickQuickSwitch(engine::TypesetOptions& o, QuickBarState q, const engine::TypesetOptionField& row,
                               bool checked) {
    if (const QuickSwitch* ruled = quickSwitchOf(row)) return clickQuickControl(o, q, ruled->control, checked);
    o.*(row.member) = checked;
    return q;
}

bool quickSwitchShown(const QuickBarState& q, const engine::TypesetOptions& o, const engine::TypesetOptionField& row) {
    if (const QuickSwitch* ruled = quickSwitchOf(row)) return q.*(ruled->shown);
    return o.*(row.member);
}

QuickBarState clickQuickControl(engine::TypesetOptions& o, QuickBarState q, QuickControl control, bool checked) {
    switch (control) {
    case QuickControl::Indent:
        o.trimParagraphEnds = o.addIndent = checked;
        q.indent = checked;
        break;
    case QuickControl::NoiseFix:
        o.stripHeadNoise = o.stripTailNoise = checked;
        q.noiseFix = checked;
        break;
    case QuickControl::JoinBreaks:
        o.joinNonParagraphBreaks = checked;
        q.joinBreaks = checked;
        // Joining needs the line-break repair: without it "单换行" is chosen.
        if (checked && !o.lineBreakFix) q = chooseLineBreak(o, q, LineBreakItem::Single);
        break;
    case QuickControl::Traditional:
        o.toTraditional = true;
        o.toSimplified = false;
        q.script = ScriptChoice::Traditional;
        break;
    case QuickControl::Simplified:
        o.toTraditional = false;
        o.toSimplified = true;
        q.script = ScriptChoice::Simplified;
        break;
    case QuickControl::Unchanged:
        o.toTraditional = o.toSimplified = false;
        q.script = ScriptChoice::Unchanged;
        break;
    case QuickControl::CopyAfter:
        o.copyAfter = checked;
        q.copyAfter = checked;
        if (checked) o.cutAfter = q.cutAfter = false;
        break;
    case QuickControl::CutAfter:
        o.cutAfter = checked;
        q.cutAfter = checked;
        if (checked) o.copyAfter = q.copyAfter = false;
        break;
    case QuickControl::MinimizeAfter:
        o.minimizeAfter = checked;
        q.minimizeAfter = checked;
        break;
    }
    return q;
}

QuickBarState chooseLineBreak(engine::TypesetOptions& o, QuickBarState q, LineBreakItem item) {
    o.lineBreakFix = item != LineBreakItem::NoFix;
    o.doubleBreak = item == LineBreakItem::Double;
    o.tripleBreak = item == LineBreakItem::Triple;
    q.singleBreak = item == LineBreakItem::Single;
    q.doubleBreak = item == LineBreakItem::Double;
    q.tripleBreak = item == LineBreakItem::Triple;
    q.noBreakFix = item == LineBreakItem::NoFix;
    q.mergeBreaks = item != LineBreakItem::NoFix;
    if (item == LineBreakItem::NoFix) {
        o.joinNonParagraphBreaks = false;
        q.joinBreaks = false;
    }
    return q;
}

}  // namespace folvane::settings

#include "settings/options_form.h"

namespace folvane::settings {
namespace {

void selectIndent(OptionsForm& f, bool full) {
    f.indentFull = full;
    f.indentHalf = !full;
}

void enableParagraphGroup(OptionsForm& f, bool on) {
    f.spacingEnabled = on;
    f.joinBreaksEnabled = on;
}

// Check box 2: enables the radios and shows the stored choice, or disables them.
void addIndentRule(OptionsForm& f, const engine::TypesetOptions& stored) {
    f.indentRadiosEnabled = f.addIndent;
    if (f.addIndent) selectIndent(f, stored.indentFullWidth);
}

Choice3 choiceOf(bool second, bool third) {
    if (second) return Choice3::Second;
    if (third) return Choice3::Third;
    return Choice3::First;
}

}  // namespace

std::optional<OptionsClick> clickRuleOf(const engine::TypesetOptionField& row) {
    if (row.member == &engine::TypesetOptions::copyAfter) return OptionsClick::CopyAfter;
    if (row.member == &engine::TypesetOptions::cutAfter) return OptionsClick::CutAfter;
    return std::nullopt;
}

OptionsForm createOptionsForm(const engine::TypesetOptions& options) {
    OptionsForm f;
    selectIndent(f, options.indentFullWidth);
    fillOptionsWindow(f, options);
    return f;
}

void fillOptionsWindow(OptionsForm& f, const engine::TypesetOptions& o) {
    f.trimEnds = o.trimParagraphEnds;
    f.addIndent = o.addIndent;
    f.indentRadiosEnabled = o.addIndent;
    if (o.addIndent) selectIndent(f, o.indentFullWidth);

    if (o.lineBreakFix || o.doubleBreak || o.tripleBreak) {
        enableParagraphGroup(f, true);
        f.deleteBlank = true;
        f.joinBreaks = o.joinNonParagraphBreaks;
        f.spacing = choiceOf(o.doubleBreak, o.tripleBreak);
    } else {
        f.deleteBlank = false;
        enableParagraphGroup(f, false);
        if (o.joinNonParagraphBreaks) {
            f.deleteBlank = true;
            enableParagraphGroup(f, true);
            f.spacing = Choice3::First;
            f.joinBreaks = true;
        }
    }

    f.script = choiceOf(o.toTraditional, o.toSimplified);
    f.width = choiceOf(o.halfToFullWidth, o.fullToHalfWidth);

    for (const auto& row : engine::typesetOptionFields())
        if (row.control == engine::OptionsControl::Check) f.checks.*(row.member) = o.*(row.member);
}

void clickOptionsControl(OptionsForm& f, OptionsClick control, const engine::TypesetOptions& stored) {
    switch (control) {
        case OptionsClick::AddIndent:
            addIndentRule(f, stored);
            break;
        case OptionsClick::TrimEnds:
            if (!f.trimEnds && f.addIndent) {
                f.addIndent = false;
                addIndentRule(f, stored);
            }
            break;
        case OptionsClick::DeleteBlank:
            enableParagraphGroup(f, f.deleteBlank);
            if (f.deleteBlank && f.spacing == Choice3::None) f.spacing = Choice3::First;
            break;
        case OptionsClick::CopyAfter:
            f.checks.cutAfter = false;
            break;
        case OptionsClick::CutAfter:
            f.checks.copyAfter = false;
            break;
    }
}

void applyOptionsWindow(const OptionsForm& f, engine::TypesetOptions& o) {
    o.trimParagraphEnds = f.trimEnds;
    o.addIndent = f.addIndent;
    o.indentFullWidth = f.indentFull;
    o.lineBreakFix = f.spacing == Choice3::First;
    o.doubleBreak = f.spacing == Choice3::Second;
    o.tripleBreak = f.spacing == Choice3::Third;
    if (o.doubleBreak || o.tripleBreak) o.lineBreakFix = true;

    o.joinNonParagraphBreaks = f.joinBreaks;
    if (!f.deleteBlank) o.lineBreakFix = o.doubleBreak = o.tripleBreak = o.joinNonParagraphBreaks = false;

    o.toTraditional = f.script == Choice3::Second;
    o.toSimplified = f.script == Choice3::Third;
    o.halfToFullWidth = f.width == Choice3::Second;
    o.fullToHalfWidth = f.width == Choice3::Third;
    for (const auto& row : engine::typesetOptionFields())
        if (row.control == engine::OptionsControl::Check) o.*(row.member) = f.checks.*(row.member);
}

}  // namespace folvane::settings

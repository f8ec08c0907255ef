#include "settings/options_form.h"

#include <gtest/gtest.h>

#include <functional>

#include "settings/quick_bars.h"

namespace folvane::settings {
namespace {

using engine::TypesetOptions;

TypesetOptions with(std::function<void(TypesetOptions&)> change, TypesetOptions o = {}) {
    change(o);
    return o;
}

TypesetOptions confirmedUnchanged(const TypesetOptions& o) {
    TypesetOptions out = o;
    applyOptionsWindow(createOptionsForm(o), out);
    return out;
}

TEST(FillOptionsWindow, ParagraphGroupFollowsTheBreakSwitches) {
    struct Case {
        const char* name;
        TypesetOptions options;
        bool deleteBlank, enabled;
        Choice3 spacing;
        bool joinBreaks;
    };
    const Case cases[] = {
        {"nothing on: unchecked and disabled, no radio set", {}, false, false, Choice3::None, false},
        {"lineBreakFix", with([](auto& o) { o.lineBreakFix = true; }), true, true, Choice3::First, false},
        {"doubleBreak alone", with([](auto& o) { o.doubleBreak = true; }), true, true, Choice3::Second, false},
        {"tripleBreak with lineBreakFix", with([](auto& o) { o.tripleBreak = o.lineBreakFix = true; }), true, true,
         Choice3::Third, false},
        {"join with lineBreakFix", with([](auto& o) { o.lineBreakFix = o.joinNonParagraphBreaks = true; }), true,
         true, Choice3::First, true},
        {"join without any break switch", with([](auto& o) { o.joinNonParagraphBreaks = true; }), true, true,
         Choice3::First, true},
    };
    for (const auto& c : cases) {
        const OptionsForm f = createOptionsForm(c.options);
        EXPECT_EQ(f.deleteBlank, c.deleteBlank) << c.name;
        EXPECT_EQ(f.spacingEnabled, c.enabled) << c.name;
        EXPECT_EQ(f.joinBreaksEnabled, c.enabled) << c.name;
        EXPECT_EQ(f.spacing, c.spacing) << c.name;
        EXPECT_EQ(f.joinBreaks, c.joinBreaks) << c.name;
    }
}

TEST(FillOptionsWindow, ExclusiveGroupsAndPlainBoxes) {
    struct Case {
        const char* name;
        TypesetOptions options;
        Choice3 script, width;
    };
    const Case cases[] = {
        {"neither", {}, Choice3::First, Choice3::First},
        {"traditional, half to full", with([](auto& o) { o.toTraditional = o.halfToFullWidth = true; }),
         Choice3::Second, Choice3::Second},
        {"simplified, full to half", with([](auto& o) { o.toSimplified = o.fullToHalfWidth = true; }),
         Choice3::Third, Choice3::Third},
    };
    for (const auto& c : cases) {
        const OptionsForm f = createOptionsForm(c.options);
        EXPECT_EQ(f.script, c.script) << c.name;
        EXPECT_EQ(f.width, c.width) << c.name;
    }
    // Every plain check box takes its own field and no other.
    for (const auto& field : engine::typesetOptionFields()) {
        TypesetOptions o;
        o.*(field.member) = true;
        const OptionsForm f = createOptionsForm(o);
        TypesetOptions back;
        applyOptionsWindow(f, back);
        TypesetOptions expected = o;
        // A blank line between paragraphs implies lineBreakFix, and so does
        // joining alone: the window shows it with "段落之间无空行" selected.
        if (o.doubleBreak || o.tripleBreak || o.joinNonParagraphBreaks) expected.lineBreakFix = true;
        EXPECT_EQ(back, expected) << field.name;
    }
}

TEST(FillOptionsWindow, IndentRadiosDisabledKeepTheirSelection) {
    TypesetOptions full = with([](auto& o) { o.addIndent = o.indentFullWidth = true; });
    OptionsForm f = createOptionsForm(full);
    EXPECT_TRUE(f.indentRadiosEnabled);
    EXPECT_TRUE(f.indentFull);
    EXPECT_FALSE(f.indentHalf);

    // "重置" against options with addIndent off: disabled, selection left.
    fillOptionsWindow(f, with([](auto& o) { o.indentFullWidth = false; }));
    EXPECT_FALSE(f.indentRadiosEnabled);
    EXPECT_TRUE(f.indentFull);

    // At creation with addIndent off the radios show the stored field.
    const OptionsForm half = createOptionsForm({});
    EXPECT_FALSE(half.indentRadiosEnabled);
    EXPECT_TRUE(half.indentHalf);
}

TEST(ClickOptionsControl, Rules) {
    const TypesetOptions storedFull = with([](auto& o) { o.indentFullWidth = true; });
    struct Case {
        const char* name;
        std::function<void(OptionsForm&)> before;  // the control's new state and earlier edits
        OptionsClick click;
        std::function<void(OptionsForm&)> expectChange;
    };
    const Case cases[] = {
        {"indent checked: radios enabled, stored choice shown, not their own",
         [](OptionsForm& f) { f.indentFull = false, f.indentHalf = true, f.addIndent = true; }, OptionsClick::AddIndent,
         [](OptionsForm& f) { f.indentRadiosEnabled = true, f.indentFull = true, f.indentHalf = false; }},
        {"indent unchecked: radios disabled, selection kept", [](OptionsForm& f) { f.addIndent = false; },
         OptionsClick::AddIndent, [](OptionsForm& f) { f.indentRadiosEnabled = false; }},
        {"trim unchecked while indent checked: indent goes too",
         [](OptionsForm& f) { f.addIndent = true, f.indentRadiosEnabled = true, f.trimEnds = false; },
         OptionsClick::TrimEnds, [](OptionsForm& f) { f.addIndent = false, f.indentRadiosEnabled = false; }},
        {"trim unchecked with indent off: nothing else", [](OptionsForm& f) { f.trimEnds = false; },
         OptionsClick::TrimEnds, [](OptionsForm&) {}},
        {"trim checked leaves indent alone", [](OptionsForm& f) { f.trimEnds = true; }, OptionsClick::TrimEnds,
         [](OptionsForm&) {}},
        {"delete-blank checked with no radio: first radio", [](OptionsForm& f) { f.deleteBlank = true; },
         OptionsClick::DeleteBlank,
         [](OptionsForm& f) { f.spacingEnabled = f.joinBreaksEnabled = true, f.spacing = Choice3::First; }},
        {"delete-blank checked keeps a selected radio",
         [](OptionsForm& f) { f.deleteBlank = true, f.spacing = Choice3::Third; }, OptionsClick::DeleteBlank,
         [](OptionsForm& f) { f.spacingEnabled = f.joinBreaksEnabled = true; }},
        {"delete-blank unchecked disables, keeps the radio",
         [](OptionsForm& f) {
             f.deleteBlank = false, f.spacing = Choice3::Second, f.spacingEnabled = f.joinBreaksEnabled = true;
         },
         OptionsClick::DeleteBlank, [](OptionsForm& f) { f.spacingEnabled = f.joinBreaksEnabled = false; }},
        {"copy checked unchecks cut", [](OptionsForm& f) { f.checks.copyAfter = f.checks.cutAfter = true; }, OptionsClick::CopyAfter,
         [](OptionsForm& f) { f.checks.cutAfter = false; }},
        {"copy unchecked unchecks cut too", [](OptionsForm& f) { f.checks.copyAfter = false, f.checks.cutAfter = true; },
         OptionsClick::CopyAfter, [](OptionsForm& f) { f.checks.cutAfter = false; }},
        {"cut checked unchecks copy", [](OptionsForm& f) { f.checks.cutAfter = f.checks.copyAfter = true; }, OptionsClick::CutAfter,
         [](OptionsForm& f) { f.checks.copyAfter = false; }},
        {"both can end unchecked", [](OptionsForm& f) { f.checks.cutAfter = false; }, OptionsClick::CutAfter,
         [](OptionsForm&) {}},
    };
    for (const auto& c : cases) {
        OptionsForm f = createOptionsForm({});
        c.before(f);
        OptionsForm expected = f;
        c.expectChange(expected);
        clickOptionsControl(f, c.click, storedFull);
        EXPECT_EQ(f, expected) << c.name;
    }
}

TEST(ApplyOptionsWindow, ReadsEveryControlDisabledOnesToo) {
    struct Case {
        const char* name;
        TypesetOptions options;
        std::function<void(OptionsForm&)> edit;
        std::function<void(TypesetOptions&)> expectChange;  // from the options the window opened on
    };
    const Case cases[] = {
        {"no edits: defaults unchanged", TypesetOptions::defaults(), [](OptionsForm&) {}, [](TypesetOptions&) {}},
        {"no edits: doubleBreak implies lineBreakFix", with([](auto& o) { o.doubleBreak = true; }),
         [](OptionsForm&) {}, [](TypesetOptions& o) { o.lineBreakFix = true; }},
        {"no edits: tripleBreak implies lineBreakFix", with([](auto& o) { o.tripleBreak = true; }),
         [](OptionsForm&) {}, [](TypesetOptions& o) { o.lineBreakFix = true; }},
        {"delete-blank unchecked clears all four though a radio is selected",
         with([](auto& o) { o.lineBreakFix = o.tripleBreak = o.joinNonParagraphBreaks = true; }),
         [](OptionsForm& f) {
             f.deleteBlank = false;
             clickOptionsControl(f, OptionsClick::DeleteBlank, {});
         },
         [](TypesetOptions& o) { o.lineBreakFix = o.tripleBreak = o.joinNonParagraphBreaks = false; }},
        {"the disabled indentation radios are read",
         with([](auto& o) { o.addIndent = true, o.indentFullWidth = true; }),
         [](OptionsForm& f) {
             f.indentFull = false, f.indentHalf = true;  // chosen while enabled
             f.addIndent = false;
             clickOptionsControl(f, OptionsClick::AddIndent, {});
         },
         [](TypesetOptions& o) { o.addIndent = false, o.indentFullWidth = false; }},
        {"a disabled join box counts while delete-blank is checked",
         with([](auto& o) { o.lineBreakFix = true; }),
         [](OptionsForm& f) { f.joinBreaks = true, f.joinBreaksEnabled = false; },
         [](TypesetOptions& o) { o.joinNonParagraphBreaks = true; }},
        {"radios of the three groups", {},
         [](OptionsForm& f) {
             f.deleteBlank = true, f.spacing = Choice3::Second, f.script = Choice3::Third, f.width = Choice3::Second;
         },
         [](TypesetOptions& o) { o.lineBreakFix = o.doubleBreak = o.toSimplified = o.halfToFullWidth = true; }},
    };
    for (const auto& c : cases) {
        OptionsForm f = createOptionsForm(c.options);
        c.edit(f);
        TypesetOptions got = c.options;
        applyOptionsWindow(f, got);
        TypesetOptions expected = c.options;
        c.expectChange(expected);
        EXPECT_EQ(got, expected) << c.name;
    }
}

TEST(ApplyOptionsWindow, ConfirmingTwiceChangesNothingMore) {
    // Whatever the window opened on, a second "确定" without edits is a no-op.
    for (const auto& a : engine::typesetOptionFields())
        for (const auto& b : engine::typesetOptionFields()) {
            TypesetOptions o;
            o.*(a.member) = true;
            o.*(b.member) = true;
            normalizeOptions(o);
            const TypesetOptions once = confirmedUnchanged(o);
            EXPECT_EQ(confirmedUnchanged(once), once) << a.name << "+" << b.name;
        }
}

}  // namespace
}  // namespace folvane::settings

#include "settings/quick_bar_rules.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace folvane::settings {
namespace {

using engine::TypesetOptions;

// The switches that a click may change, written compactly for the tables.
struct Switches {
    bool trim, indent, lineFix, dbl, tpl, join, noiseHead, noiseTail, trad, simp, copy, cut, minimize;
    bool operator==(const Switches&) const = default;
};

Switches of(const TypesetOptions& o) {
    return {o.trimParagraphEnds, o.addIndent, o.lineBreakFix, o.doubleBreak, o.tripleBreak,
            o.joinNonParagraphBreaks, o.stripHeadNoise, o.stripTailNoise, o.toTraditional, o.toSimplified,
            o.copyAfter, o.cutAfter, o.minimizeAfter};
}

TEST(QuickBarRules, AClickOnEachControl) {
    struct Case {
        const char* name;
        std::function<void(TypesetOptions&)> before;
        QuickControl control;
        bool checked;
        std::function<void(TypesetOptions&)> expect;  // applied to the "before" switches
        std::function<void(QuickBarState&)> shown;    // applied to the "before" controls
    };
    auto none = [](auto&) {};
    const std::vector<Case> cases = {
        {"indent on sets both switches", [](TypesetOptions& o) { o.trimParagraphEnds = o.addIndent = false; },
         QuickControl::Indent, true, [](TypesetOptions& o) { o.trimParagraphEnds = o.addIndent = true; },
         [](QuickBarState& q) { q.indent = true; }},
        {"indent off clears both", none, QuickControl::Indent, false,
         [](TypesetOptions& o) { o.trimParagraphEnds = o.addIndent = false; }, [](QuickBarState& q) { q.indent = false; }},
        {"noise fix on sets head and tail", none, QuickControl::NoiseFix, true,
         [](TypesetOptions& o) { o.stripHeadNoise = o.stripTailNoise = true; },
         [](QuickBarState& q) { q.noiseFix = true; }},
        {"joining with line breaks repaired leaves the menu", none, QuickControl::JoinBreaks, true,
         [](TypesetOptions& o) { o.joinNonParagraphBreaks = true; }, [](QuickBarState& q) { q.joinBreaks = true; }},
        {"joining without the repair chooses 单换行",
         [](TypesetOptions& o) { o.lineBreakFix = false; }, QuickControl::JoinBreaks, true,
         [](TypesetOptions& o) { o.joinNonParagraphBreaks = o.lineBreakFix = true; },
         [](QuickBarState& q) {
             q.joinBreaks = q.singleBreak = q.mergeBreaks = true;
             q.noBreakFix = false;
         }},
        {"unticking the joining leaves the repair off",
         [](TypesetOptions& o) { o.lineBreakFix = false; o.joinNonParagraphBreaks = true; }, QuickControl::JoinBreaks,
         false, [](TypesetOptions& o) { o.joinNonParagraphBreaks = false; },
         [](QuickBarState& q) { q.joinBreaks = false; }},
        {"繁體字 clears simplified", [](TypesetOptions& o) { o.toSimplified = true; }, QuickControl::Traditional, true,
         [](TypesetOptions& o) { o.toTraditional = true; o.toSimplified = false; },
         [](QuickBarState& q) { q.script = ScriptChoice::Traditional; }},
        {"简体字 clears traditional", [](TypesetOptions& o) { o.toTraditional = true; }, QuickControl::Simplified, true,
         [](TypesetOptions& o) { o.toTraditional = false; o.toSimplified = true; },
         [](QuickBarState& q) { q.script = ScriptChoice::Simplified; }},
        {"无变化 clears both", [](TypesetOptions& o) { o.toTraditional = true; }, QuickControl::Unchanged, true,
         [](TypesetOptions& o) { o.toTraditional = o.toSimplified = false; },
         [](QuickBarState& q) { q.script = ScriptChoice::Unchanged; }},
        {"copy on unticks cut", [](TypesetOptions& o) { o.cutAfter = true; }, QuickControl::CopyAfter, true,
         [](TypesetOptions& o) { o.copyAfter = true; o.cutAfter = false; },
         [](QuickBarState& q) { q.copyAfter = true; q.cutAfter = false; }},
        {"copy off leaves cut alone", [](TypesetOptions& o) { o.copyAfter = true; }, QuickControl::CopyAfter, false,
         [](TypesetOptions& o) { o.copyAfter = false; }, [](QuickBarState& q) { q.copyAfter = false; }},
        {"cut on unticks copy", [](TypesetOptions& o) { o.copyAfter = true; }, QuickControl::CutAfter, true,
         [](TypesetOptions& o) { o.cutAfter = true; o.copyAfter = false; },
         [](QuickBarState& q) { q.cutAfter = true; q.copyAfter = false; }},
        {"minimise takes the box's state", none, QuickControl::MinimizeAfter, true,
         [](TypesetOptions& o) { o.minimizeAfter = true; }, [](QuickBarState& q) { q.minimizeAfter = true; }},
    };
    for (const Case& c : cases) {
        TypesetOptions o = TypesetOptions::defaults();
        c.before(o);
        TypesetOptions expected = o;
        const QuickBarState before = syncQuickBars(o);
        expected = o;  // syncQuickBars may only normalise
        c.expect(expected);
        QuickBarState expectedShown = before;
        c.shown(expectedShown);
        const QuickBarState shown = clickQuickControl(o, before, c.control, c.checked);
        EXPECT_EQ(of(o), of(expected)) << c.name;
        EXPECT_EQ(shown, expectedShown) << c.name;
    }
}

TEST(QuickBarRules, LineBreakMenu) {
    struct Case {
        LineBreakItem item;
        bool lineFix, dbl, tpl, merge;
        bool marks[4];
        bool joinAfter;  // joining was on before
    };
    const Case cases[] = {
        {LineBreakItem::Single, true, false, false, true, {true, false, false, false}, true},
        {LineBreakItem::Double, true, true, false, true, {false, true, false, false}, true},
        {LineBreakItem::Triple, true, false, true, true, {false, false, true, false}, true},
        {LineBreakItem::NoFix, false, false, false, false, {false, false, false, true}, false},
    };
    for (const Case& c : cases) {
        TypesetOptions o = TypesetOptions::defaults();
        o.joinNonParagraphBreaks = true;
        o.tripleBreak = true;
        QuickBarState q = syncQuickBars(o);
        q = chooseLineBreak(o, q, c.item);
        const int which = static_cast<int>(c.item);
        EXPECT_EQ(o.lineBreakFix, c.lineFix) << which;
        EXPECT_EQ(o.doubleBreak, c.dbl) << which;
        EXPECT_EQ(o.tripleBreak, c.tpl) << which;
        EXPECT_EQ(q.mergeBreaks, c.merge) << which;
        EXPECT_EQ(q.singleBreak, c.marks[0]) << which;
        EXPECT_EQ(q.doubleBreak, c.marks[1]) << which;
        EXPECT_EQ(q.tripleBreak, c.marks[2]) << which;
        EXPECT_EQ(q.noBreakFix, c.marks[3]) << which;
        EXPECT_EQ(o.joinNonParagraphBreaks, c.joinAfter) << which;
        EXPECT_EQ(q.joinBreaks, c.joinAfter) << which;
    }
}

// Every switch row with a quick bar box: checking the box switches its
// field on and the box shows it; with copy and cut the other one goes off,
// as the box's own rule says.
TEST(QuickBarRules, SwitchRowBoxes) {
    for (const auto& row : engine::typesetOptionFields()) {
        if (row.quickBar == engine::QuickBarPlace::None) continue;
        SCOPED_TRACE(std::string(row.name));
        TypesetOptions o;
        o.copyAfter = o.cutAfter = o.lineBreakFix = true;
        QuickBarState q = syncQuickBars(o);
        q = clickQuickSwitch(o, q, row, true);
        EXPECT_TRUE(o.*(row.member));
        EXPECT_TRUE(quickSwitchShown(q, o, row));
        for (const auto& other : engine::typesetOptionFields()) {
            if (other.quickBar != engine::QuickBarPlace::None && &other != &row) {
                EXPECT_EQ(quickSwitchShown(q, o, other), o.*(other.member)) << other.name;
            }
        }
        q = clickQuickSwitch(o, q, row, false);
        EXPECT_FALSE(o.*(row.member));
        EXPECT_FALSE(quickSwitchShown(q, o, row));
    }
}

}  // namespace
}  // namespace folvane::settings

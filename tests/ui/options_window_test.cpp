// The options window driven by mouse clicks, offscreen.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <functional>

#include "options_window.h"

namespace {

using folvane::engine::TypesetOptions;

// Clicks a check box or radio at its indicator, as a user does.
void click(QAbstractButton* b) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    const bool radio = qobject_cast<QRadioButton*>(b) != nullptr;
    const QRect r = b->style()->subElementRect(radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator,
                                               &opt, b);
    QTest::mouseClick(b, Qt::LeftButton, {}, r.center());
}

struct Harness {
    explicit Harness(TypesetOptions o, bool answerYes = true, bool topmost = false) : options(o) {
        OptionsWindow::Hooks hooks;
        hooks.applied = [this] { ++applied; };
        hooks.restoreDefaults = [this] {
            ++restored;
            options = TypesetOptions::defaults();
        };
        hooks.confirmRestore = [this, answerYes](QWidget*) {
            ++asked;
            return answerYes;
        };
        window = std::make_unique<OptionsWindow>(options, topmost, hooks);
        window->show();
    }
    TypesetOptions options;
    int applied = 0, restored = 0, asked = 0;
    std::unique_ptr<OptionsWindow> window;
};

TEST(OptionsWindow, LayoutAndCaptions) {
    Harness h(TypesetOptions::defaults());
    OptionsWindow& w = *h.window;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("排版时将执行以下选中的过程:"));
    EXPECT_EQ(w.size(), QSize(523, 453));
    EXPECT_TRUE(w.isModal());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    struct GroupCase {
        int index;
        const char* caption;
        QRect rect;
    };
    const GroupCase groups[] = {
        {0, "空格", {16, 16, 248, 80}},        {1, "段落", {16, 104, 248, 152}},
        {2, "繁简转换", {16, 263, 248, 104}},  {3, "半角/全角", {272, 16, 224, 104}},
        {4, "标点", {272, 128, 224, 56}},      {5, "特殊功能(选用)", {272, 192, 224, 176}},
    };
    for (const auto& g : groups) {
        EXPECT_EQ(w.group(g.index)->title(), QString::fromUtf8(g.caption));
        EXPECT_EQ(w.group(g.index)->geometry(), g.rect) << g.caption;
    }
    struct ControlCase {
        QAbstractButton* button;
        const char* caption;
        QPoint pos;
        int group;
    };
    const ControlCase controls[] = {
        {w.trimEnds(), "删除段首尾空格", {16, 24}, 0},
        {w.addIndent(), "增加段首缩进空格", {16, 48}, 0},
        {w.indentFull(), "全角", {136, 48}, 0},
        {w.indentHalf(), "半角", {184, 48}, 0},
        {w.deleteBlank(), "删除空段落", {16, 24}, 1},
        {w.spacing(0), "段落之间无空行", {16, 48}, 1},
        {w.spacing(1), "段落之间空一行", {16, 72}, 1},
        {w.spacing(2), "段落之间空两行", {16, 96}, 1},
        {w.joinBreaks(), "删除非段落换行", {16, 120}, 1},
        {w.script(0), "不转换", {16, 24}, 2},
        {w.script(1), "转换到繁体字", {16, 48}, 2},
        {w.script(2), "转换到简体字", {16, 72}, 2},
        {w.width(0), "不转换", {24, 19}, 3},
        {w.width(1), "半角转全角", {24, 43}, 3},
        {w.width(2), "全角转半角", {24, 67}, 3},
        {w.fixPunctuation(), "标点修正", {20, 19}, 4},
        {w.fixQuotes(), "引号修正", {132, 19}, 4},
        {w.stripHeadNoise(), "去段首干扰符(仅半角字符)", {19, 21}, 5},
        {w.stripTailNoise(), "去段尾干扰符(仅半角字符)", {19, 45}, 5},
        {w.fillBlankLines(), "在空行中增加空格", {19, 69}, 5},
        {w.copyAfter(), "排版后拷贝全文", {19, 98}, 5},
        {w.cutAfter(), "排版后剪切全文", {19, 123}, 5},
        {w.minimizeAfter(), "排版后最小化窗口", {19, 147}, 5},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(c.button->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(c.button->pos(), c.pos) << c.caption;
        EXPECT_EQ(c.button->parentWidget(), w.group(c.group)) << c.caption;
    }
    const std::pair<QPushButton*, QPoint> buttons[] = {
        {w.okButton(), {215, 380}}, {w.cancelButton(), {311, 380}}, {w.resetButton(), {407, 380}}};
    for (const auto& [b, pos] : buttons) EXPECT_EQ(b->geometry(), QRect(pos, QSize(88, 24))) << b->text().toStdString();
    EXPECT_EQ(w.okButton()->text(), QStringLiteral("确定"));
    EXPECT_EQ(w.cancelButton()->text(), QStringLiteral("取消"));
    EXPECT_EQ(w.resetButton()->text(), QStringLiteral("重置"));
    EXPECT_TRUE(w.restoreLink()->text().contains(QStringLiteral("恢复成默认设置")));
    EXPECT_EQ(w.restoreLink()->pos(), QPoint(16, 384));

    Harness top(TypesetOptions::defaults(), true, true);
    EXPECT_TRUE(top.window->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(OptionsWindow, ClickRulesThroughTheMouse) {
    struct Case {
        const char* name;
        TypesetOptions options;
        std::function<void(OptionsWindow&)> clicks;
        std::function<void(OptionsWindow&)> check;
    };
    TypesetOptions half = TypesetOptions::defaults();
    half.indentFullWidth = false;
    TypesetOptions noIndent = TypesetOptions::defaults();
    noIndent.addIndent = false;
    TypesetOptions none;
    const Case cases[] = {
        {"indent unchecked: both radios disabled", TypesetOptions::defaults(),
         [](OptionsWindow& w) { click(w.addIndent()); },
         [](OptionsWindow& w) {
             EXPECT_FALSE(w.indentFull()->isEnabled());
             EXPECT_FALSE(w.indentHalf()->isEnabled());
             EXPECT_TRUE(w.indentFull()->isChecked());
         }},
        {"indent checked again shows the stored choice", half,
         [](OptionsWindow& w) {
             click(w.indentFull());  // changes the selection
             click(w.addIndent());   // off
             click(w.addIndent());   // on: stored half-width again
         },
         [](OptionsWindow& w) {
             EXPECT_TRUE(w.indentHalf()->isEnabled());
             EXPECT_TRUE(w.indentHalf()->isChecked());
         }},
        {"with addIndent off the radios open disabled", noIndent, [](OptionsWindow&) {},
         [](OptionsWindow& w) {
             EXPECT_FALSE(w.indentFull()->isEnabled());
             EXPECT_TRUE(w.indentFull()->isChecked());  // the stored indentFullWidth
         }},
        {"trim unchecked unchecks indent", TypesetOptions::defaults(), [](OptionsWindow& w) { click(w.trimEnds()); },
         [](OptionsWindow& w) {
             EXPECT_FALSE(w.addIndent()->isChecked());
             EXPECT_FALSE(w.indentFull()->isEnabled());
         }},
        {"delete-blank off disables the group", TypesetOptions::defaults(),
         [](OptionsWindow& w) { click(w.deleteBlank()); },
         [](OptionsWindow& w) {
             for (int i = 0; i < 3; ++i) EXPECT_FALSE(w.spacing(i)->isEnabled());
             EXPECT_FALSE(w.joinBreaks()->isEnabled());
             EXPECT_TRUE(w.spacing(0)->isChecked());
         }},
        {"delete-blank on with no radio selects the first", none,
         [](OptionsWindow& w) {
             EXPECT_FALSE(w.spacing(0)->isChecked() || w.spacing(1)->isChecked() || w.spacing(2)->isChecked());
             click(w.deleteBlank());
         },
         [](OptionsWindow& w) {
             EXPECT_TRUE(w.spacing(0)->isChecked());
             EXPECT_TRUE(w.spacing(0)->isEnabled());
             EXPECT_TRUE(w.joinBreaks()->isEnabled());
         }},
        {"copy unchecks cut", [] { TypesetOptions o; o.cutAfter = true; return o; }(),
         [](OptionsWindow& w) { click(w.copyAfter()); },
         [](OptionsWindow& w) {
             EXPECT_TRUE(w.copyAfter()->isChecked());
             EXPECT_FALSE(w.cutAfter()->isChecked());
         }},
        {"cut unchecks copy, and both can end unchecked", none,
         [](OptionsWindow& w) {
             click(w.copyAfter());
             click(w.cutAfter());
             click(w.cutAfter());
         },
         [](OptionsWindow& w) {
             EXPECT_FALSE(w.copyAfter()->isChecked());
             EXPECT_FALSE(w.cutAfter()->isChecked());
         }},
        {"radio groups are exclusive", none,
         [](OptionsWindow& w) {
             click(w.script(1));
             click(w.script(2));
             click(w.width(2));
         },
         [](OptionsWindow& w) {
             EXPECT_FALSE(w.script(1)->isChecked());
             EXPECT_TRUE(w.script(2)->isChecked());
             EXPECT_TRUE(w.width(2)->isChecked());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h(c.options);
        c.clicks(*h.window);
        c.check(*h.window);
        EXPECT_EQ(h.options, c.options);  // nothing changes before "确定"
    }
}

TEST(OptionsWindow, ConfirmCancelResetRestore) {
    struct Case {
        const char* name;
        TypesetOptions options;
        bool yes;
        std::function<void(OptionsWindow&)> steps;
        std::function<void(TypesetOptions&)> expectChange;
        int applied, restored, asked;
    };
    TypesetOptions triple = TypesetOptions::defaults();
    triple.lineBreakFix = false;
    triple.tripleBreak = triple.joinNonParagraphBreaks = true;
    TypesetOptions custom;
    custom.fixQuotes = custom.toTraditional = true;
    const Case cases[] = {
        {"confirm without changes: a blank line implies lineBreakFix", triple, true,
         [](OptionsWindow& w) { QTest::mouseClick(w.okButton(), Qt::LeftButton); },
         [](TypesetOptions& o) { o.lineBreakFix = true; }, 1, 0, 0},
        {"delete-blank off and confirm clears all four", triple, true,
         [](OptionsWindow& w) {
             click(w.deleteBlank());
             QTest::mouseClick(w.okButton(), Qt::LeftButton);
         },
         [](TypesetOptions& o) { o.tripleBreak = o.joinNonParagraphBreaks = o.lineBreakFix = false; }, 1, 0, 0},
        {"edits then cancel", TypesetOptions::defaults(), true,
         [](OptionsWindow& w) {
             click(w.fixPunctuation());
             click(w.script(1));
             QTest::mouseClick(w.cancelButton(), Qt::LeftButton);
         },
         [](TypesetOptions&) {}, 0, 0, 0},
        {"reset discards the edits", custom, true,
         [](OptionsWindow& w) {
             click(w.fixQuotes());
             click(w.script(0));
             QTest::mouseClick(w.resetButton(), Qt::LeftButton);
             EXPECT_TRUE(w.fixQuotes()->isChecked());
             EXPECT_TRUE(w.script(1)->isChecked());
             QTest::mouseClick(w.okButton(), Qt::LeftButton);
         },
         [](TypesetOptions&) {}, 1, 0, 0},
        {"restore answered Yes, then cancel: the defaults stay", custom, true,
         [](OptionsWindow& w) {
             QTest::mouseClick(w.restoreLink(), Qt::LeftButton);
             EXPECT_FALSE(w.fixQuotes()->isChecked());  // the window shows the defaults
             EXPECT_TRUE(w.script(0)->isChecked());
             QTest::mouseClick(w.cancelButton(), Qt::LeftButton);
         },
         [](TypesetOptions& o) { o = TypesetOptions::defaults(); }, 0, 1, 1},
        {"restore answered No changes nothing", custom, false,
         [](OptionsWindow& w) {
             QTest::mouseClick(w.restoreLink(), Qt::LeftButton);
             EXPECT_TRUE(w.fixQuotes()->isChecked());
             QTest::mouseClick(w.okButton(), Qt::LeftButton);
         },
         [](TypesetOptions&) {}, 1, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h(c.options, c.yes);
        c.steps(*h.window);
        TypesetOptions expected = c.options;
        c.expectChange(expected);
        EXPECT_EQ(h.options, expected);
        EXPECT_EQ(h.applied, c.applied);
        EXPECT_EQ(h.restored, c.restored);
        EXPECT_EQ(h.asked, c.asked);
        EXPECT_FALSE(h.window->isVisible());  // every case ends with "确定" or "取消"
    }
}

}  // namespace

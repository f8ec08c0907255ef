// The options window driven by mouse clicks, offscreen.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <functional>

#include "link_label.h"
#include "options_window.h"
#include "ui_support.h"

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

// A control of the window by its object name; a radio of a group of three
// by the group's name and its index.
QAbstractButton* box(OptionsWindow& w, const char* name, int index = -1) {
    QString n = QString::fromUtf8(name);
    if (index >= 0) n += QString::number(index);
    return child<QAbstractButton>(w, n);
}

QPushButton* button(OptionsWindow& w, const char* name) { return child<QPushButton>(w, QString::fromUtf8(name)); }

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
    EXPECT_TRUE(w.isModal());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    // The window takes the size its layout asks for (the screen has room
    // for it) and cannot be resized.
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_EQ(w.size(), w.minimumSize());

    // Three groups in the left column, three in the right, top to bottom.
    const char* groupCaptions[] = {"空格", "段落", "繁简转换", "半角/全角", "标点", "特殊功能(选用)"};
    QGroupBox* groups[6];
    for (int i = 0; i < 6; ++i) {
        groups[i] = child<QGroupBox>(w, QStringLiteral("group%1").arg(i));
        ASSERT_TRUE(groups[i]);
        EXPECT_EQ(groups[i]->title(), QString::fromUtf8(groupCaptions[i]));
    }
    for (int i : {1, 2, 4, 5}) {
        EXPECT_EQ(groups[i]->x(), groups[i - 1]->x()) << groupCaptions[i];
        EXPECT_GT(groups[i]->y(), groups[i - 1]->geometry().bottom()) << groupCaptions[i];
    }
    EXPECT_GT(groups[3]->x(), groups[0]->geometry().right());
    EXPECT_EQ(groups[3]->y(), groups[0]->y());

    // Every control in its group, in the order listed (a control marked
    // `beside` stands right of the one before it, in the same line).
    struct ControlCase {
        const char* name;
        const char* caption;
        int group;
        bool beside;
    };
    const ControlCase controls[] = {
        {"trimEnds", "删除段首尾空格", 0, false},
        {"addIndent", "增加段首缩进空格", 0, false},
        {"indentFull", "全角", 0, true},
        {"indentHalf", "半角", 0, true},
        {"deleteBlank", "删除空段落", 1, false},
        {"spacing0", "段落之间无空行", 1, false},
        {"spacing1", "段落之间空一行", 1, false},
        {"spacing2", "段落之间空两行", 1, false},
        {"joinBreaks", "删除非段落换行", 1, false},
        {"script0", "不转换", 2, false},
        {"script1", "转换到繁体字", 2, false},
        {"script2", "转换到简体字", 2, false},
        {"width0", "不转换", 3, false},
        {"width1", "半角转全角", 3, false},
        {"width2", "全角转半角", 3, false},
        {"fixPunctuation", "标点修正", 4, false},
        {"fixQuotes", "引号修正", 4, true},
        {"stripHeadNoise", "去段首干扰符(仅半角字符)", 5, false},
        {"stripTailNoise", "去段尾干扰符(仅半角字符)", 5, false},
        {"fillBlankLines", "在空行中增加空格", 5, false},
        {"copyAfter", "排版后拷贝全文", 5, false},
        {"cutAfter", "排版后剪切全文", 5, false},
        {"minimizeAfter", "排版后最小化窗口", 5, false},
    };
    QAbstractButton* before = nullptr;
    int beforeGroup = -1;
    for (const auto& c : controls) {
        auto* b = child<QAbstractButton>(w, QString::fromUtf8(c.name));
        ASSERT_TRUE(b);
        EXPECT_EQ(b->text(), QString::fromUtf8(c.caption));
        EXPECT_TRUE(groups[c.group]->isAncestorOf(b)) << c.name;
        if (before && beforeGroup == c.group) {
            const QRect at = b->geometry(), prev = before->geometry();
            if (c.beside) {
                EXPECT_GT(at.left(), prev.right()) << c.name;
                EXPECT_EQ(at.center().y(), prev.center().y()) << c.name;
            } else {
                EXPECT_GT(at.top(), prev.top()) << c.name;
            }
        }
        before = b;
        beforeGroup = c.group;
    }

    // Below the groups: the link at the left, then "确定", "取消", "重置".
    auto* link = child<LinkLabel>(w, QStringLiteral("restoreLink"));
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->text().contains(QStringLiteral("恢复成默认设置")));
    int left = link->geometry().right();
    const std::pair<const char*, const char*> buttons[] = {{"ok", "确定"}, {"cancel", "取消"}, {"reset", "重置"}};
    for (const auto& [name, caption] : buttons) {
        auto* b = child<QPushButton>(w, QString::fromUtf8(name));
        ASSERT_TRUE(b);
        EXPECT_EQ(b->text(), QString::fromUtf8(caption));
        EXPECT_GT(b->x(), left) << name;
        EXPECT_GT(b->y(), groups[2]->geometry().bottom()) << name;
        EXPECT_GT(b->y(), groups[5]->geometry().bottom()) << name;
        left = b->geometry().right();
    }
    EXPECT_TRUE(child<QPushButton>(w, QStringLiteral("ok"))->isDefault());

    Harness top(TypesetOptions::defaults(), true, true);
    EXPECT_TRUE(top.window->windowFlags() & Qt::WindowStaysOnTopHint);
}

// With the CJK font of the desktop, at the pixel ratio the run asks for (the
// test runs at 1 and at 2), every caption fits its control.
TEST(OptionsWindow, NoCaptionClippedWithTheCjkFont) {
    CjkFont font;
    ASSERT_EQ(CjkFont::family(), QStringLiteral("Noto Sans CJK SC"));
    for (bool indent : {false, true}) {
        TypesetOptions o = TypesetOptions::defaults();
        o.addIndent = indent;
        Harness h(o);
        EXPECT_EQ(h.window->devicePixelRatio(), requestedPixelRatio());
        EXPECT_EQ(clippedCaptions(*h.window), "");
    }
}

// Every switch row with a check box of its own has one, captioned from its
// row and bound to its field alone.
TEST(OptionsWindow, CheckRowsComeFromTheSwitchTable) {
    for (const auto& row : folvane::engine::typesetOptionFields()) {
        if (row.control != folvane::engine::OptionsControl::Check) continue;
        SCOPED_TRACE(std::string(row.name));
        Harness h(TypesetOptions{});
        auto* box = child<QCheckBox>(*h.window, QString::fromUtf8(row.name.data(), qsizetype(row.name.size())));
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), QString::fromUtf8(row.captionUtf8.data(), qsizetype(row.captionUtf8.size())));
        click(box);
        QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("ok")), Qt::LeftButton);
        TypesetOptions expected;
        expected.*(row.member) = true;
        EXPECT_EQ(h.options, expected);
    }
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
         [](OptionsWindow& w) { click(box(w, "addIndent")); },
         [](OptionsWindow& w) {
             EXPECT_FALSE(box(w, "indentFull")->isEnabled());
             EXPECT_FALSE(box(w, "indentHalf")->isEnabled());
             EXPECT_TRUE(box(w, "indentFull")->isChecked());
         }},
        {"indent checked again shows the stored choice", half,
         [](OptionsWindow& w) {
             click(box(w, "indentFull"));  // changes the selection
             click(box(w, "addIndent"));   // off
             click(box(w, "addIndent"));   // on: stored half-width again
         },
         [](OptionsWindow& w) {
             EXPECT_TRUE(box(w, "indentHalf")->isEnabled());
             EXPECT_TRUE(box(w, "indentHalf")->isChecked());
         }},
        {"with addIndent off the radios open disabled", noIndent, [](OptionsWindow&) {},
         [](OptionsWindow& w) {
             EXPECT_FALSE(box(w, "indentFull")->isEnabled());
             EXPECT_TRUE(box(w, "indentFull")->isChecked());  // the stored indentFullWidth
         }},
        {"trim unchecked unchecks indent", TypesetOptions::defaults(), [](OptionsWindow& w) { click(box(w, "trimEnds")); },
         [](OptionsWindow& w) {
             EXPECT_FALSE(box(w, "addIndent")->isChecked());
             EXPECT_FALSE(box(w, "indentFull")->isEnabled());
         }},
        {"delete-blank off disables the group", TypesetOptions::defaults(),
         [](OptionsWindow& w) { click(box(w, "deleteBlank")); },
         [](OptionsWindow& w) {
             for (int i = 0; i < 3; ++i) EXPECT_FALSE(box(w, "spacing", i)->isEnabled());
             EXPECT_FALSE(box(w, "joinBreaks")->isEnabled());
             EXPECT_TRUE(box(w, "spacing", 0)->isChecked());
         }},
        {"delete-blank on with no radio selects the first", none,
         [](OptionsWindow& w) {
             EXPECT_FALSE(box(w, "spacing", 0)->isChecked() || box(w, "spacing", 1)->isChecked() || box(w, "spacing", 2)->isChecked());
             click(box(w, "deleteBlank"));
         },
         [](OptionsWindow& w) {
             EXPECT_TRUE(box(w, "spacing", 0)->isChecked());
             EXPECT_TRUE(box(w, "spacing", 0)->isEnabled());
             EXPECT_TRUE(box(w, "joinBreaks")->isEnabled());
         }},
        {"copy unchecks cut", [] { TypesetOptions o; o.cutAfter = true; return o; }(),
         [](OptionsWindow& w) { click(box(w, "copyAfter")); },
         [](OptionsWindow& w) {
             EXPECT_TRUE(box(w, "copyAfter")->isChecked());
             EXPECT_FALSE(box(w, "cutAfter")->isChecked());
         }},
        {"cut unchecks copy, and both can end unchecked", none,
         [](OptionsWindow& w) {
             click(box(w, "copyAfter"));
             click(box(w, "cutAfter"));
             click(box(w, "cutAfter"));
         },
         [](OptionsWindow& w) {
             EXPECT_FALSE(box(w, "copyAfter")->isChecked());
             EXPECT_FALSE(box(w, "cutAfter")->isChecked());
         }},
        {"radio groups are exclusive", none,
         [](OptionsWindow& w) {
             click(box(w, "script", 1));
             click(box(w, "script", 2));
             click(box(w, "width", 2));
         },
         [](OptionsWindow& w) {
             EXPECT_FALSE(box(w, "script", 1)->isChecked());
             EXPECT_TRUE(box(w, "script", 2)->isChecked());
             EXPECT_TRUE(box(w, "width", 2)->isChecked());
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
         [](OptionsWindow& w) { QTest::mouseClick(button(w, "ok"), Qt::LeftButton); },
         [](TypesetOptions& o) { o.lineBreakFix = true; }, 1, 0, 0},
        {"delete-blank off and confirm clears all four", triple, true,
         [](OptionsWindow& w) {
             click(box(w, "deleteBlank"));
             QTest::mouseClick(button(w, "ok"), Qt::LeftButton);
         },
         [](TypesetOptions& o) { o.tripleBreak = o.joinNonParagraphBreaks = o.lineBreakFix = false; }, 1, 0, 0},
        {"edits then cancel", TypesetOptions::defaults(), true,
         [](OptionsWindow& w) {
             click(box(w, "fixPunctuation"));
             click(box(w, "script", 1));
             QTest::mouseClick(button(w, "cancel"), Qt::LeftButton);
         },
         [](TypesetOptions&) {}, 0, 0, 0},
        {"reset discards the edits", custom, true,
         [](OptionsWindow& w) {
             click(box(w, "fixQuotes"));
             click(box(w, "script", 0));
             QTest::mouseClick(button(w, "reset"), Qt::LeftButton);
             EXPECT_TRUE(box(w, "fixQuotes")->isChecked());
             EXPECT_TRUE(box(w, "script", 1)->isChecked());
             QTest::mouseClick(button(w, "ok"), Qt::LeftButton);
         },
         [](TypesetOptions&) {}, 1, 0, 0},
        {"restore answered Yes, then cancel: the defaults stay", custom, true,
         [](OptionsWindow& w) {
             QTest::mouseClick(child<LinkLabel>(w, QStringLiteral("restoreLink")), Qt::LeftButton);
             EXPECT_FALSE(box(w, "fixQuotes")->isChecked());  // the window shows the defaults
             EXPECT_TRUE(box(w, "script", 0)->isChecked());
             QTest::mouseClick(button(w, "cancel"), Qt::LeftButton);
         },
         [](TypesetOptions& o) { o = TypesetOptions::defaults(); }, 0, 1, 1},
        {"restore answered No changes nothing", custom, false,
         [](OptionsWindow& w) {
             QTest::mouseClick(child<LinkLabel>(w, QStringLiteral("restoreLink")), Qt::LeftButton);
             EXPECT_TRUE(box(w, "fixQuotes")->isChecked());
             QTest::mouseClick(button(w, "ok"), Qt::LeftButton);
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

namespace {

TEST(OptionsWindow, ScriptStandardIsChosenBesideTheConversion) {
    using folvane::corrections::ScriptStandard;
    Harness h(TypesetOptions::defaults());
    ScriptStandard standard = ScriptStandard::HongKong;
    h.window->bindScriptStandard(standard);
    auto* combo = child<QComboBox>(*h.window, QStringLiteral("scriptStandard"));
    ASSERT_TRUE(combo);
    // In the group "繁简转换", showing the standard in force.
    EXPECT_EQ(combo->parentWidget(), child<QGroupBox>(*h.window, QStringLiteral("group2")));
    EXPECT_EQ(combo->currentText(), QStringLiteral("香港繁体"));
    combo->setCurrentIndex(2);
    QTest::mouseClick(button(*h.window, "reset"), Qt::LeftButton);
    EXPECT_EQ(combo->currentIndex(), 3);  // "重置" shows the stored one again
    EXPECT_EQ(standard, ScriptStandard::HongKong);
    combo->setCurrentIndex(2);
    QTest::mouseClick(button(*h.window, "ok"), Qt::LeftButton);
    EXPECT_EQ(standard, ScriptStandard::TaiwanPhrases);
}

}  // namespace

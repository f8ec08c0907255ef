#include "engine/clipboard_watch.h"

#include <gtest/gtest.h>

#include <vector>

#include "gbtext.h"

namespace folvane::engine {
namespace {

using folvane::testing::g;

ClipboardModes armedWith(std::string last) {
    ClipboardModes m;
    m.copyTypeset = true;
    m.watch = {true, std::move(last)};
    return m;
}

TEST(ClipboardWatch, OneTick) {
    struct Case {
        const char* name;
        ClipboardModes before;
        WatchTick tick;
        WatchAction action;
        bool armedAfter;
        std::string lastAfter;
    };
    // The ticks hold views: every text they see must outlive the table.
    const std::string two = g("第一行\r\n第二行"), one = g("只有一行"), twoAndSpace = two + " ";
    ClipboardModes off = armedWith("old");
    off.copyTypeset = false;
    ClipboardModes disarmed = armedWith("old");
    disarmed.watch.armed = false;
    const std::vector<Case> cases = {
        {"a new text of two lines is typeset", armedWith("old"), {true, two, false}, WatchAction::PasteAndTypeset,
         false, "old"},
        {"one line is only pasted and remembered", armedWith("old"), {true, one, false}, WatchAction::PasteOnly, true,
         one},
        {"a line break at the end makes two lines", armedWith("old"), {true, "abc\r\n", false},
         WatchAction::PasteAndTypeset, false, "old"},
        {"a lone \\n is no line break of the core", armedWith("old"), {true, "a\nb", false}, WatchAction::PasteOnly,
         true, "a\nb"},
        {"the same text again", armedWith(two), {true, two, false}, WatchAction::None, true, two},
        {"byte comparison: one byte more", armedWith(two), {true, twoAndSpace, false}, WatchAction::PasteAndTypeset,
         false, two},
        {"disarmed (a run of the watch is busy)", disarmed, {true, two, false}, WatchAction::None, false, "old"},
        {"the clipboard holds no text", armedWith("old"), {false, "", false}, WatchAction::None, true, "old"},
        {"the mode is off", off, {true, two, false}, WatchAction::None, true, "old"},
        {"a run started elsewhere is in progress", armedWith("old"), {true, two, true}, WatchAction::None, true,
         "old"},
        {"an empty text that is not the last", armedWith("old"), {false, "", false}, WatchAction::None, true, "old"},
    };
    for (const Case& c : cases) {
        ClipboardModes m = c.before;
        EXPECT_EQ(watchTick(m, c.tick), c.action) << c.name;
        EXPECT_EQ(m.watch.armed, c.armedAfter) << c.name;
        EXPECT_EQ(m.watch.lastText, c.lastAfter) << c.name;
    }
}

TEST(ClipboardWatch, ATickThatNeedNotReadTheClipboardDoesNothing) {
    const std::string two = g("第一行\r\n第二行"), one = g("只有一行");
    const WatchTick ticks[] = {{true, two, false}, {true, one, false}, {false, "", false}, {true, "old", false},
                               {true, two, true}};
    for (const bool armed : {false, true})
        for (const bool on : {false, true}) {
            ClipboardModes modes = armedWith("old");
            modes.watch.armed = armed;
            modes.copyTypeset = on;
            EXPECT_EQ(watchReadsClipboard(modes), armed && on);
            if (watchReadsClipboard(modes)) continue;
            for (const WatchTick& t : ticks) {
                ClipboardModes m = modes;
                EXPECT_EQ(watchTick(m, t), WatchAction::None);
                EXPECT_EQ(m.watch.armed, armed);
                EXPECT_EQ(m.watch.lastText, "old");
            }
        }
}

TEST(ClipboardWatch, SwitchingTheModeOnRemembersTheClipboard) {
    ClipboardModes m;
    switchCopyTypeset(m, true, "already there\r\nline");
    EXPECT_TRUE(m.copyTypeset);
    EXPECT_TRUE(m.watch.armed);
    EXPECT_EQ(watchTick(m, {true, "already there\r\nline", false}), WatchAction::None);

    // Off while a watch run is busy: the watch stays disarmed and the run's
    // end does not re-arm it; on again arms it afresh.
    m.watch.armed = false;
    switchCopyTypeset(m, false, "x");
    EXPECT_FALSE(finishClipboardRun(m, "result"));
    EXPECT_FALSE(m.watch.armed);
    switchCopyTypeset(m, true, "now");
    EXPECT_TRUE(m.watch.armed);
    EXPECT_EQ(m.watch.lastText, "now");
}

TEST(ClipboardWatch, AWholeCycleDoesNotTypesetItsOwnResult) {
    ClipboardModes m;
    switchCopyTypeset(m, true, "");
    const std::string copied = "a\r\nb", typeset = g("　　a\r\n　　b");
    ASSERT_EQ(watchTick(m, {true, copied, false}), WatchAction::PasteAndTypeset);
    // While the run works, further ticks do nothing, whatever is copied.
    EXPECT_EQ(watchTick(m, {true, "other\r\ntext", true}), WatchAction::None);
    EXPECT_EQ(watchTick(m, {true, "other\r\ntext", false}), WatchAction::None);
    // With copyAfter the result is on the clipboard when the run ends.
    ASSERT_TRUE(finishClipboardRun(m, typeset));
    EXPECT_EQ(watchTick(m, {true, typeset, false}), WatchAction::None);
    // Without copyAfter the copied text is still there: not typeset again.
    ASSERT_TRUE(finishClipboardRun(m, copied));
    EXPECT_EQ(watchTick(m, {true, copied, false}), WatchAction::None);
}

TEST(HotKeys, WhatAPressDoes) {
    struct Case {
        const char* name;
        int id;
        HotKeyIds ids;
        bool oneClick;
        bool running;
        HotKeyAction action;
    };
    const std::vector<Case> cases = {
        {"ALT+Q with one-click on", 1, {1, 2}, true, false, HotKeyAction::OneClickRun},
        {"ALT+Q with one-click off", 1, {1, 2}, false, false, HotKeyAction::None},
        {"ALT+Q while a run is in progress", 1, {1, 2}, true, true, HotKeyAction::None},
        {"SHIFT+F12 with either mode", 2, {1, 2}, false, false, HotKeyAction::ToggleWindow},
        {"SHIFT+F12 during a run", 2, {1, 2}, true, true, HotKeyAction::ToggleWindow},
        {"identifier 0 matches no key", 0, {0, 0}, true, false, HotKeyAction::None},
        {"an unregistered ALT+Q does not catch 0", 0, {0, 2}, true, false, HotKeyAction::None},
        {"an unknown identifier", 7, {1, 2}, true, false, HotKeyAction::None},
    };
    for (const Case& c : cases) {
        ClipboardModes m;
        m.oneClick = c.oneClick;
        EXPECT_EQ(hotKeyAction(c.id, c.ids, m, c.running), c.action) << c.name;
    }
}

TEST(BusyControls, WhatEachActivityDisables) {
    struct Case {
        Activity activity;
        bool run, editor, find, signatures, tools;
    };
    const Case cases[] = {
        {Activity::Idle, true, true, true, true, true},
        {Activity::Typesetting, false, false, false, false, false},
        {Activity::Tool, false, false, true, true, false},
    };
    for (const Case& c : cases) {
        const BusyControls b = busyControls(c.activity);
        const int which = static_cast<int>(c.activity);
        EXPECT_EQ(b.runCommand, c.run) << which;
        EXPECT_EQ(b.editor, c.editor) << which;
        EXPECT_EQ(b.findPanel, c.find) << which;
        EXPECT_EQ(b.signatures, c.signatures) << which;
        EXPECT_EQ(b.tools, c.tools) << which;
    }
}

}  // namespace
}  // namespace folvane::engine

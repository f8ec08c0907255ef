// Start-up and shutdown of the window with its settings file.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolBar>

#include "engine/typeset_options.h"
#include "gbtext.h"
#include "main_window.h"
#include "quick_bars.h"
#include "settings/ini_store.h"
#include "text/file_io.h"
#include "ui_support.h"

namespace {

using folvane::testing::g;

// A settings file of the given key=value lines (UTF-8 here, GB18030 on disk).
void writeConfig(const std::string& path, std::initializer_list<const char*> lines) {
    std::string text = "[folvane]\r\n";
    for (const char* l : lines) text += g(l) + "\r\n";
    ASSERT_TRUE(folvane::text::writeFileAtomically(path, text));
}

std::string stored(const std::string& path, const char* key) {
    folvane::settings::IniStore store(path, "folvane");
    return store.readText(g(key), "<absent>");
}

std::string fileBytes(const std::string& path) {
    std::string b;
    folvane::text::readFile(path, b);
    return b;
}

// Records the information boxes instead of showing them.
class RecordingWin : public MainWin {
public:
    explicit RecordingWin(FolvaneApp& app) : MainWin(app) {}
    void showInformation(std::string_view text, std::string_view title) override {
        shown.push_back(folvane::testing::show(title) + ": " + folvane::testing::show(text));
    }
    std::vector<std::string> shown;
};

TEST(StartUp, FirstStartEndsInTheDefaults) {
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w{app};
    w.show();
    settings.startUp(w);
    EXPECT_EQ(stored(settings.path(), "版本"), "3.0.7");
    EXPECT_EQ(stored(settings.path(), "CONFIG1"), "1");
    EXPECT_EQ(w.options(), folvane::engine::TypesetOptions::defaults());
    for (Command c : {Command::ShowNavigationBar, Command::ShowUpperBar, Command::ShowLowerBar, Command::CheckUpdates})
        EXPECT_TRUE(w.action(c)->isChecked()) << static_cast<int>(c);
    EXPECT_TRUE(upperBarOf(w)->isVisible());
    EXPECT_TRUE(lowerBarOf(w)->isVisible());
    EXPECT_TRUE(upperBarOf(w)->indent->isChecked());
    EXPECT_TRUE(w.lineBreakAction(0)->isChecked());  // "单换行"
    EXPECT_EQ(statusPartOf(w, 0)->text(), QStringLiteral("已启动默认设置"));
    EXPECT_TRUE(startupCompletedBoxOf(w)->isChecked());
}

TEST(StartUp, StoredSettingsAreAppliedAndMadeConsistent) {
    IsolatedSettings settings;
    writeConfig(settings.path(), {"版本=3.0.7", "双换行=1", "三换行=1", "自动拷贝=1", "自动剪切=1", "修正换行=1",
                                  "置顶=1", "显示功能快捷栏下=1", "首尾签名=1",
                                  "窗口宽度=800", "窗口高度=600", "CONFIG1=41"});
    FolvaneApp app;
    MainWin w{app};
    w.show();
    settings.startUp(w);
    EXPECT_TRUE(w.options().doubleBreak);
    EXPECT_FALSE(w.options().tripleBreak);
    EXPECT_TRUE(w.options().copyAfter);
    EXPECT_FALSE(w.options().cutAfter);
    EXPECT_TRUE(w.app().windowState().value().alwaysOnTop);
    EXPECT_TRUE(w.toolButton(MainWin::kToolAlwaysOnTop)->isChecked());
    EXPECT_TRUE(lowerBarOf(w)->isVisible());
    EXPECT_FALSE(upperBarOf(w)->isVisible());
    EXPECT_FALSE(w.action(Command::ShowNavigationBar)->isChecked());
    EXPECT_TRUE(lowerBarOf(w)->copyAfter->isChecked());
    EXPECT_FALSE(lowerBarOf(w)->cutAfter->isChecked());
    EXPECT_TRUE(w.lineBreakAction(1)->isChecked());  // "双换行"
    EXPECT_TRUE(w.runContext().signature.signatureEnabled);
    EXPECT_EQ(w.frameGeometry().size(), QSize(800, 600));  // the stored size is the outer one
    EXPECT_EQ(stored(settings.path(), "CONFIG1"), "42");
}

TEST(StartUp, OneClickAndCopyTypesetBoxesComeInThatOrder) {
    IsolatedSettings settings;
    writeConfig(settings.path(), {"版本=3.0.7", "一键排版=1", "复制即排版=1"});
    FolvaneApp app;
    RecordingWin w{app};
    settings.startUp(w);
    const std::vector<std::string> expected = {
        "友情提示: 一键排版快捷键: ALT+Q",
        "友情提示: 已打开复制即排版功能，您复制想要排版的文章后，可立即粘贴。",
    };
    EXPECT_EQ(w.shown, expected);
    EXPECT_TRUE(w.action(Command::OneClick)->isChecked());
    EXPECT_TRUE(lowerBarOf(w)->copyTypeset->isChecked());
}

TEST(StartUp, AnOlderVersionStampRestoresTheDefaults) {
    IsolatedSettings settings;
    writeConfig(settings.path(), {"版本=3.0.6", "删除首尾空格=0", "修正空格=0", "置顶=1"});
    FolvaneApp app;
    MainWin w{app};
    settings.startUp(w);
    EXPECT_EQ(w.options(), folvane::engine::TypesetOptions::defaults());
    EXPECT_FALSE(w.app().windowState().value().alwaysOnTop);
    EXPECT_EQ(stored(settings.path(), "版本"), "3.0.7");
}

TEST(Shutdown, SettingsAreWrittenOnCloseAfterACompletedStartUp) {
    IsolatedSettings settings;
    {
        FolvaneApp app;
        MainWin w{app};
        w.show();
        settings.startUp(w);
        w.action(Command::AlwaysOnTop)->trigger();
        lowerBarOf(w)->minimizeAfter->click();
        EXPECT_TRUE(w.close());
    }
    EXPECT_EQ(stored(settings.path(), "置顶"), "1");
    EXPECT_EQ(stored(settings.path(), "最小化"), "1");
    EXPECT_EQ(stored(settings.path(), "显示导航按钮"), "1");
}

TEST(Shutdown, NothingIsWrittenWhenStartUpDidNotComplete) {
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w{app};
    w.show();
    settings.startUp(w);
    const std::string before = fileBytes(settings.path());
    startupCompletedBoxOf(w)->setChecked(false);  // as if start-up had stopped early
    w.action(Command::AlwaysOnTop)->trigger();
    EXPECT_TRUE(w.close());
    EXPECT_EQ(fileBytes(settings.path()), before);
}

TEST(Settings, RestoreDefaultsChangesNothingInTheFile) {
    IsolatedSettings settings;
    writeConfig(settings.path(), {"版本=3.0.7", "双换行=1", "置顶=1"});
    FolvaneApp app;
    MainWin w{app};
    w.show();
    settings.startUp(w);
    const std::string before = fileBytes(settings.path());
    w.action(Command::RestoreDefaults)->trigger();
    EXPECT_EQ(w.options(), folvane::engine::TypesetOptions::defaults());
    EXPECT_FALSE(w.app().windowState().value().alwaysOnTop);
    EXPECT_EQ(statusPartOf(w, 0)->text(), QStringLiteral("已启动默认设置"));
    EXPECT_EQ(fileBytes(settings.path()), before);
}

TEST(Settings, EachRunCountsOnce) {
    IsolatedSettings settings;
    writeConfig(settings.path(), {"版本=3.0.7", "CONFIG2=41"});
    FolvaneApp app;
    MainWin w{app};
    settings.startUp(w);
    int runs = 0;
    QObject::connect(&w, &MainWin::typesettingFinished, [&] { ++runs; });
    w.startTypesetting();
    ASSERT_TRUE(waitUntil([&] { return runs == 1; }));
    EXPECT_EQ(stored(settings.path(), "CONFIG2"), "42");
}

TEST(QuickBars, ControlsSetTheSwitches) {
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w{app};
    w.show();
    settings.startUp(w);
    auto& o = w.options();
    upperBarOf(w)->noiseFix->click();
    EXPECT_TRUE(o.stripHeadNoise && o.stripTailNoise);
    upperBarOf(w)->indent->click();
    EXPECT_FALSE(o.trimParagraphEnds || o.addIndent);
    w.lineBreakAction(3)->trigger();  // "不修正换行"
    EXPECT_FALSE(o.lineBreakFix);
    EXPECT_FALSE(upperBarOf(w)->mergeBreaks->isChecked());
    upperBarOf(w)->joinBreaks->click();  // also picks "单换行"
    EXPECT_TRUE(o.joinNonParagraphBreaks && o.lineBreakFix);
    EXPECT_TRUE(w.lineBreakAction(0)->isChecked());
    w.lineBreakAction(3)->trigger();
    EXPECT_FALSE(o.joinNonParagraphBreaks);
    EXPECT_FALSE(upperBarOf(w)->joinBreaks->isChecked());
    lowerBarOf(w)->traditional->click();
    EXPECT_TRUE(o.toTraditional && !o.toSimplified);
    lowerBarOf(w)->copyAfter->click();
    lowerBarOf(w)->cutAfter->click();
    EXPECT_TRUE(o.cutAfter && !o.copyAfter);
    EXPECT_FALSE(lowerBarOf(w)->copyAfter->isChecked());
}

}  // namespace

#include "settings/settings_lifecycle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "gbtext.h"
#include "ini_reference.h"
#include "settings/config_location.h"
#include "settings/quick_bars.h"
#include "text/file_io.h"

namespace folvane::settings {
namespace {

using engine::TypesetOptions;
using folvane::testing::g;
namespace fs = std::filesystem;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/folvane-settings-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        path_ = dir_ + "/config.ini";
    }
    void TearDown() override { fs::remove_all(dir_); }

    IniStore store() const { return IniStore(path_, "folvane"); }
    void writeFile(const std::string& bytes) { ASSERT_TRUE(text::writeFileAtomically(path_, bytes)); }
    std::string contents() const {
        std::string b;
        text::readFile(path_, b);
        return b;
    }
    // The stored value of a key, read by the test's own parser.
    std::optional<std::string> stored(const std::string& key) const {
        const auto sec = folvane::testing::referenceSection(contents(), "folvane");
        const auto it = sec.values.find(folvane::testing::referenceFold(key));
        if (it == sec.values.end()) return std::nullopt;
        return it->second;
    }
    // A file holding the current stamp and the given lines.
    void writeCurrent(const std::string& lines) { writeFile("[folvane]\r\n" + g("版本") + "=3.0.7\r\n" + lines); }
    LoadResult load() { return loadSettings(store(), window_, options_, signature_); }
    SettingsRecord capture() const { return captureSettings(window_, geometry_, options_, signature_); }

    std::string dir_;
    std::string path_;
    WindowState window_;  // as a freshly created window has it
    WindowGeometry geometry_;
    TypesetOptions options_;
    corrections::SignatureContext signature_;
};

TEST_F(SettingsTest, FirstStartEndsInTheDefaults) {
    const LoadResult r = load();
    EXPECT_TRUE(r.defaultsRestored);
    EXPECT_TRUE(r.stampWrite);
    EXPECT_EQ(options_, TypesetOptions::defaults());
    EXPECT_TRUE(window_.navigationBar);
    EXPECT_TRUE(window_.upperBar);
    EXPECT_TRUE(window_.lowerBar);
    EXPECT_TRUE(window_.checkUpdates);
    EXPECT_FALSE(window_.oneClick || window_.copyTypeset || window_.alwaysOnTop || window_.findPanel);
    const QuickBarState bars = syncQuickBars(options_);
    EXPECT_TRUE(bars.indent && bars.mergeBreaks && bars.singleBreak);
    ASSERT_TRUE(bumpStartCount(store()));
    EXPECT_EQ(stored(g("版本")), "3.0.7");
    EXPECT_EQ(stored("CONFIG1"), "1");
    // The defaults reach the file only when the settings are saved.
    EXPECT_EQ(stored(g("删除首尾空格")), std::nullopt);
}

TEST_F(SettingsTest, OlderStampRestoresTheDefaultsAndIsRewritten) {
    // Every key present, all switched away from the defaults.
    IniText ini;
    for (const auto& a : encodeSettings(SettingsRecord{})) ini.set("folvane", a.key, "1");
    ini.set("folvane", g("版本"), "3.0.6");
    ini.set("folvane", g("首签名"), "head");
    writeFile(ini.bytes());
    EXPECT_TRUE(load().defaultsRestored);
    EXPECT_EQ(options_, TypesetOptions::defaults());
    EXPECT_FALSE(window_.alwaysOnTop || window_.oneClick || window_.copyTypeset || window_.findPanel ||
                 window_.trayOnMinimize || signature_.signatureEnabled);
    EXPECT_TRUE(window_.enterIndent);                    // left alone by the defaults
    EXPECT_EQ(signature_.headSignatureTemplate, "head");  // so are the signature texts
    EXPECT_EQ(stored(g("版本")), "3.0.7");
    EXPECT_EQ(stored(g("删除首尾空格")), "1");  // the rest of the file is untouched
}

// The start-up rule without a window (folvane-cli --config) ends where the
// program's start-up ends, for current, stale and missing stamps alike.
TEST_F(SettingsTest, WindowlessStartupAgreesWithTheProgram) {
    const std::string body = g("双换行=1\r\n三换行=1\r\n清除非段落换行=1\r\n首尾签名=1\r\n首签名=H\r\n尾签名=T\r\n");
    struct Case {
        const char* name;
        std::string stampLine;
        bool restored;
    };
    const Case cases[] = {
        {"current", g("版本=3.0.7\r\n"), false},
        {"older", g("版本=3.0.6\r\n"), true},
        {"newer", g("版本=3.0.8\r\n"), true},
        {"empty", g("版本=\r\n"), true},
        {"missing", "", true},
        {"with a trailing space", g("版本=3.0.7 \r\n"), true},
    };
    for (const auto& c : cases) {
        writeFile("[folvane]\r\n" + c.stampLine + body);
        const auto record = readSettingsFile(path_);
        ASSERT_TRUE(record) << c.name;
        const StartupTypesetting t = startupTypesetting(*record);
        EXPECT_EQ(t.defaultsRestored, c.restored) << c.name;
        EXPECT_EQ(stampIsCurrent(*record), !c.restored) << c.name;
        // The program, on the same file.
        window_ = WindowState{};
        signature_.signatureEnabled = false;
        options_ = TypesetOptions{};
        const LoadResult loaded = load();
        EXPECT_EQ(loaded.defaultsRestored, c.restored) << c.name;
        EXPECT_EQ(t.options, options_) << c.name;
        EXPECT_EQ(t.signatureEnabled, signature_.signatureEnabled) << c.name;
        EXPECT_EQ(t.headSignatureTemplate, signature_.headSignatureTemplate) << c.name;
        EXPECT_EQ(t.tailSignatureTemplate, signature_.tailSignatureTemplate) << c.name;
    }
}

TEST_F(SettingsTest, StoredSwitchesLoadAndExclusivePairsAreResolved) {
    struct Case {
        const char* name;
        std::string lines;
        TypesetOptions expected;
    };
    auto opts = [](std::initializer_list<bool TypesetOptions::*> on) {
        TypesetOptions o;
        for (auto m : on) o.*m = true;
        return o;
    };
    using O = TypesetOptions;
    const Case cases[] = {
        {"double and triple", g("双换行=1\r\n三换行=1\r\n"), opts({&O::doubleBreak})},
        {"traditional and simplified", g("统一成繁体=1\r\n统一成简体=1\r\n"), opts({&O::toTraditional})},
        {"copy and cut", g("自动拷贝=1\r\n自动剪切=1\r\n"), opts({&O::copyAfter})},
        {"the width switch has the key 修正标点", g("修正标点=1\r\n"), opts({&O::halfToFullWidth})},
        {"punctuation has the key 标点修正", g("标点修正=1\r\n"), opts({&O::fixPunctuation})},
        {"a flag is on only for exactly 1", g("删除首尾空格= 1\r\n修正空格=true\r\n全角空格=1 \r\n修正换行=01\r\n最小化=1\r\n"),
         opts({&O::minimizeAfter})},
    };
    for (const auto& c : cases) {
        writeCurrent(c.lines);
        options_ = TypesetOptions::defaults();
        EXPECT_FALSE(load().defaultsRestored) << c.name;
        EXPECT_EQ(options_, c.expected) << c.name;
    }
}

TEST_F(SettingsTest, TwoLineSignatureIsOneLineInTheFile) {
    signature_.headSignatureTemplate = g("作者：某人\r\n日期 #YYYY");
    signature_.tailSignatureTemplate = g("完");
    signature_.signatureEnabled = true;
    ASSERT_TRUE(saveSettings(store(), capture()));
    EXPECT_NE(contents().find(g("首签名=作者：某人") + "\xFF" + g("日期 #YYYY") + "\r\n"), std::string::npos);
    EXPECT_EQ(stored(g("首签名")), g("作者：某人") + "\xFF" + g("日期 #YYYY"));

    corrections::SignatureContext loaded;
    loadSettings(store(), window_, options_, loaded);
    EXPECT_GB_EQ(loaded.headSignatureTemplate, g("作者：某人\r\n日期 #YYYY"));
    EXPECT_GB_EQ(loaded.tailSignatureTemplate, g("完"));
}

TEST(SignatureEncoding, LineBreaks) {
    struct Case {
        std::string text, stored, back;
    };
    const Case cases[] = {
        {"a\r\nb", "a\xFF" "b", "a\r\nb"},
        {"a\r\n\r\nb\r\n", "a\xFF\xFF" "b\xFF", "a\r\n\r\nb\r\n"},
        // A raw CR or LF would end the INI line: stored as a line break.
        {"a\nb\rc", "a\xFF" "b\xFF" "c", "a\r\nb\r\nc"},
        {"\r\r\n", "\xFF\xFF", "\r\n\r\n"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeSignature(c.text), c.stored);
        EXPECT_EQ(decodeSignature(c.stored), c.back);
        EXPECT_TRUE(isValidValue(encodeSignature(c.text)));
    }
}

// Start-up shows the one-click note, then the copy-is-typeset note, for
// what the file has switched on, also when an old stamp then switches both
// off again with the defaults.
TEST_F(SettingsTest, LoadNoticesFollowTheFile) {
    struct Case {
        const char* name;
        std::string lines;
        bool oneClickNotice, copyTypesetNotice, onAfterwards;
    };
    const Case cases[] = {
        {"both", g("版本=3.0.7\r\n一键排版=1\r\n复制即排版=1\r\n显示导航按钮=0\r\n"), true, true, true},
        {"copy only", g("版本=3.0.7\r\n复制即排版=1\r\n显示导航按钮=0\r\n"), false, true, false},
        {"neither", g("版本=3.0.7\r\n显示导航按钮=0\r\n"), false, false, false},
        {"both, old stamp", g("版本=3.0.6\r\n一键排版=1\r\n复制即排版=1\r\n"), true, true, false},
    };
    for (const auto& c : cases) {
        writeFile("[folvane]\r\n" + c.lines);
        window_ = WindowState{};
        const LoadResult r = load();
        EXPECT_EQ(r.oneClickNotice, c.oneClickNotice) << c.name;
        EXPECT_EQ(r.copyTypesetNotice, c.copyTypesetNotice) << c.name;
        EXPECT_EQ(window_.oneClick && window_.copyTypeset, c.onAfterwards) << c.name;
        // The bars follow the file with the current stamp, the defaults show them.
        EXPECT_EQ(window_.navigationBar, r.defaultsRestored) << c.name;
        EXPECT_EQ(window_.upperBar || window_.lowerBar, r.defaultsRestored) << c.name;
        EXPECT_TRUE(window_.wordWrap) << c.name;  // not read: word wrap starts on
    }
}

TEST_F(SettingsTest, RestoringDefaultsWritesNothingUntilSaved) {
    writeCurrent(g("引号修正=1\r\n复制即排版=1\r\n按回车键缩进换行=1\r\n自动换行=0\r\n"));
    load();
    window_.wordWrap = false;  // switched off since
    const std::string before = contents();
    restoreDefaults(window_, options_, signature_);
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(options_, TypesetOptions::defaults());
    EXPECT_FALSE(window_.copyTypeset);
    EXPECT_TRUE(window_.navigationBar && window_.upperBar && window_.lowerBar && window_.checkUpdates);
    EXPECT_TRUE(window_.enterIndent);  // left alone by the defaults
    EXPECT_FALSE(window_.wordWrap);    // so is word wrap
    ASSERT_TRUE(saveSettings(store(), capture()));
    EXPECT_EQ(stored(g("引号修正")), "0");
    EXPECT_EQ(stored(g("复制即排版")), "0");
}

TEST_F(SettingsTest, SavingWritesEveryKeyInOrderAndReadsBack) {
    window_ = {true, true, true, true, true, true, true, true, true, false, false};
    geometry_ = {false, 700, 500};
    signature_.headSignatureTemplate = "h";
    options_ = TypesetOptions::defaults();
    options_.fixQuotes = options_.cutAfter = true;
    const SettingsRecord saved =
        captureSettings(window_, geometry_, options_, signature_, folvane::corrections::ScriptStandard::TaiwanPhrases);
    ASSERT_TRUE(saveSettings(store(), saved));

    const auto sec = folvane::testing::referenceSection(contents(), "folvane");
    const std::vector<std::string> expectedOrder = {
        g("一键排版"), g("自动换行"), g("文本替换"), g("升级提示"), g("复制即排版"), g("按回车键缩进换行"),
        g("首尾签名"), g("首签名"), g("尾签名"), g("置顶"), g("最小化到托盘"), g("显示导航按钮"),
        g("显示功能快捷栏上"), g("显示功能快捷栏下"), g("窗口全屏"), g("窗口高度"), g("窗口宽度"),
        g("全角空格"), g("修正空格"), g("删除首尾空格"), g("修正换行"), g("双换行"), g("三换行"),
        g("清除非段落换行"), g("统一成繁体"), g("统一成简体"), g("全角转半角"), g("修正标点"), g("标点修正"),
        g("引号修正"), g("去段首干扰"), g("去干扰符"), g("空行补空格"), g("自动拷贝"), g("自动剪切"), g("最小化"),
        g("保护网址和代码"), g("中英文间加空格"), g("智能合并换行"), g("中英混排标点"), g("繁简标准")};
    EXPECT_EQ(sec.order, expectedOrder);
    EXPECT_EQ(stored(g("窗口宽度")), "700");
    EXPECT_EQ(stored(g("繁简标准")), "twp");
    EXPECT_EQ(stored(g("自动剪切")), "1");

    SettingsRecord back = decodeSettings(store().read(), "folvane");
    back.version = saved.version;  // not saved: written when it changes
    EXPECT_EQ(back, saved);
}

// 3,000 bytes of binary (every byte value, line breaks, "[" and "=" among
// them) after the settings: the file still loads, and a save changes the
// value it changes and keeps every other byte.
TEST_F(SettingsTest, BinaryBytesInTheFileSurviveASave) {
    writeCurrent("");
    ASSERT_TRUE(saveSettings(store(), capture()));
    std::mt19937 rng(3000);
    std::string binary(3000, '\0');
    for (char& c : binary) c = static_cast<char>(rng() & 0xFF);
    const std::string before = contents();
    writeFile(before + binary);
    const TypesetOptions saved = options_;
    options_.fixQuotes = !saved.fixQuotes;
    EXPECT_FALSE(load().defaultsRestored);
    EXPECT_EQ(options_, saved);
    options_.fixQuotes = !saved.fixQuotes;
    ASSERT_TRUE(saveSettings(store(), capture()));
    const std::string after = contents();
    EXPECT_EQ(stored(g("引号修正")), options_.fixQuotes ? "1" : "0");
    ASSERT_GE(after.size(), binary.size());
    EXPECT_EQ(after.substr(after.size() - binary.size()), binary);
    EXPECT_EQ(after.size(), before.size() + binary.size());
}

TEST_F(SettingsTest, ScriptStandardReadsItsNamesAndFallsBackToTheConvertersOwn) {
    using folvane::corrections::ScriptStandard;
    const std::pair<const char*, ScriptStandard> cases[] = {
        {"", ScriptStandard::OpenCC},           {"繁简标准=hk\r\n", ScriptStandard::HongKong},
        {"繁简标准=tw\r\n", ScriptStandard::Taiwan}, {"繁简标准=TW\r\n", ScriptStandard::OpenCC},
        {"繁简标准=\r\n", ScriptStandard::OpenCC},
    };
    for (const auto& [lines, expected] : cases) {
        writeCurrent(g(lines));
        EXPECT_EQ(decodeSettings(store().read(), "folvane").scriptStandard, expected) << lines;
    }
}

TEST_F(SettingsTest, SavingWhileMaximisedKeepsTheStoredSize) {
    writeCurrent(g("窗口宽度=800\r\n窗口高度=600\r\n"));
    geometry_ = {true, 1920, 1080};
    ASSERT_TRUE(saveSettings(store(), capture()));
    EXPECT_EQ(stored(g("窗口全屏")), "1");
    EXPECT_EQ(stored(g("窗口宽度")), "800");
    EXPECT_EQ(stored(g("窗口高度")), "600");
}

TEST_F(SettingsTest, FailedSaveIsReportedAndKeepsTheFile) {
    fs::create_directory(path_);  // a directory where the file should be
    const WriteResult r = saveSettings(store(), capture());
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find(path_), std::string::npos);
    EXPECT_FALSE(bumpRunCounter(store()));
}

TEST_F(SettingsTest, Counters) {
    struct Case {
        const char* name;
        std::optional<std::string> stored;
        std::string next;
    };
    const Case cases[] = {
        {"absent", std::nullopt, "1"},
        {"empty", "", "1"},
        {"zero", "0", "1"},
        {"41", "41", "42"},
        {"leading blanks", " \t41", "42"},
        {"trailing garbage", "41x", "42"},
        {"fraction", "3.7", "4"},
        {"not a number", "abc", "1"},
        {"negative", "-5", "1"},
        {"saturates", "99999999999999999999999", "18446744073709551615"},
    };
    for (const auto& c : cases) {
        writeCurrent(c.stored ? "CONFIG2=" + *c.stored + "\r\nCONFIG1=" + *c.stored + "\r\n" : "");
        ASSERT_TRUE(bumpRunCounter(store())) << c.name;
        ASSERT_TRUE(bumpStartCount(store())) << c.name;
        EXPECT_EQ(stored("CONFIG2"), c.next) << c.name;
        EXPECT_EQ(stored("CONFIG1"), c.next) << c.name;
    }
}

TEST(StoredGeometry, IntegersAndMissingHeight) {
    struct Case {
        const char* name;
        bool maximized;
        std::string width, height;
        StoredGeometry expected;
    };
    const Case cases[] = {
        {"maximised ignores the size", true, "800", "600", {true, false, 0, 0}},
        {"no width, no size", false, "", "600", {false, false, 0, 0}},
        {"both", false, "800", "600", {false, true, 800, 600}},
        {"height absent", false, "800", "", {false, true, 800, 0}},
        {"height not a number", false, "800", "tall", {false, true, 800, 0}},
        {"signs and blanks", false, " -12px", "+7", {false, true, -12, 7}},
        {"clamped", false, "99999999999", "-99999999999", {false, true, 2147483647, -2147483647 - 1}},
    };
    for (const auto& c : cases) {
        SettingsRecord r;
        r.maximized = c.maximized;
        r.windowWidth = c.width;
        r.windowHeight = c.height;
        const StoredGeometry got = storedGeometry(r);
        EXPECT_EQ(got.maximized, c.expected.maximized) << c.name;
        EXPECT_EQ(got.hasSize, c.expected.hasSize) << c.name;
        EXPECT_EQ(got.width, c.expected.width) << c.name;
        EXPECT_EQ(got.height, c.expected.height) << c.name;
    }
}

TEST(QuickBars, StatesFollowTheSwitches) {
    using O = TypesetOptions;
    struct Case {
        const char* name;
        std::initializer_list<bool O::*> on;
        bool singleBreak, doubleBreak, tripleBreak, noBreakFix, mergeBreaks;
        ScriptChoice script;
    };
    const Case cases[] = {
        {"nothing", {}, false, false, false, true, false, ScriptChoice::Unchanged},
        {"line-break fix alone", {&O::lineBreakFix}, true, false, false, false, true, ScriptChoice::Unchanged},
        {"double without fix", {&O::doubleBreak}, false, true, false, false, true, ScriptChoice::Unchanged},
        {"double and triple", {&O::lineBreakFix, &O::doubleBreak, &O::tripleBreak}, false, true, false, false, true,
         ScriptChoice::Unchanged},
        {"both scripts", {&O::toTraditional, &O::toSimplified}, false, false, false, true, false,
         ScriptChoice::Traditional},
        {"simplified", {&O::toSimplified}, false, false, false, true, false, ScriptChoice::Simplified},
    };
    for (const auto& c : cases) {
        O o;
        for (auto m : c.on) o.*m = true;
        const QuickBarState q = syncQuickBars(o);
        EXPECT_EQ(q.singleBreak, c.singleBreak) << c.name;
        EXPECT_EQ(q.doubleBreak, c.doubleBreak) << c.name;
        EXPECT_EQ(q.tripleBreak, c.tripleBreak) << c.name;
        EXPECT_EQ(q.noBreakFix, c.noBreakFix) << c.name;
        EXPECT_EQ(q.mergeBreaks, c.mergeBreaks) << c.name;
        EXPECT_EQ(q.script, c.script) << c.name;
        EXPECT_EQ(q.singleBreak + q.doubleBreak + q.tripleBreak + q.noBreakFix, 1) << c.name;
    }
    O pairs;
    pairs.trimParagraphEnds = true;  // "段首缩进" needs both
    pairs.stripHeadNoise = pairs.stripTailNoise = true;
    pairs.copyAfter = pairs.cutAfter = true;
    const QuickBarState q = syncQuickBars(pairs);
    EXPECT_FALSE(q.indent);
    EXPECT_TRUE(q.noiseFix);
    EXPECT_TRUE(q.copyAfter);
    EXPECT_FALSE(q.cutAfter);
    EXPECT_FALSE(pairs.cutAfter);  // the switches themselves are normalised
}

TEST(ConfigLocation, ProgramDirectoryOrXdg) {
    struct Case {
        const char* name;
        std::string exeDir, xdg, home;
        bool exeWritable;
        std::string expected;
        bool portable;
    };
    const Case cases[] = {
        {"writable program directory", "/opt/f", "/x", "/home/u", true, "/opt/f/config.ini", true},
        {"read-only program directory", "/usr/bin", "/x/cfg", "/home/u", false, "/x/cfg/folvane/config.ini", false},
        {"XDG unset", "/usr/bin", "", "/home/u", false, "/home/u/.config/folvane/config.ini", false},
        {"relative XDG ignored", "/usr/bin", "cfg", "/home/u/", false, "/home/u/.config/folvane/config.ini", false},
        {"trailing slash", "/usr/bin", "/x/", "/home/u", false, "/x/folvane/config.ini", false},
        {"unknown program directory", "", "/x", "/home/u", true, "/x/folvane/config.ini", false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> made;
        ConfigLocationInputs in;
        in.executableDir = c.exeDir;
        in.xdgConfigHome = c.xdg;
        in.home = c.home;
        in.isWritableDirectory = [&](const std::string&) { return c.exeWritable; };
        in.makeDirectories = [&](const std::string& d) {
            made.push_back(d);
            return true;
        };
        const ConfigLocation loc = locateConfig(in);
        EXPECT_EQ(loc.path, c.expected) << c.name;
        EXPECT_EQ(loc.portable, c.portable) << c.name;
        EXPECT_TRUE(loc.error.empty()) << c.name;
        EXPECT_EQ(made.size(), c.portable ? 0u : 1u) << c.name;
    }
}

TEST(ConfigLocation, FallbackDirectoryIsCreated) {
    char tmpl[] = "/tmp/folvane-loc-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    ConfigLocationInputs in = processConfigLocationInputs();
    in.executableDir = dir + "/missing";
    in.xdgConfigHome = dir + "/xdg";
    const ConfigLocation loc = locateConfig(in);
    EXPECT_EQ(loc.path, dir + "/xdg/folvane/config.ini");
    EXPECT_TRUE(fs::is_directory(dir + "/xdg/folvane"));
    EXPECT_TRUE(IniStore(loc.path, "folvane").writeText("k", "1"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace folvane::settings

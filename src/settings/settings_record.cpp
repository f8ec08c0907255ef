#include "settings/settings_record.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <limits>

#include "settings/ini_store.h"
#include "settings/quick_bars.h"
#include "text/codec.h"
#include "text/file_io.h"

namespace folvane::settings {
namespace {

using text::gb;

std::string_view skipBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

std::size_t leadingDigits(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size() && s[n] >= '0' && s[n] <= '9') ++n;
    return n;
}

}  // namespace

const SettingsKeys& settingsKeys() {
    static const SettingsKeys keys{
        gb("首尾签名"),         gb("按回车键缩进换行"), gb("升级提示"), gb("首签名"),
        gb("尾签名"),           gb("置顶"),             gb("一键排版"), gb("复制即排版"),
        gb("文本替换"),         gb("最小化到托盘"),     gb("显示导航按钮"), gb("显示功能快捷栏上"),
        gb("显示功能快捷栏下"), gb("版本"),             gb("窗口全屏"), gb("窗口宽度"),
        gb("窗口高度"),         gb("自动换行"),         "CONFIG1",      "CONFIG2",
        gb("繁简标准"),
    };
    return keys;
}

std::string optionKey(const engine::TypesetOptionField& field) { return gb(field.configKeyUtf8); }

SettingsRecord decodeSettings(const IniText& ini, std::string_view section) {
    const SettingsKeys& k = settingsKeys();
    auto text = [&](const std::string& key, std::string_view fallback) {
        const auto v = ini.find(section, key);
        return std::string(v ? *v : fallback);
    };
    auto flag = [&](const std::string& key) { return decodeFlag(text(key, "0")); };

    SettingsRecord r;
    r.signatureEnabled = flag(k.signatureEnabled);
    r.enterIndent = flag(k.enterIndent);
    r.checkUpdates = flag(k.checkUpdates);
    r.headSignatureTemplate = decodeSignature(text(k.headSignature, ""));
    r.tailSignatureTemplate = decodeSignature(text(k.tailSignature, ""));
    r.alwaysOnTop = flag(k.alwaysOnTop);
    r.oneClick = flag(k.oneClick);
    r.copyTypeset = flag(k.copyTypeset);
    r.findPanel = flag(k.findPanel);
    r.trayOnMinimize = flag(k.trayOnMinimize);
    r.navigationBar = flag(k.navigationBar);
    r.upperBar = flag(k.upperBar);
    r.lowerBar = flag(k.lowerBar);
    for (const auto& f : engine::typesetOptionFields()) r.options.*(f.member) = flag(optionKey(f));
    r.version = text(k.version, "0");
    r.maximized = flag(k.maximized);
    r.windowWidth = text(k.windowWidth, "");
    r.windowHeight = text(k.windowHeight, "");
    r.wordWrap = flag(k.wordWrap);
    r.startCount = text(k.startCount, "");
    r.runCount = text(k.runCount, "");
    r.scriptStandard = corrections::scriptStandardNamed(text(k.scriptStandard, "")).value_or(r.scriptStandard);
    return r;
}

std::optional<SettingsRecord> readSettingsFile(const std::string& path, std::string* error) {
    std::string bytes;
    if (!text::readFile(path, bytes, error, kMaxSettingsFileSize)) return std::nullopt;
    SettingsRecord r = decodeSettings(IniText(bytes), kSettingsSection);
    normalizeOptions(r.options);
    return r;
}

std::vector<IniAssignment> encodeSettings(const SettingsRecord& r) {
    const SettingsKeys& k = settingsKeys();
    std::vector<IniAssignment> out;
    auto flag = [&](const std::string& key, bool on) { out.push_back({key, std::string(encodeFlag(on))}); };
    flag(k.oneClick, r.oneClick);
    flag(k.wordWrap, r.wordWrap);
    flag(k.findPanel, r.findPanel);
    flag(k.checkUpdates, r.checkUpdates);
    flag(k.copyTypeset, r.copyTypeset);
    flag(k.enterIndent, r.enterIndent);
    flag(k.signatureEnabled, r.signatureEnabled);
    out.push_back({k.headSignature, encodeSignature(r.headSignatureTemplate)});
    out.push_back({k.tailSignature, encodeSignature(r.tailSignatureTemplate)});
    flag(k.alwaysOnTop, r.alwaysOnTop);
    flag(k.trayOnMinimize, r.trayOnMinimize);
    flag(k.navigationBar, r.navigationBar);
    flag(k.upperBar, r.upperBar);
    flag(k.lowerBar, r.lowerBar);
    flag(k.maximized, r.maximized);
    if (!r.maximized) {
        out.push_back({k.windowHeight, r.windowHeight});
        out.push_back({k.windowWidth, r.windowWidth});
    }
    // The switches in the save rank of their table rows.
    std::vector<const engine::TypesetOptionField*> rows;
    for (const auto& f : engine::typesetOptionFields()) rows.push_back(&f);
    std::ranges::sort(rows, {}, &engine::TypesetOptionField::saveRank);
    for (const auto* f : rows) flag(optionKey(*f), r.options.*(f->member));
    out.push_back({k.scriptStandard, std::string(corrections::scriptStandardName(r.scriptStandard))});
    return out;
}

std::string encodeSignature(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += '\xFF';
            ++i;
        } else if (c == '\r' || c == '\n') {
            out += '\xFF';
        } else {
            out += c;
        }
    }
    return out;
}

std::string decodeSignature(std::string_view stored) {
    std::string out;
    out.reserve(stored.size());
    for (const char c : stored) {
        if (c == '\xFF') out += "\r\n";
        else out += c;
    }
    return out;
}

std::uint64_t parseCounter(std::string_view stored) {
    const std::string_view s = skipBlanks(stored);
    const std::size_t n = leadingDigits(s);
    std::uint64_t value = 0;
    if (n == 0) return 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + n, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) return std::numeric_limits<std::uint64_t>::max();
    return value;
}

std::string nextCounter(std::string_view stored) {
    if (stored.empty()) return "1";
    const std::uint64_t v = parseCounter(stored);
    return std::to_string(v == std::numeric_limits<std::uint64_t>::max() ? v : v + 1);
}

int parseInteger(std::string_view stored) {
    std::string_view s = skipBlanks(stored);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    const std::size_t n = leadingDigits(s);
    if (n == 0) return 0;
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + n, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range || value > INT_MAX) return negative ? INT_MIN : INT_MAX;
    return static_cast<int>(negative ? -value : value);
}

StoredGeometry storedGeometry(const SettingsRecord& r) {
    StoredGeometry g;
    g.maximized = r.maximized;
    if (!r.maximized && !r.windowWidth.empty()) {
        g.hasSize = true;
        g.width = parseInteger(r.windowWidth);
        g.height = parseInteger(r.windowHeight);
    }
    return g;
}

}  // namespace folvane::settings

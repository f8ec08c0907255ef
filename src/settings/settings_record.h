// Everything "config.ini" stores, and how each kind of value is encoded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corrections/script_converter.h"
#include "engine/typeset_options.h"
#include "folvane_version.h"
#include "settings/ini_store.h"

namespace folvane::settings {

// The section every key lives in.
inline constexpr std::string_view kSettingsSection = "folvane";

// The version stamp; a different stored stamp resets the configuration.
inline constexpr std::string_view kVersionStamp = FOLVANE_VERSION;

// The keys (GB18030) of the settings that are not typesetting switches; the
// switches' keys come from engine::typesetOptionFields().
struct SettingsKeys {
    std::string signatureEnabled;  // "首尾签名"
    std::string enterIndent;       // "按回车键缩进换行"
    std::string checkUpdates;      // "升级提示"
    std::string headSignature;     // "首签名"
    std::string tailSignature;     // "尾签名"
    std::string alwaysOnTop;       // "置顶"
    std::string oneClick;          // "一键排版"
    std::string copyTypeset;       // "复制即排版"
    std::string findPanel;         // "文本替换"
    std::string trayOnMinimize;    // "最小化到托盘"
    std::string navigationBar;     // "显示导航按钮"
    std::string upperBar;          // "显示功能快捷栏上"
    std::string lowerBar;          // "显示功能快捷栏下"
    std::string version;           // "版本"
    std::string maximized;         // "窗口全屏"
    std::string windowWidth;       // "窗口宽度"
    std::string windowHeight;      // "窗口高度"
    std::string wordWrap;          // "自动换行"
    std::string startCount;        // "CONFIG1"
    std::string runCount;          // "CONFIG2"
    std::string scriptStandard;    // "繁简标准"
};
const SettingsKeys& settingsKeys();

// The GB18030 key of one typesetting switch.
std::string optionKey(const engine::TypesetOptionField& field);

struct SettingsRecord {
    bool signatureEnabled = false;     // check box "启用首尾签名"
    bool enterIndent = false;          // menu item "按回车键缩进换行"
    bool checkUpdates = false;         // menu item "联网时检查新版本"
    std::string headSignatureTemplate; // decoded: "\r\n" between lines
    std::string tailSignatureTemplate;
    bool alwaysOnTop = false;
    bool oneClick = false;             // "一键排版(&Q)"
    bool copyTypeset = false;          // "复制即排版(&N)"
    bool findPanel = false;            // "文本替换(&F)"
    bool trayOnMinimize = false;       // "最小化时隐藏主窗口到托盘"
    bool navigationBar = false;
    bool upperBar = false;
    bool lowerBar = false;
    engine::TypesetOptions options;    // the switches of the switch table
    std::string version = "0";         // the stored stamp
    bool maximized = false;            // "窗口全屏"
    std::string windowWidth;           // integers as stored; "" when absent
    std::string windowHeight;
    bool wordWrap = false;             // "自动换行"
    std::string startCount;            // counters as stored; "" when absent
    std::string runCount;
    // The standard of the script conversions ("opencc", "tw", "twp", "hk");
    // absent or unknown is the converter's own.
    corrections::ScriptStandard scriptStandard = corrections::ScriptStandard::OpenCC;

    bool operator==(const SettingsRecord&) const = default;
};

// Reads every key of `section` from `ini`: an absent key gives the reader's
// default (off, "", the stamp "0").
SettingsRecord decodeSettings(const IniText& ini, std::string_view section);

// Reads a settings file given by the user (folvane-cli --config): every key
// as stored, the switches with the exclusive pairs normalised. The version
// stamp is returned as stored; startupTypesetting() applies the start-up
// rule to it. nullopt with `error` set when the file cannot be read; a file
// without the section gives every key's default.
std::optional<SettingsRecord> readSettingsFile(const std::string& path, std::string* error = nullptr);

// The assignments that save a record, in the order in which the program
// saves them: window and menu states, the geometry (width and height only
// when not maximised), then the switches. Stamp and counters are not among
// them: they are written when they change.
std::vector<IniAssignment> encodeSettings(const SettingsRecord& record);

// Value encodings.
inline std::string_view encodeFlag(bool on) { return on ? "1" : "0"; }
inline bool decodeFlag(std::string_view stored) { return stored == "1"; }
// Signatures fit one line: "\r\n" is stored as the byte 0xFF. A lone "\r"
// or "\n" (which the editor never produces) is stored as 0xFF too, since
// written raw it would end the line and spill the rest of the signature
// into the file as lines of their own.
std::string encodeSignature(std::string_view text);
// Every byte 0xFF becomes "\r\n".
std::string decodeSignature(std::string_view stored);

// A counter's value: the decimal digits at the start of the text after
// spaces and tabs ("41" and " 41x" give 41, "3.7" gives 3); a text that does
// not start with a digit counts as 0. Values beyond the range saturate.
std::uint64_t parseCounter(std::string_view stored);
// The counter after one more event: "1" for an empty text, else the value
// plus one in decimal digits (never wrapping around).
std::string nextCounter(std::string_view stored);

// An integer setting: optional spaces and tabs, an optional sign, decimal
// digits; anything after them is ignored; no digits gives 0. Clamped to int.
int parseInteger(std::string_view stored);

// The window geometry to apply at the end of start-up.
struct StoredGeometry {
    bool maximized = false;
    bool hasSize = false;  // a non-empty stored width
    int width = 0;
    int height = 0;  // 0 when the stored height is absent or not a number
};
StoredGeometry storedGeometry(const SettingsRecord& record);

}  // namespace folvane::settings

// The main window's switches: the check marks of the menus, the toolbar,
// the tray menu and the copy-is-typeset box, saved with the settings. A
// plain value; the window binds its controls to it.
#pragma once

#include <array>

namespace folvane::settings {

struct WindowState {
    bool enterIndent = false;     // "按回车键缩进换行"
    bool checkUpdates = false;    // "联网时检查新版本"
    bool alwaysOnTop = false;     // "置顶(&U)", toolbar button 13
    bool oneClick = false;        // "一键排版(&Q)", toolbar button 14, the tray's "一键排版"
    bool copyTypeset = false;     // "复制即排版(&N)" and its box on the lower quick bar
    bool findPanel = false;       // "文本替换(&F)"
    bool trayOnMinimize = false;  // "最小化时隐藏主窗口到托盘"
    bool navigationBar = false;   // "显示导航按钮"
    bool upperBar = false;        // "显示功能快捷栏(上)"
    bool lowerBar = false;        // "显示功能快捷栏(下)"
    bool wordWrap = true;         // "自动换行(&W)"
    bool operator==(const WindowState&) const = default;
};

// One switch of WindowState, to name it in a binding or a change.
enum class WindowFlag {
    EnterIndent, CheckUpdates, AlwaysOnTop, OneClick, CopyTypeset, FindPanel, TrayOnMinimize,
    NavigationBar, UpperBar, LowerBar, WordWrap, Count
};

// The member of each flag, in the order of the enumeration.
inline constexpr std::array<bool WindowState::*, static_cast<std::size_t>(WindowFlag::Count)> kWindowFlagMembers = {
    &WindowState::enterIndent, &WindowState::checkUpdates, &WindowState::alwaysOnTop, &WindowState::oneClick,
    &WindowState::copyTypeset, &WindowState::findPanel, &WindowState::trayOnMinimize,
    &WindowState::navigationBar, &WindowState::upperBar, &WindowState::lowerBar, &WindowState::wordWrap,
};

inline bool& flagOf(WindowState& s, WindowFlag f) { return s.*kWindowFlagMembers[static_cast<std::size_t>(f)]; }
inline bool flagOf(const WindowState& s, WindowFlag f) { return s.*kWindowFlagMembers[static_cast<std::size_t>(f)]; }

// The window's size as saving stores it.
struct WindowGeometry {
    bool maximized = false;  // the window is maximised now
    int width = 0;           // outer size at the last resize while not minimised
    int height = 0;
};

}  // namespace folvane::settings

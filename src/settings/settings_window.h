// What loading, restoring and saving the settings need from the main window.
// The window implements it; the settings procedures call it in the order in
// which their effects must happen (two of the calls show message boxes).
#pragma once

#include <string_view>

#include "settings/quick_bars.h"

namespace folvane::settings {

// The window-held states that are saved with the settings.
struct SettingsWindowState {
    bool enterIndent = false;     // check mark of "按回车键缩进换行"
    bool checkUpdates = false;    // check mark of "联网时检查新版本"
    bool alwaysOnTop = false;     // "置顶(&U)"
    bool oneClick = false;        // "一键排版(&Q)"
    bool copyTypeset = false;     // "复制即排版(&N)"
    bool findPanel = false;       // "文本替换(&F)"
    bool trayOnMinimize = false;  // "最小化时隐藏主窗口到托盘"
    bool navigationBar = false;   // "显示导航按钮"
    bool upperBar = false;        // "显示功能快捷栏(上)"
    bool lowerBar = false;        // "显示功能快捷栏(下)"
    bool wordWrap = true;         // "自动换行(&W)"
    bool maximized = false;       // the window is maximised now
    int windowWidth = 0;          // outer size at the last resize while not minimised
    int windowHeight = 0;
};

class SettingsWindow {
public:
    virtual ~SettingsWindow() = default;

    virtual SettingsWindowState state() const = 0;

    // The loading label covers the client area while the settings load.
    virtual void sizeLoadingLabel() = 0;
    // Check boxes and check marks set directly (texts are GB18030).
    virtual void setSignatureEnabled(bool on) = 0;  // check box "启用首尾签名"
    virtual void setEnterIndentChecked(bool on) = 0;
    virtual void setCheckUpdatesChecked(bool on) = 0;
    virtual void setOneClickChecked(bool on) = 0;        // menu and tray items, no message
    virtual void setTrayOnMinimizeChecked(bool on) = 0;
    virtual void setAlwaysOnTop(bool on) = 0;            // window, menu item, toolbar button 13
    virtual void setFindPanelShown(bool shown) = 0;      // panel and its menu check mark
    // The window's own toggles, with all their side effects (toggleOneClick
    // shows its message box when it switches on).
    virtual void toggleAlwaysOnTop() = 0;
    virtual void toggleOneClick() = 0;
    virtual void toggleCopyTypeset() = 0;
    virtual void toggleTrayOnMinimize() = 0;
    virtual void toggleNavigationBar() = 0;
    virtual void toggleUpperBar() = 0;
    virtual void toggleLowerBar() = 0;
    virtual void layoutMainWindow() = 0;
    // An information message box.
    virtual void showInformation(std::string_view text, std::string_view title) = 0;
    // The first section of the status bar.
    virtual void showStatus(std::string_view text) = 0;
    virtual void focusEditor() = 0;
    virtual void applyQuickBars(const QuickBarState& state) = 0;
};

}  // namespace folvane::settings

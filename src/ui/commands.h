// The commands of the main window's menus, toolbar, tray menu and context
// menu; the table that gives each menu item its caption, accelerator and
// initial state; and CommandSet, which holds one QAction per command that
// every place showing the command shares.
#pragma once

#include <QString>
#include <array>
#include <vector>

class QAction;
class QObject;

enum class Command {
    // 文件(&F)
    New, Open, OpenWebPage, Save, SaveAs, RecentFiles, Font, WordWrap, AlwaysOnTop, Exit,
    // 编辑(&E)
    Undo, Redo, CutAll, CopyAll, ReplacePasteAll, ClearAll, EnterIndent, QuickHide, FindPanel,
    Signatures, FindNext, FindPrevious,
    // 排版(&R)
    Run, ShowChanges, Batch, Options, OneClick, CopyTypeset,
    // 显示(&S)
    TrayOnMinimize, ShowNavigationBar, ShowUpperBar, ShowLowerBar,
    // 其它(&A)
    About, Website, Forum, Donate, CheckUpdates, RestoreDefaults,
    // The editor's context menu and the tools menu
    ContextUndo, Cut, Copy, Paste, Delete, SelectAll, ContextCutAll, ContextCopyAll,
    ContextReplacePasteAll, ContextClearAll, ContextRun,
    RemoveBlankLines, DeleteHeadSpaces, ToTraditional, ToSimplified, AllToLower, AllToUpper,
    SelectionToLower, SelectionToUpper, StripHtml, StripUbb, Statistics,
    // The tray menu
    ShowWindow, TrayOneClick, TrayExit,
    Count
};

struct MenuEntry {
    Command command;     // Command::Count for a separator
    const char* caption;  // UTF-8, exact
    const char* shortcut;
    bool checkable = false;
    bool checked = false;
    bool enabled = true;
};

struct MenuDefinition {
    const char* title;
    std::vector<MenuEntry> entries;
};

// The main menu bar, in order.
const std::vector<MenuDefinition>& mainMenus();

// The editor's context menu "编辑框菜单" and its tools submenu "排版小工具"
// (with the case submenu "大小写字母转换"), in order.
const std::vector<MenuEntry>& contextMenuEntries();
const std::vector<MenuEntry>& toolsMenuEntries();
const std::vector<MenuEntry>& caseMenuEntries();
// The tray menu.
const std::vector<MenuEntry>& trayMenuEntries();

// The main toolbar: button index → command; indices 3, 9 and 11 are
// separators (Command::Count).
struct ToolButtonEntry {
    Command command;
    const char* iconName;      // the desktop's icon theme name
    const char* fallbackIcon;  // bundled picture of the same thing
    const char* tip;           // UTF-8
};
inline constexpr int kToolButtonCount = 15;
const std::array<ToolButtonEntry, kToolButtonCount>& toolButtonEntries();

// One QAction per command. A command shown with another caption somewhere
// else (the context menu's "撤销(&Z)", the tray's "一键排版") gets a view:
// an action of its own caption whose enabled and checked states follow the
// command's action and whose trigger is the command's trigger, so both
// always agree.
class CommandSet {
public:
    explicit CommandSet(QObject* owner);
    QAction* action(Command c) const { return actions_[static_cast<std::size_t>(c)]; }
    // The command behind a view (the command itself otherwise).
    static Command primary(Command c);

private:
    std::array<QAction*, static_cast<std::size_t>(Command::Count)> actions_{};
};

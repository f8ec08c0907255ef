// The commands of the main window's menus, toolbar and context menu, and the
// table that gives each menu item its caption, accelerator and initial state.
#pragma once

#include <QString>
#include <vector>

enum class Command {
    // 文件(&F)
    New, Open, OpenWebPage, Save, Font, WordWrap, AlwaysOnTop, Exit,
    // 编辑(&E)
    Undo, Redo, CutAll, CopyAll, ReplacePasteAll, ClearAll, EnterIndent, QuickHide, FindPanel,
    Signatures,
    // 排版(&R)
    Run, Batch, Options, OneClick, CopyTypeset,
    // 显示(&S)
    TrayOnMinimize, ShowNavigationBar, ShowUpperBar, ShowLowerBar,
    // 其它(&A)
    About, Website, Forum, Donate, CheckUpdates, RestoreDefaults,
    // The editor's context menu and the tools menu
    ContextUndo, Cut, Copy, Paste, Delete, SelectAll, ContextCutAll, ContextCopyAll,
    ContextReplacePasteAll, ContextClearAll, ContextRun,
    RemoveBlankLines, DeleteHeadSpaces, ToTraditional, ToSimplified, AllToLower, AllToUpper,
    SelectionToLower, SelectionToUpper, StripHtml, StripUbb, Statistics,
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

#include "commands.h"

#include <QAction>
#include <QKeySequence>

namespace {

constexpr Command kSeparator = Command::Count;

}  // namespace

const std::vector<MenuDefinition>& mainMenus() {
    static const std::vector<MenuDefinition> menus = {
        {"文件(&F)",
         {
             {Command::New, "新建(&N)", "Ctrl+N"},
             {Command::Open, "打开(&O)... ", "Ctrl+O"},
             {Command::OpenWebPage, "打开网页(&H)...", nullptr},
             {Command::Save, "保存(&S)", "Ctrl+S"},
             {Command::SaveAs, "另存为(&A)...", "Ctrl+Shift+S"},
             {Command::RecentFiles, "最近打开的文件", nullptr},
             {kSeparator, nullptr, nullptr},
             {Command::Font, "字体(&F)...", nullptr},
             {Command::WordWrap, "自动换行(&W)", nullptr, true, true},
             {Command::AlwaysOnTop, "置顶(&U)", nullptr, true},
             {kSeparator, nullptr, nullptr},
             {Command::Exit, "退出(&X)", nullptr},
         }},
        {"编辑(&E)",
         {
             {Command::Undo, "撤销(&U)", "Ctrl+Z", false, false, false},
             {Command::Redo, "重做(&R)", "Ctrl+Y", false, false, false},
             {kSeparator, nullptr, nullptr},
             {Command::CutAll, "全文剪切(&T)", nullptr},
             {Command::CopyAll, "全文复制(&C)", nullptr},
             {Command::ReplacePasteAll, "全文替换粘贴(&P)", nullptr},
             {Command::ClearAll, "全文清空(&D)", nullptr},
             {kSeparator, nullptr, nullptr},
             {Command::EnterIndent, "按回车键缩进换行", nullptr, true},
             {Command::QuickHide, "快速隐藏编辑内容(再按则恢复)", "Ctrl+M"},
             {kSeparator, nullptr, nullptr},
             {Command::FindPanel, "文本替换(&F)", "Ctrl+F", true},
             {Command::FindNext, "查找下一个(&N)", "F3"},
             {Command::FindPrevious, "查找上一个(&V)", "Shift+F3"},
             {kSeparator, nullptr, nullptr},
             {Command::Signatures, "首尾签名(&Q)...", nullptr},
         }},
        {"排版(&R)",
         {
             {Command::Run, "执行(&G)", "F5"},
             {Command::ShowChanges, "查看排版改动", nullptr, false, false, false},
             {Command::Batch, "批量排版(&L)...", nullptr},
             {kSeparator, nullptr, nullptr},
             {Command::Options, "排版设置(&O)...", "Ctrl+P"},
             {kSeparator, nullptr, nullptr},
             {Command::OneClick, "一键排版(&Q)", nullptr, true},
             {Command::CopyTypeset, "复制即排版(&N)", nullptr, true},
         }},
        {"显示(&S)",
         {
             {Command::TrayOnMinimize, "最小化时隐藏主窗口到托盘", nullptr, true},
             {kSeparator, nullptr, nullptr},
             {Command::ShowNavigationBar, "显示导航按钮", nullptr, true},
             {Command::ShowUpperBar, "显示功能快捷栏(上)", nullptr, true},
             {Command::ShowLowerBar, "显示功能快捷栏(下)", nullptr, true},
         }},
        {"其它(&A)",
         {
             {Command::About, "关于&TAVEX FOLVANE...", nullptr},
             {kSeparator, nullptr, nullptr},
             {Command::Website, "访问官方网站...", nullptr},
             {Command::Forum, "参与排版软件的讨论(&C)...", nullptr},
             {Command::Donate, "捐助...", nullptr},
             {kSeparator, nullptr, nullptr},
             {Command::CheckUpdates, "联网时检查新版本", nullptr, true},
             {kSeparator, nullptr, nullptr},
             {Command::RestoreDefaults, "恢复默认配置(&R)", nullptr},
         }},
    };
    return menus;
}

const std::vector<MenuEntry>& contextMenuEntries() {
    static const std::vector<MenuEntry> entries = {
        {Command::ContextUndo, "撤销(&Z)", nullptr},
        {kSeparator, nullptr, nullptr},
        {Command::Cut, "剪切(&T)", nullptr},
        {Command::Copy, "复制(&C)", nullptr},
        {Command::Paste, "粘贴(&P)", nullptr},
        {Command::Delete, "删除(&D)", nullptr},
        {kSeparator, nullptr, nullptr},
        {Command::SelectAll, "全选(&A)", nullptr},
        {kSeparator, nullptr, nullptr},
        {Command::ContextCutAll, "剪切(全文操作)", nullptr},
        {Command::ContextCopyAll, "复制(全文操作)", nullptr},
        {Command::ContextReplacePasteAll, "全文替换粘贴", nullptr},
        {Command::ContextClearAll, "删除(全文操作)", nullptr},
        {kSeparator, nullptr, nullptr},
        {Command::ContextRun, "开始排版", nullptr},
    };
    return entries;
}

const std::vector<MenuEntry>& toolsMenuEntries() {
    static const std::vector<MenuEntry> entries = {
        {Command::RemoveBlankLines, "去掉空换行", nullptr},
        {Command::DeleteHeadSpaces, "删除段首空格", nullptr},
        {kSeparator, nullptr, nullptr},
        {Command::ToTraditional, "立即转换成繁体字", nullptr},
        {Command::ToSimplified, "立即转换成简体字", nullptr},
        // the case submenu "大小写字母转换" stands here
        {kSeparator, nullptr, nullptr},
        {Command::StripHtml, "去掉HTML代码", nullptr},
        {Command::StripUbb, "去掉UBB代码", nullptr},
        {kSeparator, nullptr, nullptr},
        {Command::Statistics, "文字统计信息", nullptr},
    };
    return entries;
}

const std::vector<MenuEntry>& caseMenuEntries() {
    static const std::vector<MenuEntry> entries = {
        {Command::AllToLower, "[全文]大写字母→小写字母", nullptr},
        {Command::AllToUpper, "[全文]小写字母→大写字母", nullptr},
        {Command::SelectionToLower, "[选中文字]大写字母→小写字母", nullptr},
        {Command::SelectionToUpper, "[选中文字]小写字母→大写字母", nullptr},
    };
    return entries;
}

const std::vector<MenuEntry>& trayMenuEntries() {
    static const std::vector<MenuEntry> entries = {
        {Command::ShowWindow, "显示编辑窗口", nullptr},
        {Command::TrayOneClick, "一键排版", nullptr, true},
        {kSeparator, nullptr, nullptr},
        {Command::TrayExit, "退出", nullptr},
    };
    return entries;
}

const std::array<ToolButtonEntry, kToolButtonCount>& toolButtonEntries() {
    static const std::array<ToolButtonEntry, kToolButtonCount> buttons = {{
        {Command::New, "document-new", ":/icons/document-new.png", "新建"},
        {Command::Open, "document-open", ":/icons/document-open.png", "打开"},
        {Command::Save, "document-save", ":/icons/document-save.png", "保存"},
        {kSeparator, nullptr, nullptr, nullptr},
        {Command::Cut, "edit-cut", ":/icons/edit-cut.png", "剪切"},
        {Command::Copy, "edit-copy", ":/icons/edit-copy.png", "复制"},
        {Command::Paste, "edit-paste", ":/icons/edit-paste.png", "粘贴"},
        {Command::Undo, "edit-undo", ":/icons/edit-undo.png", "撤销"},
        {Command::Redo, "edit-redo", ":/icons/edit-redo.png", "重做"},
        {kSeparator, nullptr, nullptr, nullptr},
        {Command::Run, "media-playback-start", ":/icons/run.png", "开始排版"},
        {kSeparator, nullptr, nullptr, nullptr},
        {Command::OpenWebPage, "text-html", ":/icons/web-page.png", "打开网页"},
        {Command::AlwaysOnTop, "go-top", ":/icons/always-on-top.png", "置顶"},
        {Command::OneClick, "edit-paste-in-place", ":/icons/one-click.png", "一键排版"},
    }};
    return buttons;
}

Command CommandSet::primary(Command c) {
    switch (c) {
    case Command::ContextUndo: return Command::Undo;
    case Command::ContextRun: return Command::Run;
    case Command::TrayOneClick: return Command::OneClick;
    case Command::TrayExit: return Command::Exit;
    default: return c;
    }
}

namespace {

// A view follows its command's action: states copied on every change,
// triggers passed on (the command's action then toggles its own check mark,
// and the change comes back here).
void follow(QAction* view, QAction* master) {
    auto copy = [view, master] {
        view->setEnabled(master->isEnabled());
        view->setCheckable(master->isCheckable());
        view->setChecked(master->isChecked());
    };
    copy();
    QObject::connect(master, &QAction::changed, view, copy);
    QObject::connect(view, &QAction::triggered, master, [master, copy] {
        master->trigger();
        copy();
    });
}

}  // namespace

CommandSet::CommandSet(QObject* owner) {
    auto make = [&](const MenuEntry& e) {
        if (e.command == Command::Count) return;
        auto* a = new QAction(QString::fromUtf8(e.caption), owner);
        if (e.shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(e.shortcut)));
        a->setCheckable(e.checkable);
        a->setChecked(e.checked);
        a->setEnabled(e.enabled);
        actions_[static_cast<std::size_t>(e.command)] = a;
    };
    for (const MenuDefinition& def : mainMenus())
        for (const MenuEntry& e : def.entries) make(e);
    for (const auto* list : {&contextMenuEntries(), &toolsMenuEntries(), &caseMenuEntries(), &trayMenuEntries()})
        for (const MenuEntry& e : *list) make(e);
    for (std::size_t i = 0; i < actions_.size(); ++i) {
        const auto c = static_cast<Command>(i);
        if (primary(c) != c) follow(actions_[i], action(primary(c)));
    }
    for (const ToolButtonEntry& b : toolButtonEntries())
        if (b.command != Command::Count) action(b.command)->setToolTip(QString::fromUtf8(b.tip));
}

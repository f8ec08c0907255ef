#include "commands.h"

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
             {kSeparator, nullptr, nullptr},
             {Command::Signatures, "首尾签名(&Q)...", nullptr},
         }},
        {"排版(&R)",
         {
             {Command::Run, "执行(&G)", "F5"},
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

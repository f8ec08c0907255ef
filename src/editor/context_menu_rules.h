// Which items of the editor's context menu "编辑框菜单" are enabled, from
// what the editor and the clipboard hold when it opens.
#pragma once

namespace folvane::editor {

struct ContextMenuInput {
    bool editorEmpty = true;
    bool hasSelection = false;
    bool clipboardHasText = false;      // a non-empty text
    bool clipboardEqualsEditor = false; // the clipboard text is the editor's text
    bool canUndo = false;
};

struct ContextMenuState {
    bool undo = false;             // "撤销(&Z)"
    bool cut = false;              // "剪切(&T)"
    bool copy = false;             // "复制(&C)"
    bool paste = false;            // "粘贴(&P)"
    bool remove = false;           // "删除(&D)"
    bool selectAll = false;        // "全选(&A)"
    bool cutAll = false;           // "剪切(全文操作)"
    bool copyAll = false;          // "复制(全文操作)"
    bool replacePasteAll = false;  // "全文替换粘贴"
    bool clearAll = false;         // "删除(全文操作)"

    bool operator==(const ContextMenuState&) const = default;
};

ContextMenuState contextMenuState(const ContextMenuInput& in);

}  // namespace folvane::editor

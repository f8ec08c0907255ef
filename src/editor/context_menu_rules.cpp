#include "editor/context_menu_rules.h"

namespace folvane::editor {

ContextMenuState contextMenuState(const ContextMenuInput& in) {
    ContextMenuState s;
    s.undo = in.canUndo;
    s.cut = s.copy = s.remove = in.hasSelection;
    s.paste = in.clipboardHasText;
    s.selectAll = s.cutAll = s.copyAll = s.clearAll = !in.editorEmpty;
    // Pasting what the editor already holds would change nothing.
    s.replacePasteAll = in.clipboardHasText && !in.clipboardEqualsEditor;
    return s;
}

}  // namespace folvane::editor

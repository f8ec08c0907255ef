#include "editor/context_menu_rules.h"

#include <gtest/gtest.h>

namespace folvane::editor {
namespace {

TEST(ContextMenuRules, EnabledItems) {
    struct Case {
        const char* name;
        ContextMenuInput in;
        ContextMenuState expected;
    };
    // Fields: undo cut copy paste remove selectAll cutAll copyAll replacePasteAll clearAll
    const Case cases[] = {
        {"empty editor, empty clipboard", {true, false, false, false, false},
         {false, false, false, false, false, false, false, false, false, false}},
        {"text, no selection, no clipboard", {false, false, false, false, false},
         {false, false, false, false, false, true, true, true, false, true}},
        {"clipboard equal to the text", {false, false, true, true, false},
         {false, false, false, true, false, true, true, true, false, true}},
        {"clipboard differs, something selected", {false, true, true, false, true},
         {true, true, true, true, true, true, true, true, true, true}},
        {"empty editor with a clipboard text", {true, false, true, false, false},
         {false, false, false, true, false, false, false, false, true, false}},
        {"undo follows the history only", {true, false, false, false, true},
         {true, false, false, false, false, false, false, false, false, false}},
    };
    for (const Case& c : cases) EXPECT_EQ(contextMenuState(c.in), c.expected) << c.name;
}

}  // namespace
}  // namespace folvane::editor

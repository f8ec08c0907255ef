// The tool table that the editor's tools menu and folvane-cli share.
#include "engine/text_tools.h"

#include <gtest/gtest.h>

#include <set>

#include "corrections/dictionary_converter.h"
#include "gbtext.h"

namespace folvane::engine {
namespace {

using folvane::testing::g;

TEST(TextTools, EveryToolHasOneRowWithItsOwnName) {
    std::set<std::string_view> names;
    std::set<TextTool> tools;
    for (const TextToolRow& row : textTools()) {
        EXPECT_TRUE(names.insert(row.name).second) << row.name;
        EXPECT_TRUE(tools.insert(row.tool).second) << row.name;
        EXPECT_EQ(row.shown.substr(0, row.name.size()), row.name);
        EXPECT_FALSE(row.help.empty()) << row.name;
    }
    // Lower is the last enumerator: every one up to it has its row.
    EXPECT_EQ(tools.size(), static_cast<std::size_t>(TextTool::Lower) + 1);
}

TEST(TextTools, EachToolOnItsText) {
    static const corrections::DictionaryConverter converter;
    struct Case {
        const char* name;
        TextTool tool;
        std::string input;
        std::string expected;
        bool lfOnly = false;
    };
    const Case cases[] = {
        {"html tags and paragraphs", TextTool::StripHtml, "x<p>y</p>z", "xy\r\n\r\nz"},
        {"html source line feeds of an LF file are no breaks", TextTool::StripHtml, "a\r\nb<br>c", "ab\r\nc", true},
        {"html line feeds go, carriage returns stay", TextTool::StripHtml, "a\r\nb", "a\rb"},
        {"forum codes", TextTool::StripUbb, g("[b]粗体[/b]"), g("粗体")},
        {"blank lines", TextTool::RemoveBlankLines, "A\r\n\r\n  \r\nB", "A\r\nB"},
        {"head spaces", TextTool::DeleteHeadSpaces, g("  A\r\n　 B"), "A\r\nB"},
        {"replace, letters in any case", TextTool::Replace, "abABx", "--x"},
        {"to traditional", TextTool::ToTraditional, g("头发"), g("頭髮")},
        {"to simplified", TextTool::ToSimplified, g("頭髮"), g("头发")},
        {"upper, Chinese untouched", TextTool::Upper, g("中文abc"), g("中文ABC")},
        {"lower", TextTool::Lower, g("中文ABC"), g("中文abc")},
    };
    for (const Case& c : cases) {
        TextToolArguments a;
        a.converter = &converter;
        a.find = "ab";
        a.replacement = "-";
        a.lfOnly = c.lfOnly;
        EXPECT_EQ(applyTextTool(c.tool, std::string(c.input), a), c.expected) << c.name;
    }
}

TEST(TextTools, ScriptToolsWithoutAConverterKeepTheText) {
    EXPECT_EQ(applyTextTool(TextTool::ToTraditional, g("头发"), TextToolArguments{}), g("头发"));
}

}  // namespace
}  // namespace folvane::engine

#include "engine/typeset_options.h"

#include <gtest/gtest.h>

#include <set>

namespace folvane::engine {
namespace {

TEST(TypesetOptions, NineteenDistinctFields) {
    const auto fields = typesetOptionFields();
    ASSERT_EQ(fields.size(), 19u);
    std::set<std::string_view> names, keys;
    for (const auto& f : fields) {
        names.insert(f.name);
        keys.insert(f.configKeyUtf8);
    }
    EXPECT_EQ(names.size(), 19u);
    EXPECT_EQ(keys.size(), 19u);
    // The width switch is stored under "修正标点", punctuation under "标点修正".
    EXPECT_EQ(findTypesetOptionField("halfToFullWidth")->configKeyUtf8, "修正标点");
    EXPECT_EQ(findTypesetOptionField("fixPunctuation")->configKeyUtf8, "标点修正");
    EXPECT_EQ(findTypesetOptionField("nonsense"), nullptr);
}

TEST(TypesetOptions, DefaultConfiguration) {
    const TypesetOptions d = TypesetOptions::defaults();
    TypesetOptions expected;
    expected.trimParagraphEnds = expected.addIndent = expected.indentFullWidth = expected.lineBreakFix = true;
    EXPECT_EQ(d, expected);
}

TEST(IndentText, DerivedFromTwoSwitches) {
    TypesetOptions o;
    EXPECT_EQ(indentText(o), "");
    o.indentFullWidth = true;
    EXPECT_EQ(indentText(o), "");
    o.addIndent = true;
    EXPECT_EQ(indentText(o), "\xA1\xA1\xA1\xA1");
    o.indentFullWidth = false;
    EXPECT_EQ(indentText(o), "    ");
}

}  // namespace
}  // namespace folvane::engine

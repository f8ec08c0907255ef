#include "engine/typeset_options.h"

#include <gtest/gtest.h>

#include <set>

namespace folvane::engine {
namespace {

// What the rest of the program relies on in every row of the switch table.
TEST(TypesetOptions, TableRowsAreConsistent) {
    const auto fields = typesetOptionFields();
    std::set<std::string_view> names, keys;
    std::set<int> ranks;
    std::set<std::pair<OptionsGroup, int>> places;
    for (const auto& f : fields) {
        SCOPED_TRACE(std::string(f.name));
        names.insert(f.name);
        keys.insert(f.configKeyUtf8);
        for (const auto& other : fields) {
            if (&other != &f) {
                EXPECT_NE(other.member, f.member) << other.name;
            }
        }
        ranks.insert(f.saveRank);
        places.insert({f.group, f.groupOrder});
        EXPECT_FALSE(f.help.empty());
        // A check box of its own needs a caption; a quick bar box too.
        EXPECT_EQ(f.control == OptionsControl::Check, !f.captionUtf8.empty());
        EXPECT_EQ(f.quickBar != QuickBarPlace::None, !f.quickCaptionUtf8.empty());
        EXPECT_EQ(findTypesetOptionField(f.name), &f);
    }
    // Every field is a row of its own, saved at a rank of its own (the
    // ranks 0..n-1: none is skipped when the file is written), with a place
    // of its own in the options window.
    EXPECT_EQ(names.size(), fields.size());
    EXPECT_EQ(keys.size(), fields.size());
    EXPECT_EQ(places.size(), fields.size());
    ASSERT_EQ(ranks.size(), fields.size());
    EXPECT_EQ(*ranks.begin(), 0);
    EXPECT_EQ(*ranks.rbegin(), static_cast<int>(fields.size()) - 1);
    // The width switch is stored under "修正标点", punctuation under "标点修正".
    EXPECT_EQ(findTypesetOptionField("halfToFullWidth")->configKeyUtf8, "修正标点");
    EXPECT_EQ(findTypesetOptionField("fixPunctuation")->configKeyUtf8, "标点修正");
    EXPECT_EQ(findTypesetOptionField("nonsense"), nullptr);
}

TEST(TypesetOptions, DefaultConfiguration) {
    const TypesetOptions d = TypesetOptions::defaults();
    TypesetOptions expected;
    expected.trimParagraphEnds = expected.addIndent = expected.indentFullWidth = expected.lineBreakFix = true;
    expected.protectLinks = true;  // links are kept whole from the first start on
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

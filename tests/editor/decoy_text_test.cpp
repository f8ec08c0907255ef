#include "editor/decoy_text.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "text/search.h"

namespace folvane::editor {
namespace {

TEST(DecoyPassage, TwoIndentedParagraphsOf901Bytes) {
    const std::string& s = decoyPassage();
    EXPECT_EQ(s.size(), 901u);
    const auto breaks = text::findAllAligned(s, "\r\n");
    ASSERT_EQ(breaks.size(), 1u);
    const std::string indent = folvane::testing::g("　　");
    EXPECT_TRUE(s.starts_with(indent));
    EXPECT_EQ(s.substr(breaks[0] + 2, indent.size()), indent);
}

}  // namespace
}  // namespace folvane::editor

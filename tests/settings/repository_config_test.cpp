// .folvanerc: what it may hold, what it refuses, and which files its
// patterns give a format.
#include <gtest/gtest.h>

#include "settings/repository_config.h"

namespace folvane::settings {
namespace {

TEST(RepositoryConfig, ReadsSwitchesStandardAndFormats) {
    std::string error;
    const auto c = parseRepositoryConfig(
        "\xEF\xBB\xBF# comment\r\n; comment\n[folvane]\nfixQuotes = 1\naddIndent=0\nstandard = twp\n\n[format]\n"
        "*.mdx = markdown\nnotes/*.md = text\n",
        &error);
    ASSERT_TRUE(c) << error;
    EXPECT_EQ(c->switches, (std::vector<std::pair<std::string, bool>>{{"fixQuotes", true}, {"addIndent", false}}));
    EXPECT_EQ(c->standard, corrections::ScriptStandard::TaiwanPhrases);
    ASSERT_EQ(c->formats.size(), 2u);
    engine::TypesetOptions o = engine::TypesetOptions::defaults();
    c->applySwitches(o);
    EXPECT_TRUE(o.fixQuotes);
    EXPECT_FALSE(o.addIndent);
}

TEST(RepositoryConfig, RefusesWhatItDoesNotKnowWithTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    for (const Case& c : {Case{"fixQuotes = yes", "line 1: fixQuotes needs the value 0 or 1"},
                          Case{"\nfixQuote = 1", "line 2: unknown switch 'fixQuote' (the names of --set, standard)"},
                          Case{"standard = cn", "line 1: unknown standard 'cn' (opencc, tw, twp, hk)"},
                          Case{"[format]\n*.md = rst", "line 2: unknown format 'rst' (text, markdown)"},
                          Case{"[other]", "line 1: unknown section 'other' (folvane, format)"},
                          Case{"[format", "line 1: a section needs its closing ']'"},
                          Case{"fixQuotes", "line 1: needs NAME = VALUE"}}) {
        std::string error;
        EXPECT_FALSE(parseRepositoryConfig(c.text, &error)) << c.text;
        EXPECT_EQ(error, c.error);
    }
}

TEST(RepositoryConfig, PatternsMatchNamesOrPathsFromItsFolder) {
    RepositoryConfig c;
    c.folder = "/repo";
    c.formats = {{"*.txt", engine::DocumentFormat::Markdown},
                 {"notes/*.txt", engine::DocumentFormat::Text},
                 {"*.mdx", engine::DocumentFormat::Markdown}};
    EXPECT_EQ(c.formatFor("/repo/a.txt"), engine::DocumentFormat::Markdown);
    EXPECT_EQ(c.formatFor("/repo/deep/er/a.txt"), engine::DocumentFormat::Markdown);  // a name pattern
    EXPECT_EQ(c.formatFor("/repo/notes/a.txt"), engine::DocumentFormat::Text);       // the last match wins
    EXPECT_EQ(c.formatFor("/repo/notes/x/a.txt"), engine::DocumentFormat::Markdown);  // "*" stays in its folder
    EXPECT_EQ(c.formatFor("/repo/a.mdx"), engine::DocumentFormat::Markdown);
    EXPECT_EQ(c.formatFor("/repo/a.md"), std::nullopt);
}

}  // namespace
}  // namespace folvane::settings

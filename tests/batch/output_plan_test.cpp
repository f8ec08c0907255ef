#include "batch/output_plan.h"

#include <gtest/gtest.h>


namespace folvane::batch {
namespace {

TEST(OutputNameFor, NamesAsTheBatchDoes) {
    const std::pair<const char*, const char*> cases[] = {
        {"a.html", "a.txt"},       {"a.b.html", "a.b.txt"}, {"dir/a.htm", "a.txt"},
        {"noext", "noext.txt"},    {"d.d/noext", "noext.txt"}, {".hidden", ".txt"},  {"a.", "a.txt"},
        // A backslash is a character of a name, not a folder separator.
        {"x\\y.txt", "x\\y.txt"}, {"d/a\\b.htm", "a\\b.txt"}, {"tail\\", "tail\\.txt"}, {"\\", "\\.txt"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(outputNameFor(in), out) << in;
}

TEST(ResultSeparator, IsTheParagraphSeparatorOfTheOptions) {
    using O = engine::TypesetOptions;
    const std::string I = "\xA1\xA1\xA1\xA1";
    struct Case {
        std::vector<bool O::*> on, off;
        std::string expected;
    };
    const Case cases[] = {
        {{}, {}, "\r\n"},
        {{&O::doubleBreak}, {}, "\r\n\r\n"},
        {{&O::tripleBreak}, {}, "\r\n\r\n\r\n"},
        {{&O::doubleBreak, &O::tripleBreak}, {}, "\r\n\r\n\r\n\r\n"},
        {{&O::doubleBreak, &O::fillBlankLines}, {}, "\r\n" + I + "\r\n"},
        {{&O::tripleBreak, &O::fillBlankLines}, {}, "\r\n" + I + "\r\n" + I + "\r\n"},
        {{&O::doubleBreak, &O::fillBlankLines}, {&O::addIndent}, "\r\n\r\n"},
        {{&O::fillBlankLines}, {}, "\r\n"},
    };
    for (const auto& c : cases) {
        O o = O::defaults();
        for (auto m : c.on) o.*m = true;
        for (auto m : c.off) o.*m = false;
        EXPECT_EQ(resultSeparator(o), c.expected);
    }
}

}  // namespace
}  // namespace folvane::batch

#include "batch/output_plan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace folvane::batch {
namespace {

namespace fs = std::filesystem;

TEST(OutputNameFor, NamesAsTheBatchDoes) {
    const std::pair<const char*, const char*> cases[] = {
        {"a.html", "a.txt"},       {"a.b.html", "a.b.txt"}, {"dir/a.htm", "a.txt"}, {"x\\y.txt", "y.txt"},
        {"noext", "noext.txt"},    {"d.d/noext", "noext.txt"}, {".hidden", ".txt"},  {"a.", "a.txt"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(outputNameFor(in), out) << in;
}

class PlanOutputs : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/folvane-plan-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        for (const char* f : {"b.html", "b.txt", "a.txt", "d1/a.txt", "d2/a.txt", "c.htm"}) {
            fs::create_directories(fs::path(dir_ + "/" + f).parent_path());
            std::ofstream(dir_ + "/" + f) << "x";
        }
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string dir_;
};

TEST_F(PlanOutputs, RefusesOnlyWhatWouldDestroyAnUnreadInput) {
    struct Case {
        const char* name;
        std::vector<std::string> inputs;
        bool merge;
        std::vector<int> refused, warned;  // indices
    };
    const Case cases[] = {
        {"html before its txt", {"b.html", "b.txt"}, false, {0}, {}},
        {"txt before its html", {"b.txt", "b.html"}, false, {}, {1}},
        {"an input replaced by itself", {"a.txt"}, false, {}, {}},
        {"same name in two folders", {"d1/a.txt", "d2/a.txt"}, false, {}, {1}},
        {"merge refuses nothing", {"b.html", "b.txt"}, true, {}, {}},
        {"a missing input", {"nothing.html", "c.htm"}, false, {}, {}},
        {"three of one name", {"b.html", "c.htm", "b.txt", "b.txt"}, false, {0}, {3}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> inputs;
        for (const auto& i : c.inputs) inputs.push_back(dir_ + "/" + i);
        const auto plan = planOutputs(inputs, dir_, c.merge);
        ASSERT_EQ(plan.size(), inputs.size());
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const bool refused = std::find(c.refused.begin(), c.refused.end(), int(i)) != c.refused.end();
            const bool warned = std::find(c.warned.begin(), c.warned.end(), int(i)) != c.warned.end();
            EXPECT_EQ(!plan[i].refusal.empty(), refused) << c.name << " #" << i << " " << plan[i].refusal;
            EXPECT_EQ(!plan[i].warning.empty(), warned) << c.name << " #" << i << " " << plan[i].warning;
            EXPECT_EQ(plan[i].path, dir_ + "/" + outputNameFor(inputs[i])) << c.name;
        }
    }
}

TEST_F(PlanOutputs, MessagesNameBothPaths) {
    const auto plan = planOutputs({dir_ + "/b.html", dir_ + "/b.txt"}, dir_ + "/", false);
    EXPECT_NE(plan[0].refusal.find(dir_ + "/b.txt"), std::string::npos);
    const auto dup = planOutputs({dir_ + "/d1/a.txt", dir_ + "/d2/a.txt"}, dir_ + "/out", false);
    EXPECT_NE(dup[1].warning.find(dir_ + "/d1/a.txt"), std::string::npos);
    EXPECT_NE(dup[1].warning.find(dir_ + "/d2/a.txt"), std::string::npos);
    EXPECT_EQ(dup[1].path, dir_ + "/out/a.txt");
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

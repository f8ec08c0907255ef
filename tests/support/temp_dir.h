// A test fixture with a fresh temporary folder, removed after each test, and
// helpers to put files in it and read them back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "text/file_io.h"

namespace folvane::testing {

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/folvane-test-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Writes `bytes` to `name` in the folder (creating its subfolders);
    // returns the file's path.
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_ + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(text::writeFileAtomically(path, bytes)) << path;
        return path;
    }
    std::string read(const std::string& path) {
        std::string b;
        EXPECT_TRUE(text::readFile(path, b)) << path;
        return b;
    }
    // The names in `dir`, sorted.
    std::vector<std::string> filesIn(const std::string& dir) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string dir_;
};

}  // namespace folvane::testing

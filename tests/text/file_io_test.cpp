#include "text/file_io.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace folvane::text {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/folvane-io-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        ::chmod(dir_.c_str(), 0755);
        fs::remove_all(dir_);
    }
    std::string dir_;
};

TEST_F(FileIoTest, WritesAndReadsBackEveryByte) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    const std::string path = dir_ + "/a.txt";
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path, bytes, &error)) << error;
    std::string back;
    ASSERT_TRUE(readFile(path, back, &error)) << error;
    EXPECT_EQ(back, bytes);
}

TEST_F(FileIoTest, ReplacingKeepsPermissionsAndLeavesNoTemporaryFile) {
    const std::string path = dir_ + "/a.txt";
    ASSERT_TRUE(writeFileAtomically(path, "old"));
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeFileAtomically(path, "new"));
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1);
}

// Mounts a small tmpfs under `dir`; false where mounting is not allowed.
bool mountSmallTmpfs(const std::string& dir) {
    fs::create_directory(dir);
    return std::system(("mount -t tmpfs -o size=64k tmpfs " + dir + " 2>/dev/null").c_str()) == 0;
}

TEST_F(FileIoTest, FailureLeavesTheOldFileIntact) {
    // A read-only directory: by permissions for a normal user, by a
    // read-only mount for root (who ignores permissions).
    std::string where = dir_;
    const bool root = ::geteuid() == 0;
    if (root) {
        where = dir_ + "/ro";
        if (!mountSmallTmpfs(where)) GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    const std::string path = where + "/a.txt";
    ASSERT_TRUE(writeFileAtomically(path, "old"));
    if (root) {
        ASSERT_EQ(std::system(("mount -o remount,ro " + where).c_str()), 0);
    } else {
        ::chmod(where.c_str(), 0555);
    }
    std::string error;
    EXPECT_FALSE(writeFileAtomically(path, "new", &error));
    EXPECT_FALSE(error.empty());
    std::string back;
    EXPECT_TRUE(readFile(path, back));
    EXPECT_EQ(back, "old");
    if (root) {
        EXPECT_EQ(std::system(("umount " + where).c_str()), 0);
    }
}

TEST_F(FileIoTest, MissingDirectoryIsReported) {
    std::string error;
    EXPECT_FALSE(writeFileAtomically(dir_ + "/no/such/a.txt", "x", &error));
    EXPECT_FALSE(error.empty());
    std::string back;
    EXPECT_FALSE(readFile(dir_ + "/missing.txt", back, &error));
    EXPECT_FALSE(readFile(dir_, back, &error));  // a directory is no file
}

TEST_F(FileIoTest, FullDiskIsReportedAndLeavesTheOldFileIntact) {
    // A small tmpfs stands in for a full disk; it needs the right to mount.
    const std::string mnt = dir_ + "/small";
    if (!mountSmallTmpfs(mnt)) GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string path = mnt + "/a.txt";
    EXPECT_TRUE(writeFileAtomically(path, "old"));
    std::string error;
    EXPECT_FALSE(writeFileAtomically(path, std::string(200 * 1024, 'x'), &error));
    EXPECT_FALSE(error.empty());
    std::string back;
    EXPECT_TRUE(readFile(path, back));
    EXPECT_EQ(back, "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(mnt), fs::directory_iterator{}), 1);
    EXPECT_EQ(std::system(("umount " + mnt).c_str()), 0);
}

}  // namespace
}  // namespace folvane::text

namespace folvane::text {
namespace {

std::size_t entries(const std::string& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

TEST_F(FileIoTest, WriterInPiecesCommitsOrLeavesNothing) {
    const std::string path = dir_ + "/t.txt";
    ASSERT_TRUE(writeFileAtomically(path, "old"));
    {
        AtomicFileWriter w(path);
        ASSERT_TRUE(w.open());
        ASSERT_TRUE(w.write("new "));
        ASSERT_TRUE(w.write("text"));
        EXPECT_EQ(entries(dir_), 2u);  // the target and the temporary file
        std::string now;
        ASSERT_TRUE(readFile(path, now));
        EXPECT_EQ(now, "old");  // untouched until the commit
    }
    EXPECT_EQ(entries(dir_), 1u);  // destroyed uncommitted: no temporary file left
    AtomicFileWriter w(path);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.write("new "));
    ASSERT_TRUE(w.write("text"));
    ASSERT_TRUE(w.commit());
    std::string now;
    ASSERT_TRUE(readFile(path, now));
    EXPECT_EQ(now, "new text");
    EXPECT_EQ(entries(dir_), 1u);
    EXPECT_FALSE(w.write("late"));
}

TEST_F(FileIoTest, ReadingStopsAtTheLimit) {
    const std::string path = dir_ + "/sparse";
    ASSERT_TRUE(writeFileAtomically(path, ""));
    fs::resize_file(path, 1 << 20);
    struct Case {
        std::uint64_t limit;
        bool ok;
    };
    for (const Case c : {Case{1 << 20, true}, Case{(1 << 20) - 1, false}, Case{0, false}}) {
        std::string bytes = "kept", error;
        EXPECT_EQ(readFile(path, bytes, &error, c.limit), c.ok) << c.limit;
        if (c.ok) {
            EXPECT_EQ(bytes.size(), 1u << 20);
        } else {
            EXPECT_EQ(bytes, "kept");
            EXPECT_NE(error.find("too large"), std::string::npos) << error;
        }
    }
    EXPECT_GT(defaultReadLimit(), 0u);
}

}  // namespace
}  // namespace folvane::text

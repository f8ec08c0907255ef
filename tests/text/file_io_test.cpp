#include "text/file_io.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/wait.h>
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

namespace folvane::text {
namespace {

std::string contentOf(const std::string& path) {
    std::string bytes;
    readFile(path, bytes);
    return bytes;
}

// Each case prepares the folder, names the path written and checks what
// became of the old file and its names.
TEST_F(FileIoTest, WritesThroughLinksAndKeepsHardLinksOwnerAndMode) {
    struct Case {
        const char* what;
        std::function<std::string(const std::string&)> prepare;  // returns the path to write
        std::function<void(const std::string&)> check;
    };
    auto isLink = [](const std::string& p) { return fs::is_symlink(fs::symlink_status(p)); };
    auto modeOf = [](const std::string& p) {
        struct stat st{};
        ::stat(p.c_str(), &st);
        return st.st_mode & 07777;
    };
    const std::vector<Case> cases = {
        {"relative link",
         [](const std::string& d) {
             writeFileAtomically(d + "/t.txt", "old");
             fs::create_symlink("t.txt", d + "/l.txt");
             return d + "/l.txt";
         },
         [&](const std::string& d) {
             EXPECT_TRUE(isLink(d + "/l.txt"));
             EXPECT_EQ(contentOf(d + "/t.txt"), "new");
         }},
        {"absolute link into another folder, then a link to the link",
         [](const std::string& d) {
             fs::create_directory(d + "/sub");
             writeFileAtomically(d + "/sub/t.txt", "old");
             fs::create_symlink(d + "/sub/t.txt", d + "/l1");
             fs::create_symlink("l1", d + "/l2");
             return d + "/l2";
         },
         [&](const std::string& d) {
             EXPECT_TRUE(isLink(d + "/l1"));
             EXPECT_TRUE(isLink(d + "/l2"));
             EXPECT_EQ(contentOf(d + "/sub/t.txt"), "new");
             EXPECT_EQ(entries(d + "/sub"), 1u);
         }},
        {"dangling link creates its target",
         [](const std::string& d) {
             fs::create_symlink("made.txt", d + "/l.txt");
             return d + "/l.txt";
         },
         [&](const std::string& d) {
             EXPECT_TRUE(isLink(d + "/l.txt"));
             EXPECT_EQ(contentOf(d + "/made.txt"), "new");
         }},
        {"hard links share the new text",
         [](const std::string& d) {
             writeFileAtomically(d + "/a.txt", "old");
             fs::create_hard_link(d + "/a.txt", d + "/b.txt");
             return d + "/a.txt";
         },
         [&](const std::string& d) {
             EXPECT_EQ(contentOf(d + "/b.txt"), "new");
             EXPECT_EQ(fs::hard_link_count(d + "/a.txt"), 2u);
         }},
        {"set-user-ID, set-group-ID and sticky bits are dropped, through a link too",
         [](const std::string& d) {
             writeFileAtomically(d + "/suid", "old");
             ::chmod((d + "/suid").c_str(), 07751);
             fs::create_symlink("suid", d + "/l.txt");
             return d + "/l.txt";
         },
         [&](const std::string& d) {
             EXPECT_EQ(modeOf(d + "/suid"), 0751u);
             EXPECT_EQ(contentOf(d + "/suid"), "new");
         }},
        {"another user's file keeps its owner",
         [](const std::string& d) {
             writeFileAtomically(d + "/theirs.txt", "old");
             if (::chown((d + "/theirs.txt").c_str(), 65534, 65534) != 0) return std::string();
             return d + "/theirs.txt";
         },
         [&](const std::string& d) {
             struct stat st{};
             ::stat((d + "/theirs.txt").c_str(), &st);
             EXPECT_EQ(st.st_uid, 65534u);
             EXPECT_EQ(st.st_gid, 65534u);
             EXPECT_EQ(contentOf(d + "/theirs.txt"), "new");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string d = dir_ + "/" + std::to_string(&c - cases.data());
        fs::create_directory(d);
        const std::string path = c.prepare(d);
        if (path.empty()) continue;  // chown not permitted here
        std::string error, notice;
        ASSERT_TRUE(writeFileAtomically(path, "new", &error, &notice)) << error;
        EXPECT_EQ(notice, "");
        c.check(d);
        for (const auto& e : fs::recursive_directory_iterator(d))
            EXPECT_FALSE(e.path().filename().string().starts_with(".folvane-")) << e.path();
    }
}

TEST_F(FileIoTest, SpecialFilesAreNeitherReplacedNorWaitedFor) {
    const std::string fifo = dir_ + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string error;
    EXPECT_FALSE(writeFileAtomically(fifo, "new", &error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_TRUE(fs::is_fifo(fifo));
    // No writer is connected: a reading that waited would never return.
    struct Case {
        std::string path;
        const char* error;
    };
    for (const Case& c : {Case{fifo, "not a regular file"}, Case{"/dev/zero", "not a regular file"},
                          Case{dir_, "Is a directory"}}) {
        std::string bytes = "kept";
        EXPECT_FALSE(readRegularFile(c.path, bytes, &error)) << c.path;
        EXPECT_EQ(error, c.error) << c.path;
        EXPECT_EQ(bytes, "kept");
    }
    EXPECT_FALSE(isRegularFile(fifo));
    std::uint64_t size = 0;
    ASSERT_TRUE(writeFileAtomically(dir_ + "/f", "abc"));
    EXPECT_TRUE(isRegularFile(dir_ + "/f", &size));
    EXPECT_EQ(size, 3u);
}

TEST_F(FileIoTest, StaleTemporariesOfDeadProcessesGo) {
    // A process id that names no process: a child that has ended.
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    struct Case {
        std::string name;
        bool removed;
    };
    const std::vector<Case> cases = {
        {".folvane-" + std::to_string(dead) + "-0000abcd.tmp", true},
        {".folvane-" + std::to_string(::getpid()) + "-0000abcd.tmp", false},  // this process: still writing
        {".folvane-1-0000abcd.tmp", false},                                   // a running process
        {".folvane-" + std::to_string(dead) + "-0000abcd.tmp.bak", false},    // not a name of ours
        {"folvane-" + std::to_string(dead) + "-0000abcd.tmp", false},
        {"a.txt", false},
    };
    for (const Case& c : cases) ASSERT_TRUE(writeFileAtomically(dir_ + "/" + c.name, "x"));
    EXPECT_EQ(removeStaleTemporaries(dir_), 1u);
    for (const Case& c : cases) EXPECT_EQ(fs::exists(dir_ + "/" + c.name), !c.removed) << c.name;
}

TEST_F(FileIoTest, EveryCatchableTerminatingSignalIsCovered) {
    const std::vector<int> sigs = terminatingSignals();
    for (const int s : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2})
        EXPECT_NE(std::find(sigs.begin(), sigs.end(), s), sigs.end()) << s;
    // A signal ignored at the start (nohup) stays ignored.
    struct sigaction ignore{}, old{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGHUP, &ignore, &old);
    const std::vector<int> nohup = terminatingSignals();
    ::sigaction(SIGHUP, &old, nullptr);
    EXPECT_EQ(std::find(nohup.begin(), nohup.end(), SIGHUP), nohup.end());
}

}  // namespace
}  // namespace folvane::text

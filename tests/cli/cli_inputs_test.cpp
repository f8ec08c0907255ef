// folvane-cli against bad and hostile inputs: no input is destroyed, no
// input stops the run, results stay apart and every byte comes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "cli/cli.h"
#include "cli/cli_args.h"
#include "cli_run.h"
#include "gbtext.h"
#include "temp_dir.h"
#include "text/file_io.h"

extern char** environ;

namespace folvane::cli {
namespace {

using folvane::testing::g;
namespace fs = std::filesystem;

const std::string kI = "\xA1\xA1\xA1\xA1";
const std::string kU = "　　";  // the indentation in UTF-8

using Result = folvane::testing::CliRun;

Result runWith(const std::vector<std::string>& args, std::uint64_t maxFileSize = 0, const std::string& in = "") {
    return folvane::testing::runCliInProcess(args, in, maxFileSize);
}

class CliInputs : public folvane::testing::TempDirTest {
protected:
    std::vector<std::string> leftovers() {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(dir_))
            if (e.path().filename().string().starts_with(".folvane-")) names.push_back(e.path().string());
        return names;
    }
};

TEST_F(CliInputs, AnOutputNeverReplacesAnInputNotYetRead) {
    const std::string html = write("b.html", "<p>web</p>");
    const std::string txt = write("b.txt", "plain");
    const Result r = runWith({"-o", dir_, html, txt});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(html), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(dir_ + "/b.txt"), std::string::npos) << r.err;
    // b.txt was read whole and replaced by its own result only.
    EXPECT_EQ(read(txt), kU + "plain");
}

TEST_F(CliInputs, TheSameFileUnderAnotherNameIsRecognised) {
    const std::string html = write("x.html", "web");
    const std::string other = write("in/other.txt", "mine");
    fs::create_hard_link(other, dir_ + "/x.txt");
    const Result r = runWith({"-o", dir_ + "/./", html, other});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(other), std::string::npos) << r.err;
    EXPECT_EQ(read(other), "mine");
}

TEST_F(CliInputs, OutputsThatMayReplaceTheirInputs) {
    struct Case {
        const char* name;
        std::vector<std::string> inputs;  // relative to the folder
        std::string outDir;               // relative to the folder
        std::string warning;              // part of standard error; empty: none
    };
    const Case cases[] = {
        {"its own input", {"a.txt"}, ".", ""},
        {"an input already read", {"a.txt", "a.html"}, ".", "the result of"},
        {"two inputs of one name", {"d1/a.txt", "d2/a.txt"}, "out", "d1/a.txt"},
        {"merge names the file after a later input", {"m.html", "m.txt"}, ".", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::vector<std::string> args = {"-o", dir_ + "/" + c.outDir};
        if (std::string(c.name).starts_with("merge")) args.push_back("--merge");
        for (const auto& in : c.inputs) args.push_back(write(in, "text of " + in));
        const Result r = runWith(args);
        EXPECT_EQ(r.status, 0) << r.err;
        if (c.warning.empty()) EXPECT_EQ(r.err, "");
        else EXPECT_NE(r.err.find(c.warning), std::string::npos) << r.err;
    }
    // The later of two inputs of one name wins.
    EXPECT_EQ(read(dir_ + "/m.txt"), kU + "text of m.html\n" + kU + "text of m.txt");
}

TEST_F(CliInputs, DuplicateNamesKeepTheLaterResult) {
    const std::string a = write("d1/a.txt", "one");
    const std::string b = write("d2/a.txt", "two");
    const Result r = runWith({"-o", dir_ + "/out", a, b});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("warning"), std::string::npos);
    EXPECT_NE(r.err.find(a), std::string::npos);
    EXPECT_NE(r.err.find(b), std::string::npos);
    EXPECT_EQ(read(dir_ + "/out/a.txt"), kU + "two");
}

TEST_F(CliInputs, ResultsAreSeparatedByTheParagraphSeparator) {
    const std::string a = write("a.txt", g("第一篇文章。"));
    const std::string empty = write("empty.txt", "");
    const std::string b = write("b.txt", g("第二篇文章。"));
    const std::string A = kI + g("第一篇文章。"), B = kI + g("第二篇文章。");
    struct Case {
        const char* name;
        std::vector<std::string> switches;
        std::string separator;
    };
    const Case cases[] = {
        {"defaults", {}, "\r\n"},
        {"doubleBreak", {"--set", "doubleBreak=1"}, "\r\n\r\n"},
        {"tripleBreak", {"--set", "tripleBreak=1"}, "\r\n\r\n\r\n"},
        {"doubleBreak, filled", {"--set", "doubleBreak=1", "--set", "fillBlankLines=1"}, "\r\n" + kI + "\r\n"},
        {"no indentation", {"--set", "addIndent=0"}, "\r\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--encoding", "gb18030"};
        args.insert(args.end(), c.switches.begin(), c.switches.end());
        const bool indent = c.switches.empty() || c.switches[1] != "addIndent=0";
        const std::string a1 = indent ? A : g("第一篇文章。"), b1 = indent ? B : g("第二篇文章。");
        std::vector<std::string> files = args;
        files.insert(files.end(), {a, empty, b});
        EXPECT_GB_EQ(runWith(files).out, a1 + c.separator + b1) << c.name;
        // A single result stays as it was.
        std::vector<std::string> one = args;
        one.push_back(a);
        EXPECT_GB_EQ(runWith(one).out, a1) << c.name;
        // The merged file alike.
        std::vector<std::string> merge = args;
        merge.insert(merge.end(), {"-o", dir_ + "/m", "--merge", a, empty, b});
        ASSERT_EQ(runWith(merge).status, 0) << c.name;
        EXPECT_GB_EQ(read(dir_ + "/m/a.txt"), a1 + c.separator + b1) << c.name;
    }
    // A result that ends with a line break of its own gets no second one.
    const std::string r1 = write("r1.txt", "x\r\n"), r2 = write("r2.txt", "y\r\n");
    EXPECT_EQ(runWith({"upper", r1, r2}).out, "X\r\nY\r\n");
    EXPECT_EQ(runWith({"stats", r1, r2}).out, runWith({"stats", r1}).out + runWith({"stats", r2}).out);
}

TEST_F(CliInputs, MergedUtf8FileHasOneByteOrderMark) {
    const std::string a = write("a.txt", "\xEF\xBB\xBF" "a\n");
    const std::string b = write("b.txt", "\xEF\xBB\xBF" "b\n");
    ASSERT_EQ(runWith({"-o", dir_ + "/m", "--merge", a, b}).status, 0);
    EXPECT_EQ(read(dir_ + "/m/a.txt"), "\xEF\xBB\xBF" + kU + "a\n" + kU + "b");
}

TEST_F(CliInputs, TooLargeFilesAreRefusedOneByOne) {
    const std::string big = dir_ + "/big.txt";
    { std::FILE* f = std::fopen(big.c_str(), "w"); std::fclose(f); }
    fs::resize_file(big, 1 << 20);  // sparse
    const std::string small = write("small.txt", "ok");
    const Result r = runWith({big, small}, 4096);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("big.txt"), std::string::npos);
    EXPECT_NE(r.err.find("too large"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, kU + "ok");
    const Result in = runWith({}, 4096, std::string(5000, 'x'));
    EXPECT_EQ(in.status, 1);
    EXPECT_NE(in.err.find("standard input"), std::string::npos) << in.err;
    // Into a folder, merged or not, the same limit.
    for (const bool merge : {false, true}) {
        std::vector<std::string> args = {"-o", dir_ + "/out", big, small};
        if (merge) args.push_back("--merge");
        const Result o = runWith(args, 4096);
        EXPECT_EQ(o.status, 1) << merge;
        EXPECT_NE(o.err.find("too large"), std::string::npos) << o.err;
        EXPECT_EQ(read(dir_ + "/out/small.txt"), kU + "ok") << merge;
        EXPECT_FALSE(fs::exists(dir_ + "/out/big.txt")) << merge;
    }
}

// The real program on a 64 GB sparse file, as input and as settings file:
// an error for that file alone, never an abort.
TEST_F(CliInputs, HugeSparseFilesEndInAMessage) {
    if (text::defaultReadLimit() >= (std::uint64_t{64} << 30)) GTEST_SKIP() << "the machine could hold it";
    const std::string huge = dir_ + "/huge.txt";
    { std::FILE* f = std::fopen(huge.c_str(), "w"); std::fclose(f); }
    fs::resize_file(huge, std::uint64_t{64} << 30);
    const std::string small = write("small.txt", "ok");
    const std::string cli = folvane::testing::shellWord(FOLVANE_CLI_PATH);
    std::FILE* p = ::popen((cli + " " + huge + " " + small + " 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int status = ::pclose(p);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(out.find("too large"), std::string::npos) << out;
    EXPECT_NE(out.find(kU + "ok"), std::string::npos) << out;
    const int config = std::system((cli + " --config " + huge + " " + small + " >/dev/null 2>&1").c_str());
    ASSERT_TRUE(WIFEXITED(config));
    EXPECT_EQ(WEXITSTATUS(config), 2);
}

// Every signal that ends the program while a merged output is being
// written: the run is held between two inputs by a FIFO, so the temporary
// file surely exists when the signal comes; afterwards it is gone and the
// target untouched.
TEST_F(CliInputs, InterruptedRunLeavesNoTemporaryFile) {
    // SIGQUIT would leave a core file.
    struct rlimit noCore{0, 0}, oldCore{};
    ::getrlimit(RLIMIT_CORE, &oldCore);
    ::setrlimit(RLIMIT_CORE, &noCore);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM}) {
        SCOPED_TRACE(sig);
        const std::string out = dir_ + "/out";
        fs::create_directories(out);
        const std::string target = write("out/first.txt", "old content");
        const std::string first = write("first.txt", std::string(3 << 20, 'a'));
        const std::string fifo = dir_ + "/fifo.txt";
        fs::remove(fifo);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const std::string cli = FOLVANE_CLI_PATH;
        std::vector<std::string> args = {cli, "--merge", "-o", out, first, fifo};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        // Opening the FIFO for writing returns once the program opens it for
        // reading: the first result is in the temporary file by then.
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(leftovers().size(), 1u);
        ASSERT_EQ(::kill(pid, sig), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ::close(fd);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
        EXPECT_EQ(read(target), "old content");
    }
    ::setrlimit(RLIMIT_CORE, &oldCore);
}

// What a run killed outright (SIGKILL cannot be caught) leaves behind goes
// with the next run into the same folder; a temporary of a running process
// stays.
TEST_F(CliInputs, StaleTemporariesGoWithTheNextRun) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    const std::string stale = write("out/.folvane-" + std::to_string(dead) + "-12345678.tmp", "half");
    const std::string live = write("out/.folvane-1-12345678.tmp", "busy");
    const std::string in = write("a.txt", "text");
    EXPECT_EQ(runWith({"-o", dir_ + "/out", in}).status, 0);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_EQ(read(dir_ + "/out/a.txt"), kU + "text");
}

// A run killed while it rewrote a hard-linked target in place: the old or
// the new text is there whole, in the target or in the copy beside it, and
// the next run into the folder removes that copy only once the target holds
// the same bytes.
TEST_F(CliInputs, AKillDuringAnInPlaceRewriteLosesNeitherText) {
    std::string big;
    for (int i = 0; big.size() < (48u << 20); ++i) big += "line " + std::to_string(i) + " of a long text\r\n\r\n";
    const std::string in = write("in.txt", big);
    const std::string expected = runWith({in}).out;
    const std::string out = dir_ + "/out";
    const std::string old = "the old text, also under a second name";
    const std::string target = write("out/in.txt", old);
    fs::create_hard_link(target, dir_ + "/second-name.txt");
    const std::string cli = FOLVANE_CLI_PATH;
    std::vector<std::string> args = {cli, "-o", out, in};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    // Killed as soon as the target starts to change (or not at all, when the
    // run is over first).
    auto copies = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(out))
            if (e.path().filename().string().starts_with(".folvane-")) names.push_back(e.path().string());
        return names;
    };
    int status = 0;
    struct stat st{};
    while (::stat(target.c_str(), &st) == 0 && static_cast<std::size_t>(st.st_size) == old.size() &&
           ::waitpid(pid, &status, WNOHANG) == 0) {
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    // The next run into the folder cleans up; the old or the new text is
    // still there whole, in the target or beside it.
    const std::string other = write("other.txt", "x");
    EXPECT_EQ(runWith({"-o", out, other}).status, 0);
    const std::string now = read(target);
    if (now != old && now != expected) {
        const std::vector<std::string> left = copies();
        EXPECT_TRUE(std::any_of(left.begin(), left.end(), [&](const std::string& f) { return read(f) == expected; }))
            << "the target is cut and no whole copy of the new text is left";
    }
    // Once a run writes the target whole, its copy goes with the run after.
    EXPECT_EQ(runWith({"-o", out, in}).status, 0);
    EXPECT_TRUE(read(dir_ + "/second-name.txt") == expected);
    EXPECT_EQ(runWith({"-o", out, other}).status, 0);
    EXPECT_EQ(copies(), std::vector<std::string>{});
}

// Two runs at once onto one target, 20 times, the target a plain file and
// a file with a second hard link (rewritten in place): it holds one of the
// two results whole, never a mixture, and no temporary file is left.
TEST_F(CliInputs, ConcurrentRunsOntoOneTargetLeaveOneWholeResult) {
    std::string a, b;
    for (int i = 0; a.size() < (2u << 20); ++i) {
        a += "first " + std::to_string(i) + " of one text\r\n\r\n";
        b += "second, " + std::to_string(i) + ", of the other\r\n\r\n";
    }
    const std::string inA = write("a/same.txt", a), inB = write("b/same.txt", b);
    const std::string resultA = runWith({inA}).out, resultB = runWith({inB}).out;
    const std::string out = dir_ + "/out", target = out + "/same.txt";
    const std::string cli = FOLVANE_CLI_PATH;
    auto spawn = [&](const std::string& in) {
        std::vector<std::string> args = {cli, "-o", out, in};
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        EXPECT_EQ(::posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        return pid;
    };
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "a hard-linked target" : "a plain target");
        write("out/same.txt", "old");
        if (linked) fs::create_hard_link(target, dir_ + "/second-name.txt");
        for (int round = 0; round < 20; ++round) {
            const pid_t one = spawn(inA), two = spawn(inB);
            int s1 = 0, s2 = 0;
            ::waitpid(one, &s1, 0);
            ::waitpid(two, &s2, 0);
            EXPECT_TRUE(WIFEXITED(s1) && WEXITSTATUS(s1) == 0 && WIFEXITED(s2) && WEXITSTATUS(s2) == 0) << round;
            const std::string now = read(target);
            ASSERT_TRUE(now == resultA || now == resultB) << "round " << round << ": " << now.size() << " bytes";
            if (linked) {
                ASSERT_EQ(read(dir_ + "/second-name.txt"), now);
            }
        }
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
        fs::remove(dir_ + "/second-name.txt");
    }
}

// A file rewritten in place is rewritten under an exclusive lock: a run
// waits while another writer holds it (the kernel lists it as waiting for
// the target's lock) and writes its whole text once it is free.
TEST_F(CliInputs, AnInPlaceRewriteWaitsForTheLockOfTheTarget) {
    const std::string in = write("in.txt", "new text");
    const std::string target = write("out/in.txt", "old");
    fs::create_hard_link(target, dir_ + "/second-name.txt");
    const int held = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    struct stat st{};
    ASSERT_EQ(::fstat(held, &st), 0);
    const std::string cli = FOLVANE_CLI_PATH;
    std::vector<std::string> args = {cli, "-o", dir_ + "/out", in};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    // "N: -> FLOCK  ADVISORY  WRITE PID MAJ:MIN:INODE 0 EOF": a lock asked for, not yet given.
    auto waiting = [&] {
        std::string locks;
        text::readFile("/proc/locks", locks);
        const std::string mine = " " + std::to_string(pid) + " ";
        const std::string inode = ":" + std::to_string(st.st_ino) + " ";
        for (std::size_t at = 0; at < locks.size();) {
            const std::size_t end = std::min(locks.find('\n', at), locks.size());
            const std::string line = locks.substr(at, end - at);
            if (line.find("-> FLOCK") != std::string::npos && line.find(mine) != std::string::npos &&
                line.find(inode) != std::string::npos)
                return true;
            at = end + 1;
        }
        return false;
    };
    int status = 0;
    bool seen = false;
    while (!(seen = waiting()) && ::waitpid(pid, &status, WNOHANG) == 0) {
    }
    EXPECT_TRUE(seen) << "the run did not wait for the lock";
    EXPECT_EQ(read(target), "old");
    ::close(held);
    if (seen) ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(read(dir_ + "/second-name.txt"), kU + "new text");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

// -o into a full file system (a small tmpfs; mounting needs root): the
// run fails with a message, the old output, plain or hard-linked, stays
// whole and nothing is left beside it.
TEST_F(CliInputs, AFullFileSystemKeepsTheOldOutputs) {
    const std::string mnt = dir_ + "/small";
    fs::create_directories(mnt);
    if (std::system(("mount -t tmpfs -o size=64k tmpfs " + folvane::testing::shellWord(mnt) + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string plain = write("small/a.txt", "old a"), linked = write("small/b.txt", "old b");
    fs::create_hard_link(linked, mnt + "/b-second.txt");
    const std::string big(200 * 1024, 'x');
    const std::string a = write("a.txt", big), b = write("b.txt", big);
    const Result r = runWith({"-o", mnt, a, b});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(mnt + "/a.txt"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(mnt + "/b.txt"), std::string::npos) << r.err;
    EXPECT_EQ(read(plain), "old a");
    EXPECT_EQ(read(linked), "old b");
    EXPECT_EQ(read(mnt + "/b-second.txt"), "old b");
    EXPECT_EQ(filesIn(mnt), (std::vector<std::string>{"a.txt", "b-second.txt", "b.txt"}));
    EXPECT_EQ(std::system(("umount " + folvane::testing::shellWord(mnt)).c_str()), 0);
}

// A run killed outright (SIGKILL) while it writes a plain target, six
// times: the target holds the old text or the new one whole, and the next
// run into the folder takes away what the killed one left.
TEST_F(CliInputs, KillsDuringAWriteOfAPlainTargetLoseNoText) {
    std::string big;
    for (int i = 0; big.size() < (8u << 20); ++i) big += "line " + std::to_string(i) + " of a long text\r\n\r\n";
    const std::string in = write("in.txt", big);
    const std::string expected = runWith({in}).out;
    const std::string out = dir_ + "/out", target = out + "/in.txt";
    const std::string cli = FOLVANE_CLI_PATH;
    std::vector<std::string> args = {cli, "-o", out, in};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        write("out/in.txt", "the old text");
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        // Killed once its temporary file holds part of the text (or not at
        // all, when the run is over first).
        auto writing = [&] {
            for (const std::string& f : leftovers()) {
                struct stat st{};
                if (::stat(f.c_str(), &st) == 0 && st.st_size > 0) return true;
            }
            return false;
        };
        int status = 0;
        while (!writing() && ::waitpid(pid, &status, WNOHANG) == 0) {
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        const std::string now = read(target);
        EXPECT_TRUE(now == "the old text" || now == expected) << now.size() << " bytes";
        const std::string other = write("other.txt", "x");
        EXPECT_EQ(runWith({"-o", out, other}).status, 0);
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }
}

// What a killed in-place rewrite leaves, as it leaves it: the copy goes only
// when the target holds the same bytes.
TEST_F(CliInputs, ACopyOfAnInPlaceRewriteGoesOnlyWhenTheTargetIsWhole) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    const std::string cut = write("out/cut.txt", std::string("new te\0\0\0", 9));
    const std::string whole = write("out/whole.txt", "new text");
    auto copyOf = [&](const std::string& path, const std::string& tag) {
        struct stat st{};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        char name[96];
        std::snprintf(name, sizeof name, "out/.folvane-%d-%s-%lx.copy", static_cast<int>(dead), tag.c_str(),
                      static_cast<unsigned long>(st.st_ino));
        return write(name, "new text");
    };
    const std::string keep = copyOf(cut, "0000000a");
    const std::string drop = copyOf(whole, "0000000b");
    const std::string orphan = write("out/.folvane-" + std::to_string(dead) + "-0000000c-1.copy", "new text");
    EXPECT_EQ(runWith({"-o", dir_ + "/out", write("a.txt", "x")}).status, 0);
    EXPECT_TRUE(fs::exists(keep));
    EXPECT_FALSE(fs::exists(drop));
    EXPECT_TRUE(fs::exists(orphan));  // its file is not in the folder
}

// A backslash is a character of a name: it separates no folders.
TEST_F(CliInputs, BackslashesAreCharactersOfNames) {
    const std::string a = write("a\\b.txt", "one");
    const std::string c = write("c\\b.txt", "two");
    const std::string t = write("tail\\", "three");
    const Result r = runWith({"-o", dir_ + "/out", a, c, t});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(filesIn(dir_ + "/out"), (std::vector<std::string>{"a\\b.txt", "c\\b.txt", "tail\\.txt"}));
    EXPECT_EQ(read(dir_ + "/out/a\\b.txt"), kU + "one");
    EXPECT_EQ(read(dir_ + "/out/c\\b.txt"), kU + "two");
}

// Inputs an attacker would give. Names that hold line breaks, bytes that
// are no UTF-8 or spaces, or that look like options, are files like any
// other (a bare "-x" is an unknown option, after "--" a FILE); a folder and
// /dev/zero (endless, held to the size limit) fail each with a message
// naming it; a FIFO is read to its end. The other files are processed, on
// standard output and under -o alike, and nothing is left behind.
TEST_F(CliInputs, HostileNamesAndSpecialFilesAsInputs) {
    const std::vector<std::string> names = {"-dash.txt", "--set=x.txt", "line\nbreak.txt", "bad\xff\xfe.txt",
                                            " lead and tail .txt", "中文.txt"};
    std::vector<std::string> args;
    for (std::size_t i = 0; i < names.size(); ++i) args.push_back(write(names[i], "n" + std::to_string(i)));
    const std::string folder = dir_ + "/folder.txt";
    fs::create_directories(folder);
    const std::string fifo = dir_ + "/fifo.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    args.insert(args.end(), {folder, "/dev/zero", fifo});
    // Writes to the FIFO once the program opens it; a run that never opens
    // it is found out by the test's own reader, which frees the writer.
    auto withFifoWriter = [&](const std::vector<std::string>& a) {
        std::thread writer([&] {
            const int fd = ::open(fifo.c_str(), O_WRONLY);
            if (fd >= 0) {
                EXPECT_EQ(::write(fd, "fifo", 4), 4);
                ::close(fd);
            }
        });
        const Result r = runWith(a, 1 << 20);
        const int unblock = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        writer.join();
        ::close(unblock);
        return r;
    };
    auto expectMessages = [&](const Result& r) {
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("cannot read " + folder + ": Is a directory"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("cannot read /dev/zero: file too large"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    };

    const Result out = withFifoWriter(args);
    expectMessages(out);
    std::size_t at = 0;
    for (std::size_t i = 0; i <= names.size(); ++i) {
        const std::string result = kU + (i < names.size() ? "n" + std::to_string(i) : std::string("fifo"));
        at = out.out.find(result, at);
        EXPECT_NE(at, std::string::npos) << result << " in " << out.out;
    }

    std::vector<std::string> toFolder = {"-o", dir_ + "/out"};
    toFolder.insert(toFolder.end(), args.begin(), args.end());
    expectMessages(withFifoWriter(toFolder));
    std::vector<std::string> expected = names;
    expected.push_back("fifo.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filesIn(dir_ + "/out"), expected);
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(read(dir_ + "/out/" + names[i]), kU + "n" + std::to_string(i));
    EXPECT_EQ(read(dir_ + "/out/fifo.txt"), kU + "fifo");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});

    const Result dash = runWith({"-dash.txt"});
    EXPECT_EQ(dash.status, 2);
    EXPECT_NE(dash.err.find("unknown option '-dash.txt'"), std::string::npos) << dash.err;
    const Result file = runWith({"--", "-no-such.txt"});
    EXPECT_EQ(file.status, 1);
    EXPECT_NE(file.err.find("cannot read -no-such.txt"), std::string::npos) << file.err;
}

// Outputs that are links, hard links or special files.
TEST_F(CliInputs, OutputsAreWrittenThroughLinks) {
    const std::string in = write("a.txt", "new");
    write("elsewhere/target.txt", "old");
    fs::create_directories(dir_ + "/out");
    fs::create_symlink(dir_ + "/elsewhere/target.txt", dir_ + "/out/a.txt");
    fs::create_hard_link(dir_ + "/elsewhere/target.txt", dir_ + "/second-name.txt");
    EXPECT_EQ(runWith({"-o", dir_ + "/out", in}).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ + "/out/a.txt"));
    EXPECT_EQ(read(dir_ + "/elsewhere/target.txt"), kU + "new");
    EXPECT_EQ(read(dir_ + "/second-name.txt"), kU + "new");

    // A FIFO in the output's place is neither opened nor replaced.
    const std::string b = write("b.txt", "text");
    ASSERT_EQ(::mkfifo((dir_ + "/out/b.txt").c_str(), 0600), 0);
    const Result r = runWith({"-o", dir_ + "/out", b});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_fifo(dir_ + "/out/b.txt"));
}

// Standard output is one text: one encoding (the first result's) and at
// most one byte-order mark, at its start.
TEST_F(CliInputs, StandardOutputHasOneEncodingAndOneByteOrderMark) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string a = write("a.txt", bom + "甲\n");
    const std::string b = write("b.txt", bom + "乙\n");
    const std::string gbk = write("c.txt", g("丙丁戊己庚辛\r\n"));
    const std::string u16 = write("d.txt", std::string("\xFF\xFE\x59\x4E\x0A\x00", 6));  // 乙 in UTF-16LE
    struct Case {
        std::vector<std::string> files;
        std::string expected;
    };
    for (const Case& c : {
             Case{{a, b}, bom + kU + "甲\n" + kU + "乙\n"},
             Case{{a, gbk}, bom + kU + "甲\n" + kU + "丙丁戊己庚辛\r\n"},
             Case{{gbk, a}, g("　　丙丁戊己庚辛\r\n　　甲\n")},
             Case{{a, u16}, bom + kU + "甲\n" + kU + "乙\n"},
         }) {
        const Result r = runWith({"--set", "lineBreakFix=0", c.files[0], c.files[1]});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.expected) << c.files[0] << " " << c.files[1];
    }
}

// "\n" alone is no line break in GB18030 bytes taken as they are: the
// user is told rather than getting one long line silently.
TEST_F(CliInputs, RawGb18030WithLineFeedsAloneIsReported) {
    struct Case {
        std::string bytes;
        bool warned;
    };
    for (const Case& c : {Case{g("甲\n乙\n"), true}, Case{g("甲\r\n乙\r\n"), false}, Case{g("甲"), false}}) {
        const std::string in = write("in.txt", c.bytes);
        for (const auto& args : {std::vector<std::string>{"--encoding", "gb18030", in},
                                 std::vector<std::string>{"--encoding", "gb18030", "-o", dir_ + "/out", in}}) {
            const Result r = runWith(args);
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.err.find("no \"\\r\\n\" line breaks") != std::string::npos, c.warned) << r.err;
        }
        EXPECT_EQ(runWith({in}).err, "");  // detection takes "\n" as line breaks
    }
}

// A web page with "\n" line breaks goes through a run as strip-html takes
// it: its line feeds are no breaks, and no "\r" is left behind.
TEST_F(CliInputs, WebPagesWithLineFeedsThroughARun) {
    const std::string page = write("page.html", "<p>甲行\n乙行</p>\n<p>丙</p>\n");
    const Result r = runWith({"-o", dir_ + "/out", page});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read(dir_ + "/out/page.txt"), kU + "甲行乙行\n" + kU + "丙\n");  // and the page's last break
}

TEST_F(CliInputs, LineBreaksComeBackAsTheFileHadThem) {
    struct Case {
        const char* name;
        std::vector<std::string> command;
        std::string in, expected;
    };
    const Case cases[] = {
        {"strip-html on \\n", {"strip-html"}, "a<br>b\nc\n<p>d</p>\n", "a\nbcd\n\n"},
        {"strip-html on \\r\\n keeps its \\r", {"strip-html"}, "a<br>b\r\nc\r\n", "a\r\nb\rc\r"},
        {"strip-html forced utf-8", {"strip-html", "--encoding", "utf-8"}, "x\ny<br/>z\n", "xy\nz"},
        {"mixed breaks unchanged by a no-op", {"upper"}, "1\n2\r\n3\n4\n", "1\n2\r\n3\n4\n"},
        {"mixed breaks through a change", {"upper"}, "a\nb\r\nc\nd", "A\nB\r\nC\nD"},
        {"mixed breaks, lines joined", {"replace", "\n", ""}, "a\nb\r\nc\n", "abc"},
    };
    for (const auto& c : cases) {
        const std::string f = write("in.txt", c.in);
        std::vector<std::string> args = c.command;
        args.push_back(f);
        const Result r = runWith(args);
        EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, c.expected) << c.name;
        // Into a folder the result is the same bytes.
        args.insert(args.end() - 1, {"-o", dir_ + "/lb"});
        const Result toFolder = runWith(args);
        EXPECT_EQ(toFolder.status, 0) << c.name << ": " << toFolder.err;
        if (!c.expected.empty()) {
            EXPECT_EQ(read(dir_ + "/lb/in.txt"), c.expected) << c.name << " (-o)";
        }
    }
}

TEST_F(CliInputs, EveryCharacterComesBackUnchanged) {
    struct Case {
        const char* name;
        std::string in;
    };
    const Case cases[] = {
        {"gbk that is also utf-8", "\xCD\xAC\xD1\xA7\r\n"},             // 同学
        {"private-use characters", "\uE816\uE78D\uE864 \U00020087\n"},  // with the freed codes
        {"utf-8 chinese", "中文\n"},
    };
    for (const auto& c : cases) {
        const std::string f = write("in.txt", c.in);
        const Result r = runWith({"lower", f});
        EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, c.in) << c.name;
    }
    const Result gbk = runWith({write("t.txt", "\xCD\xAC\xD1\xA7")});
    EXPECT_EQ(gbk.out, kI + "\xCD\xAC\xD1\xA7");  // GBK in, GBK out
}

TEST_F(CliInputs, ImpossibleDatesAreUsageErrors) {
    EXPECT_EQ(runWith({"--now", "2024-02-30 00:00:00"}).status, 2);
    EXPECT_EQ(runWith({"--now", "2023-02-29 12:00:00"}).status, 2);
    EXPECT_EQ(runWith({"--now", "2024-02-29 12:00:00", "--signature", "--head", "#DD"}, 0, "x").out,
              "29\n" + kU + "x");
}

}  // namespace
}  // namespace folvane::cli

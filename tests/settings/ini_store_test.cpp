#include "settings/ini_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "gbtext.h"
#include "ini_reference.h"
#include "text/file_io.h"

namespace folvane::settings {
namespace {

using folvane::testing::g;
using namespace std::string_literals;
namespace fs = std::filesystem;

TEST(IniText, ReadingRules) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string key;
        std::optional<std::string> expected;
    };
    const std::string k = g("首尾签名");
    const Case cases[] = {
        {"plain", "[folvane]\r\nk=1\r\n", "k", "1"},
        {"LF line ends", "[folvane]\nk=1\n", "k", "1"},
        {"no final line end", "[folvane]\r\nk=1", "k", "1"},
        {"a CR ending the file is a line end", "[folvane]\r\nk=1\r", "k", "1"},
        {"a lone CR inside a line is kept", "[folvane]\nk=1\r2\n", "k", "1\r2"},
        {"value kept verbatim", "[folvane]\r\nk= 1 \r\n", "k", " 1 "},
        {"blanks around the key", "[folvane]\r\n \tk \t=1\r\n", "k", "1"},
        {"blanks around the header", "  [ folvane ]  \r\nk=1\r\n", "k", "1"},
        {"case of section and key", "[FOLVANE]\r\nK=1\r\n", "k", "1"},
        {"second = belongs to the value", "[folvane]\r\nk=a=b\r\n", "k", "a=b"},
        {"empty value", "[folvane]\r\nk=\r\n", "k", ""},
        {"first occurrence wins", "[folvane]\r\nk=1\r\nk=2\r\n", "k", "1"},
        {"first section wins", "[folvane]\r\nk=1\r\n[folvane]\r\nk=2\r\n", "k", "1"},
        {"key only in a repeated section", "[folvane]\r\na=1\r\n[x]\r\nk=3\r\n[folvane]\r\nk=2\r\n", "k", "2"},
        {"other section", "[other]\r\nk=1\r\n", "k", std::nullopt},
        {"before any header", "k=1\r\n[folvane]\r\n", "k", std::nullopt},
        {"comment", "[folvane]\r\n;k=1\r\n # k=2\r\n", "k", std::nullopt},
        {"line without =", "[folvane]\r\nk\r\n", "k", std::nullopt},
        {"Chinese key", "[folvane]\r\n" + k + "=1\r\n", k, "1"},
        // 0x5D as the trail byte of a two-byte character is no "]".
        {"trail byte 0x5D ends no header", "[folvane]\r\n[x\x81]\r\nk=1\r\n", "k", "1"},
        {"folded section is not another", "[folvanex]\r\nk=1\r\n", "k", std::nullopt},
        {"empty text", "", "k", std::nullopt},
        {"truncated header", "[folv", "k", std::nullopt},
        {"truncated inside a character", "[folvane]\r\nk=\xCA", "k", "\xCA"},
    };
    for (const auto& c : cases) {
        const IniText ini(c.bytes);
        const auto v = ini.find("folvane", c.key);
        EXPECT_EQ(v.has_value(), c.expected.has_value()) << c.name;
        if (v && c.expected) {
            EXPECT_EQ(*v, *c.expected) << c.name;
        }
        EXPECT_EQ(ini.bytes(), c.bytes) << c.name << ": parsing must keep every byte";
    }
}

TEST(IniText, WritingKeepsEveryOtherByte) {
    struct Case {
        const char* name;
        std::string before;
        std::string key;
        std::string value;
        std::string after;
    };
    const Case cases[] = {
        {"empty text gets section and key", "", "k", "1", "[folvane]\r\nk=1\r\n"},
        {"replace keeps the key's spelling", "[folvane]\r\n K = 1 \r\n", "k", "0", "[folvane]\r\n K =0\r\n"},
        {"added after the last key", "[folvane]\r\na=1\r\n\r\n;c\r\n[x]\r\n", "k", "2",
         "[folvane]\r\na=1\r\nk=2\r\n\r\n;c\r\n[x]\r\n"},
        {"added after the header of an empty section", "[folvane]\r\n[x]\r\ny=1\r\n", "k", "2",
         "[folvane]\r\nk=2\r\n[x]\r\ny=1\r\n"},
        {"missing final line end is added", "[folvane]\r\na=1", "k", "2", "[folvane]\r\na=1\r\nk=2\r\n"},
        {"a CR ending the file becomes CR LF", "[folvane]\r\na=1\r", "k", "2", "[folvane]\r\na=1\r\nk=2\r\n"},
        {"LF files get LF", "; top\n[folvane]\na=1\n", "k", "2", "; top\n[folvane]\na=1\nk=2\n"},
        {"missing section appended", "[x]\r\ny=1", "k", "2", "[x]\r\ny=1\r\n[folvane]\r\nk=2\r\n"},
        {"first of duplicates replaced", "[folvane]\r\nk=1\r\nk=2\r\n", "k", "3", "[folvane]\r\nk=3\r\nk=2\r\n"},
        {"binary neighbours untouched", "\x00\xFF\x81\r\n[folvane]\r\nk=\x81\r\n\x7F"s, "k", "x",
         "\x00\xFF\x81\r\n[folvane]\r\nk=x\r\n\x7F"s},
    };
    for (const auto& c : cases) {
        IniText ini(c.before);
        ini.set("folvane", c.key, c.value);
        EXPECT_EQ(ini.bytes(), c.after) << c.name;
    }
}

TEST(IniText, Validity) {
    for (const char* bad : {"", " k", "k ", "a=b", "[k", ";k", "#k", "a\nb", "a\rb"})
        EXPECT_FALSE(isValidKey(bad)) << bad;
    for (const char* ok : {"k", "CONFIG1", "a b", "k]"}) EXPECT_TRUE(isValidKey(ok)) << ok;
    EXPECT_TRUE(isValidKey(g("首尾签名")));
    EXPECT_TRUE(isValidValue(" 1 = \xFF"));
    EXPECT_FALSE(isValidValue("a\nb"));
    EXPECT_FALSE(isValidValue("a\r"));
    EXPECT_FALSE(isValidSection(" folvane"));
    // A lone lead byte at the end would swallow the "]" of the header.
    for (const char* bad : {"setting\x8E", "a\x81\x30", "a\x81\x30\x81"}) {
        EXPECT_FALSE(isValidSection(bad)) << bad;
    }
    EXPECT_TRUE(isValidSection(g("设置")));
    EXPECT_TRUE(isValidSection("a\x81\x30\x81\x30"));
}

// `sub` appears in `all` in order, with at most `extra` lines added and at
// most `changed` replaced.
bool keptInOrder(const std::vector<std::string>& sub, const std::vector<std::string>& all, std::size_t extra,
                 std::size_t changed) {
    if (all.size() < sub.size() || all.size() - sub.size() > extra) return false;
    std::size_t j = 0, skipped = 0, replaced = 0;
    for (std::size_t i = 0; i < sub.size(); ++i) {
        while (j < all.size() && all[j] != sub[i] && all.size() - sub.size() > skipped) ++j, ++skipped;
        if (j == all.size()) return false;
        if (all[j] != sub[i] && ++replaced > changed) return false;
        ++j;
    }
    return true;
}

// Random texts built from the pieces that matter to the format, and from
// arbitrary bytes: reading never fails, keeps every byte, agrees with the
// reference reading, and setting a key changes that key only.
TEST(IniText, RandomContent) {
    const std::vector<std::string> pieces = {
        "[", "]", "folvane", "FolVane", "=", ";", "#", " ", "\t", "\r", "\n", "\r\n", "k", "K", "1",
        "\x81", "\x5D", "\xFF", "\x81\x30", "\xB0\xA1", "\x81\x5D", "\x81\x30\x81\x30", "\x00"s, g("首尾签名"),
        "[folvane]\r\n", "\nk=", "\n[x\x81]\n", "\n[x]\n"};
    const std::vector<std::string> keys = {"k", "K", "1", "folvane", g("首尾签名")};
    const std::vector<std::string> values = {"", " 1", "a=b", "\xFF\xB0\xA1", "]"};
    std::mt19937 rng(20240504);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const int n = static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i) {
            if (round % 4 == 0) bytes += static_cast<char>(rng() % 256);
            else bytes += pieces[rng() % pieces.size()];
        }
        IniText ini(bytes);
        ASSERT_EQ(ini.bytes(), bytes);
        const auto ref = folvane::testing::referenceSection(bytes, "folvane");
        for (const auto& key : keys) {
            const auto v = ini.find("folvane", key);
            const auto it = ref.values.find(folvane::testing::referenceFold(key));
            ASSERT_EQ(v.has_value(), it != ref.values.end()) << round;
            if (v) {
                ASSERT_EQ(*v, it->second) << round;
            }
        }

        const std::string& key = keys[rng() % keys.size()];
        const std::string& value = values[rng() % values.size()];
        const bool existed = ini.find("folvane", key).has_value();
        ini.set("folvane", key, value);
        const std::string after = ini.bytes();
        const auto refAfter = folvane::testing::referenceSection(after, "folvane");
        const std::string fk = folvane::testing::referenceFold(key);
        ASSERT_EQ(refAfter.values.at(fk), value) << round;
        for (const auto& [k, v] : ref.values)
            if (k != fk) {
                ASSERT_EQ(refAfter.values.at(k), v) << round;
            }
        ASSERT_TRUE(keptInOrder(folvane::testing::referenceLines(bytes), folvane::testing::referenceLines(after),
                                existed ? 0 : 2, existed ? 1 : 0))
            << round;
    }
}

class IniStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/folvane-ini-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        path_ = dir_ + "/config.ini";
    }
    void TearDown() override {
        ::chmod(dir_.c_str(), 0755);
        fs::remove_all(dir_);
    }
    std::string contents() {
        std::string b;
        text::readFile(path_, b);
        return b;
    }
    std::string dir_;
    std::string path_;
};

TEST_F(IniStoreTest, MissingFileReadsAsAbsentAndIsCreatedOnWrite) {
    IniStore store(path_, "folvane");
    std::string error;
    EXPECT_FALSE(store.read(&error).find("folvane", "k"));
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(store.readText("k", "0"), "0");
    EXPECT_TRUE(store.writeText("k", "1"));
    EXPECT_EQ(contents(), "[folvane]\r\nk=1\r\n");
    EXPECT_EQ(store.readText("k", "0"), "1");
}

TEST_F(IniStoreTest, OneWriteAppliesEveryAssignmentToTheCurrentFile) {
    ASSERT_TRUE(text::writeFileAtomically(path_, "; mine\n[folvane]\nb=old\nother=keep\n"));
    IniStore store(path_, "folvane");
    const IniAssignment a[] = {{"a", "1"}, {"b", "2"}, {"c", "3"}};
    ASSERT_TRUE(store.write(a));
    EXPECT_EQ(contents(), "; mine\n[folvane]\nb=2\nother=keep\na=1\nc=3\n");
}

TEST_F(IniStoreTest, InvalidValueWritesNothing) {
    ASSERT_TRUE(text::writeFileAtomically(path_, "[folvane]\r\nk=1\r\n"));
    IniStore store(path_, "folvane");
    const IniAssignment a[] = {{"j", "ok"}, {"k", "two\r\nlines"}};
    const WriteResult r = store.write(a);
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find(path_), std::string::npos);
    EXPECT_EQ(contents(), "[folvane]\r\nk=1\r\n");
}

TEST_F(IniStoreTest, UnchangedFileIsNotRewritten) {
    ASSERT_TRUE(text::writeFileAtomically(path_, "[folvane]\r\nk=1\r\n"));
    struct stat before{}, after{};
    ASSERT_EQ(::stat(path_.c_str(), &before), 0);
    IniStore store(path_, "folvane");
    EXPECT_TRUE(store.writeText("k", "1"));
    ASSERT_EQ(::stat(path_.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(IniStoreTest, UnreadableFileIsLeftAlone) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    ASSERT_TRUE(text::writeFileAtomically(path_, "[folvane]\r\nk=1\r\nsecret=2\r\n"));
    ::chmod(path_.c_str(), 0);
    IniStore store(path_, "folvane");
    std::string error;
    EXPECT_FALSE(store.read(&error).find("folvane", "k"));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(store.writeText("k", "0"));
    ::chmod(path_.c_str(), 0600);
    EXPECT_EQ(contents(), "[folvane]\r\nk=1\r\nsecret=2\r\n");
}

// A file its user made read-only keeps every byte, root's run included
// (a rename would replace it all the same); the write says why it failed.
TEST_F(IniStoreTest, WriteProtectedFileIsLeftAlone) {
    const std::string old = "[folvane]\r\nk=1\r\n\x01\xFE binary \x80\r\n";
    ASSERT_TRUE(text::writeFileAtomically(path_, old));
    ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
    IniStore store(path_, "folvane");
    EXPECT_EQ(store.readText("k", "0"), "1");
    const WriteResult r = store.writeText("k", "2");
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find("write-protected"), std::string::npos) << r.message;
    EXPECT_EQ(contents(), old);
    EXPECT_TRUE(store.writeText("k", "1"));  // nothing to change: no complaint
    ::chmod(path_.c_str(), 0644);
    EXPECT_TRUE(store.writeText("k", "2"));
}

TEST_F(IniStoreTest, DirectoryInPlaceOfTheFileIsReported) {
    fs::create_directory(path_);
    IniStore store(path_, "folvane");
    EXPECT_EQ(store.readText("k", "d"), "d");
    EXPECT_FALSE(store.writeText("k", "1"));
}

// Mounts a small tmpfs under `dir`; false where mounting is not allowed.
bool mountSmallTmpfs(const std::string& dir) {
    fs::create_directory(dir);
    return std::system(("mount -t tmpfs -o size=64k tmpfs " + dir + " 2>/dev/null").c_str()) == 0;
}

TEST_F(IniStoreTest, ReadOnlyDirectoryIsReportedAndTheOldFileKept) {
    std::string where = dir_;
    const bool root = ::geteuid() == 0;
    if (root) {
        where = dir_ + "/ro";
        if (!mountSmallTmpfs(where)) GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    const std::string path = where + "/config.ini";
    ASSERT_TRUE(text::writeFileAtomically(path, "[folvane]\r\nk=1\r\n"));
    if (root) ASSERT_EQ(std::system(("mount -o remount,ro " + where).c_str()), 0);
    else ::chmod(where.c_str(), 0555);
    IniStore store(path, "folvane");
    const WriteResult r = store.writeText("k", "0");
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find(path), std::string::npos);
    std::string back;
    EXPECT_TRUE(text::readFile(path, back));
    EXPECT_EQ(back, "[folvane]\r\nk=1\r\n");
    if (root) {
        EXPECT_EQ(std::system(("umount " + where).c_str()), 0);
    }
}

TEST_F(IniStoreTest, FullDiskIsReportedAndTheOldFileKept) {
    const std::string mnt = dir_ + "/small";
    if (!mountSmallTmpfs(mnt)) GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string path = mnt + "/config.ini";
    ASSERT_TRUE(text::writeFileAtomically(path, "[folvane]\r\nk=1\r\n"));
    // Fill the rest of the file system.
    std::system(("dd if=/dev/zero of=" + mnt + "/fill bs=4k count=64 2>/dev/null").c_str());
    IniStore store(path, "folvane");
    const WriteResult r = store.writeText("k", std::string(8000, 'x'));
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.message.empty());
    std::string back;
    EXPECT_TRUE(text::readFile(path, back));
    EXPECT_EQ(back, "[folvane]\r\nk=1\r\n");
    EXPECT_EQ(std::system(("umount " + mnt).c_str()), 0);
}

}  // namespace
}  // namespace folvane::settings

#include "web/update_request.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace folvane::web {
namespace {

TEST(MachineId, RearrangesPairsAndPadsShortResults) {
    struct Case {
        std::uint32_t number;
        const char* expected;
    };
    const Case cases[] = {
        {0x1A2B3C4D, "3C2B1A"},   // the last pair of eight digits is dropped
        {0xABC, "CAB0000"},       // a short result is padded to seven, not six
        {0x0, "0000000"},         // zero is the digit "0"
        {0xF, "F000000"},
        {0x12, "1200000"},        // pairs beyond the end give nothing
        {0x123, "3120000"},
        {0x1234, "3412000"},
        {0x12345, "5341200"},     // a half pair at position 5
        {0x123456, "563412"},     // six digits: exactly six, no padding
        {0x1234567, "563412"},    // the seventh digit is dropped
        {0x0000ABCD, "CDAB000"},  // leading zeros are not digits of h
        {0xFFFFFFFF, "FFFFFF"},
        {0xdeadbeef, "BEADDE"},   // upper-case digits
    };
    for (const Case& c : cases) EXPECT_EQ(machineId(c.number), c.expected) << std::hex << c.number;
}

TEST(MachineId, AlwaysSixOrSevenCharacters) {
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        const std::uint32_t n = rng() >> (rng() % 32);
        const std::size_t size = machineId(n).size();
        EXPECT_TRUE(size == 6 || size == 7) << n;
    }
}

TEST(MachineNumber, FirstEightHexDigitsOfTheFile) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> expected;
    };
    const Case cases[] = {
        {"3d1219c7c4c54a8e9f0e1a2b3c4d5e6f", 0x3d1219c7},
        {"3D1219C7", 0x3d1219c7},
        {"00000000ffff", 0x0},
        {"1234567", std::nullopt},    // fewer than eight digits
        {"", std::nullopt},
        {"12345g78abcd", std::nullopt},
        {" 1234567890", std::nullopt},  // the digits must come first
    };
    for (const Case& c : cases) EXPECT_EQ(machineNumber(c.text), c.expected) << c.text;
}

TEST(HardwareId, FirstCandidateOfFourBytesAfterCleaning) {
    using T = std::array<std::string, 4>;
    struct Case {
        const char* name;
        T texts;
        const char* expected;
    };
    const Case cases[] = {
        {"first long enough", {"ABCD", "EFGH", "IJKL", "MNOP"}, "ABCD"},
        {"dashes removed from the first", {"AB-CD-", "x", "y", "z"}, "ABCD"},
        {"the first keeps its slashes", {"A/B/", "x", "y", "z"}, "A/B/"},
        {"first too short once cleaned", {"A-B-C", "WX/YZ", "y", "z"}, "WXYZ"},
        {"second cleaned of both", {"", "1-2/3-4", "y", "z"}, "1234"},
        {"third", {"abc", "ab", "Q-U/E-R", "z"}, "QUER"},
        {"fourth when all else is short", {"a", "b", "c", "D-E/FG"}, "DEFG"},
        {"fourth used when short too", {"a", "b", "c", "d-/"}, "d"},
        {"all empty", {"", "", "", ""}, ""},
        {"full-width dash is kept", {"\xEF\xBC\x8D" "A", "", "", ""}, "\xEF\xBC\x8D" "A"},
        {"length in bytes", {"\xE4\xB8\xBB", "\xE4\xB8\xBB\xE6\x9D\xBF", "", ""}, "\xE4\xB8\xBB\xE6\x9D\xBF"},
        {"only dashes", {"----", "////", "-/-/", "ABCD"}, "ABCD"},
    };
    for (const Case& c : cases) EXPECT_EQ(hardwareId(c.texts), c.expected) << c.name;
}

TEST(UpdateQuery, SixFieldsInOrder) {
    struct Case {
        const char* name;
        UpdateRequest request;
        const char* expected;
    };
    const Case cases[] = {
        {"wish on", {"3C2B1A", "1", "ThinkBox", true}, "3C2B1A,3.0.7.3,1,ThinkBox,true,1"},
        {"wish off changes the fifth field only", {"3C2B1A", "1", "ThinkBox", false},
         "3C2B1A,3.0.7.3,1,ThinkBox,false,1"},
        {"later start", {"CAB0000", "42", "X", true}, "CAB0000,3.0.7.3,42,X,true,1"},
        {"empty hardware text", {"CAB0000", "2", "", true}, "CAB0000,3.0.7.3,2,,true,1"},
        {"a comma cannot add a field", {"A", "1", "PC (Q35, 2009)", true},
         "A,3.0.7.3,1,PC%20%28Q35%2C%202009%29,true,1"},
        {"no fragment, no parameter", {"A", "1", "a#b&c=d+e%", true}, "A,3.0.7.3,1,a%23b%26c%3Dd%2Be%25,true,1"},
        {"unreserved bytes stay", {"A", "1", "x.y_z~w", true}, "A,3.0.7.3,1,x.y_z~w,true,1"},
        {"bytes beyond ASCII", {"A", "1", "\xE4\xB8\xBB", true}, "A,3.0.7.3,1,%E4%B8%BB,true,1"},
        {"a stored count that is no number", {"A", "1 2", "X", true}, "A,3.0.7.3,1%202,X,true,1"},
    };
    for (const Case& c : cases) EXPECT_EQ(updateQuery(c.request), c.expected) << c.name;
}

TEST(UpdateQuery, AddressIsBaseQuestionMarkQuery) {
    const UpdateRequest r{"3C2B1A", "7", "Board", false};
    EXPECT_EQ(updatePageAddress("http://127.0.0.1:8080/soft/tf.asp", r),
              "http://127.0.0.1:8080/soft/tf.asp?3C2B1A,3.0.7.3,7,Board,false,1");
}

class HardwareFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("folvane-dmi-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }
    std::filesystem::path dir_;
};

TEST_F(HardwareFiles, FirstLineTrimmedMissingFilesEmpty) {
    write("product_name", "Standard PC\n");
    write("board_name", "  B-450/M \r\nsecond line\n");
    write("bios_version", "");
    const auto texts = readHardwareTexts(dir_);
    EXPECT_EQ(texts[0], "Standard PC");
    EXPECT_EQ(texts[1], "B-450/M");
    EXPECT_EQ(texts[2], "");  // board_vendor is missing
    EXPECT_EQ(texts[3], "");
    EXPECT_EQ(hardwareId(texts), "Standard PC");
}

TEST_F(HardwareFiles, MachineIdFile) {
    write("machine-id", "1a2b3c4d00000000000000000000000\n");
    const auto number = machineNumber(readMachineIdText(dir_ / "machine-id"));
    ASSERT_TRUE(number);
    EXPECT_EQ(machineId(*number), "3C2B1A");
    EXPECT_EQ(readMachineIdText(dir_ / "absent"), "");
}

}  // namespace
}  // namespace folvane::web

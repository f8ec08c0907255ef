#include "web/cipher.h"

#include <gtest/gtest.h>

namespace folvane::web {
namespace {

TEST(Cipher, RoundTripsAnyBytes) {
    const std::string texts[] = {"", "a", std::string("\0\xFF\r\n", 4), "\xBE\xE8\xD6\xFA",
                                 std::string(100000, '\xA1')};
    for (const std::string& t : texts) {
        const std::string data = encipher(t, kResourceKey);
        EXPECT_EQ(data.size(), t.size() + 12);
        EXPECT_EQ(decipher(data, kResourceKey), t);
    }
}

TEST(Cipher, PlainTextDoesNotShowThrough) {
    const std::string plain(64, 'A');
    const std::string data = encipher(plain, kResourceKey);
    EXPECT_EQ(data.find("AAAA"), std::string::npos);
}

TEST(Cipher, RejectsDamagedOrForeignData) {
    const std::string good = encipher("捐助说明", kResourceKey);
    struct Case {
        const char* name;
        std::string data;
        std::string key;
    };
    std::string flipped = good;
    flipped.back() = static_cast<char>(flipped.back() ^ 1);
    std::string longer = good + "x";
    std::string badMagic = good;
    badMagic[0] = 'X';
    const Case cases[] = {
        {"wrong key", good, "another-key"},
        {"last byte changed", flipped, std::string(kResourceKey)},
        {"truncated", good.substr(0, good.size() - 1), std::string(kResourceKey)},
        {"header only, cut", good.substr(0, 11), std::string(kResourceKey)},
        {"trailing byte", longer, std::string(kResourceKey)},
        {"not enciphered", badMagic, std::string(kResourceKey)},
        {"empty", "", std::string(kResourceKey)},
    };
    for (const Case& c : cases) EXPECT_FALSE(decipher(c.data, c.key)) << c.name;
}

}  // namespace
}  // namespace folvane::web

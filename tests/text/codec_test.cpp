#include "text/codec.h"

#include <gtest/gtest.h>

#include "gbtext.h"
#include "text/iconv.h"

namespace folvane::text {
namespace {

TEST(Utf8Validation, RejectsMalformedSequences) {
    struct Case {
        std::string bytes;
        bool valid;
        std::size_t badAt;
    };
    const Case cases[] = {
        {"", true, 0},
        {"abc", true, 0},
        {"\xE4\xB8\xAD", true, 0},            // 中
        {"\xF0\x9F\x98\x80", true, 0},        // emoji
        {"a\xC0\x80", false, 1},              // overlong
        {"ab\xED\xA0\x80", false, 2},         // surrogate
        {"\xF4\x90\x80\x80", false, 0},       // above U+10FFFF
        {"\xE4\xB8", false, 0},               // cut short
        {"\xD6\xD0\xCE\xC4", false, 0},       // GBK 中文
        {"x\x80", false, 1},
    };
    for (const auto& c : cases) {
        std::size_t bad = 99;
        EXPECT_EQ(isValidUtf8(c.bytes, &bad), c.valid) << folvane::testing::show(c.bytes);
        if (!c.valid) {
            EXPECT_EQ(bad, c.badAt);
        }
    }
}

TEST(Codec, Utf8AndGb18030RoundTrip) {
    const std::string utf8 = "中文，English 𠀀 € ㈠ 　";
    const auto gbText = utf8ToGb18030(utf8);
    ASSERT_TRUE(gbText);
    EXPECT_EQ(gbText->substr(0, 4), "\xD6\xD0\xCE\xC4");
    EXPECT_NE(gbText->find("\x95\x32\x82\x36"), std::string::npos);  // 4-byte form kept
    EXPECT_EQ(gb18030ToUtf8(*gbText), utf8);
}

TEST(Codec, EveryUnicodeScalarHasAGb18030Form) {
    std::string utf8;
    for (char32_t cp : {0x1u, 0x7Fu, 0x80u, 0x3000u, 0xE5E5u, 0xFFFDu, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
        if (cp < 0x80) utf8 += static_cast<char>(cp);
        else if (cp < 0x800) utf8 += {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
        else if (cp < 0x10000)
            utf8 += {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                     static_cast<char>(0x80 | (cp & 0x3F))};
        else
            utf8 += {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                     static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
    }
    const auto gbText = utf8ToGb18030(utf8);
    ASSERT_TRUE(gbText);
    EXPECT_EQ(gb18030ToUtf8(*gbText), utf8);
}

TEST(Codec, InvalidGb18030BytesAreKeptNotDropped) {
    const std::string bytes = std::string("a\x80" "b\xFF\x81", 5);
    const std::string out = gb18030ToUtf8(bytes);
    EXPECT_EQ(out, bytes);  // nothing to decode, nothing lost
    EXPECT_EQ(gb18030ToUtf8(std::string("\0\xD6\xD0", 3)), std::string("\0\xE4\xB8\xAD", 4));
}

TEST(Utf16Bridge, EveryByteSequenceRoundTrips) {
    unsigned seed = 5;
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        for (std::size_t i = 0, n = seed % 40; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            bytes += static_cast<char>(seed >> 16);
        }
        seed = seed * 1103515245u + 12345u;
        EXPECT_EQ(gb18030FromUtf16(gb18030ToUtf16(bytes)), bytes) << folvane::testing::show(bytes);
    }
}

TEST(Utf16Bridge, ValidTextIsPlainUtf16) {
    EXPECT_EQ(gb18030ToUtf16(folvane::testing::g("中a𠀀")), u"中a𠀀");
    EXPECT_EQ(gb18030ToUtf16("\xD6\xD0\x80"), std::u16string(u"中") + char16_t(0xDC80));
    EXPECT_EQ(gb18030FromUtf16(u"中\r\n"), folvane::testing::g("中\r\n"));
    // A lone surrogate that stands for no byte becomes U+FFFD.
    EXPECT_EQ(gb18030FromUtf16(std::u16string(1, char16_t(0xD800))), "\x84\x31\xA4\x37");
}

std::u16string utf16Of(char32_t cp) {
    if (cp < 0x10000) return std::u16string(1, static_cast<char16_t>(cp));
    return {static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF))};
}

TEST(Utf16Bridge, EditorLineBreaksBecomeCrLf) {
    EXPECT_EQ(gb18030FromUtf16(u"a\nb\r\nc\u2029d\re", true), "a\r\nb\r\nc\r\nd\re");
    EXPECT_EQ(gb18030FromUtf16(u"a\nb", false), "a\nb");
}

TEST(Utf16Bridge, EncodesEveryCharacterAsIconvDoes) {
    // The encoder's table and formula against iconv itself, for every code
    // point of the BMP and a spread of the higher planes. Code points iconv
    // refuses (private-use ones that GB18030 later gave standard
    // characters) become U+FFFD.
    Iconv reference("GB18030", "UTF-32LE");
    std::vector<char32_t> cps;
    for (char32_t cp = 1; cp < 0x10000; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF) cps.push_back(cp);
    for (char32_t cp = 0x10000; cp <= 0x10FFFF; cp += 97) cps.push_back(cp);
    for (char32_t cp : {0x20087, 0x20089, 0x200CC, 0x215D7, 0x2298F, 0x241FE}) cps.push_back(cp);
    int mismatches = 0;
    for (char32_t cp : cps) {
        std::string expected;
        bool refused = false;
        reference.convert(std::string_view(reinterpret_cast<const char*>(&cp), 4), expected,
                          [&](std::string_view, std::size_t, std::string&) {
                              refused = true;
                              return std::size_t{4};
                          });
        if (refused) expected = "\x84\x31\xA4\x37";
        if (gb18030FromUtf16(utf16Of(cp)) != expected && ++mismatches <= 5) ADD_FAILURE() << std::hex << static_cast<unsigned>(cp);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Codec, MalformedUtf8IsRefused) {
    std::size_t bad = 0;
    EXPECT_FALSE(utf8ToGb18030("ok\xFF", &bad));
    EXPECT_EQ(bad, 2u);
}

TEST(LineBreaks, LoneLineFeedsAndBack) {
    EXPECT_EQ(lfToCrLf("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(crLfToLf("a\r\nb\r\n"), "a\nb\n");
    EXPECT_TRUE(mostlyLfOnly("a\nb\nc\r\n"));
    EXPECT_FALSE(mostlyLfOnly("a\r\nb\r\nc\n"));
    EXPECT_FALSE(mostlyLfOnly("no breaks"));
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    EncodingChoice choice;
    Encoding encoding;
    bool bom;
    bool lfOnly;
    std::string text;  // GB18030
};

TEST(DecodeText, DetectsEncodingBomAndLineBreaks) {
    using folvane::testing::g;
    const DecodeCase cases[] = {
        {"utf-8 crlf", "中\r\n文", EncodingChoice::Auto, Encoding::Utf8, false, false, g("中\r\n文")},
        {"utf-8 lf", "中\n文\n", EncodingChoice::Auto, Encoding::Utf8, false, true, g("中\r\n文\r\n")},
        {"utf-8 bom", "\xEF\xBB\xBF" "a", EncodingChoice::Auto, Encoding::Utf8, true, true, "a"},
        {"gbk", "\xD6\xD0\r\n", EncodingChoice::Auto, Encoding::Gb18030, false, false, "\xD6\xD0\r\n"},
        {"gbk lf", "\xD6\xD0\n\xCE\xC4", EncodingChoice::Auto, Encoding::Gb18030, false, true,
         "\xD6\xD0\r\n\xCE\xC4"},
        {"utf-16le bom", std::string("\xFF\xFE\x2D\x4E\n\0", 6), EncodingChoice::Auto, Encoding::Utf16LE,
         true, true, g("中\r\n")},
        {"utf-16be bom", std::string("\xFE\xFF\x4E\x2D", 4), EncodingChoice::Auto, Encoding::Utf16BE, true,
         true, g("中")},
        {"forced gb18030 keeps lf", "\xE4\xB8\xAD\n", EncodingChoice::Gb18030, Encoding::Gb18030, false,
         false, "\xE4\xB8\xAD\n"},
        {"forced utf-8", "a\nb", EncodingChoice::Utf8, Encoding::Utf8, false, true, "a\r\nb"},
        {"empty", "", EncodingChoice::Auto, Encoding::Utf8, false, true, ""},
        {"gbk without breaks", "\xD6\xD0", EncodingChoice::Auto, Encoding::Gb18030, false, false, "\xD6\xD0"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto d = decodeText(c.bytes, c.choice, &error);
        ASSERT_TRUE(d) << c.name << ": " << error;
        EXPECT_EQ(d->format.encoding, c.encoding) << c.name;
        EXPECT_EQ(d->format.bom, c.bom) << c.name;
        EXPECT_EQ(d->format.lfOnly, c.lfOnly) << c.name;
        EXPECT_GB_EQ(d->text, c.text) << c.name;
        // Writing back in the same format gives the same bytes.
        EXPECT_EQ(encodeText(d->text, d->format), c.bytes) << c.name;
    }
}

TEST(DecodeText, ReportsBadInput) {
    std::string error;
    EXPECT_FALSE(decodeText("ab\xD6\xD0", EncodingChoice::Utf8, &error));
    EXPECT_EQ(error, "not valid UTF-8 at byte 2");
    EXPECT_FALSE(decodeText("\xFF\xFE\x41", EncodingChoice::Auto, &error));
    EXPECT_NE(error.find("UTF-16"), std::string::npos);
    EXPECT_FALSE(decodeText(std::string("\xFF\xFE\x00\xD8", 4), EncodingChoice::Auto, &error));  // lone surrogate
}

}  // namespace
}  // namespace folvane::text

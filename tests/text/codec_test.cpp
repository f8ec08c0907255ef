#include "text/codec.h"

#include <gtest/gtest.h>

#include "codec_reference.h"
#include "gbtext.h"
#include "random_text.h"
#include "text/gb18030.h"
#include "text/iconv.h"

namespace folvane::text {
namespace {

// Texts from this length on take the ways by tables.
constexpr std::size_t kLongTextForTests = 64 * 1024;

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
    // point of the BMP and a spread of the higher planes. The code points
    // iconv refuses are the private-use ones whose old codes now stand for
    // standard characters: they take the four-byte codes the codec gives
    // them for files too.
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
        if (refused) {
            std::string utf8;
            Iconv toUtf8("UTF-8", "UTF-32LE");
            toUtf8.convert(std::string_view(reinterpret_cast<const char*>(&cp), 4), utf8,
                           [](std::string_view, std::size_t, std::string&) { return std::size_t{4}; });
            const auto viaFile = utf8ToGb18030(utf8);
            ASSERT_TRUE(viaFile) << std::hex << static_cast<unsigned>(cp);
            ASSERT_EQ(viaFile->size(), 4u);
            expected = *viaFile;
        }
        if (gb18030FromUtf16(utf16Of(cp)) != expected && ++mismatches <= 5) ADD_FAILURE() << std::hex << static_cast<unsigned>(cp);
    }
    EXPECT_EQ(mismatches, 0);
}

// The 24 private-use characters iconv cannot encode, with the four-byte
// codes that the standard characters now holding their old two-byte codes
// left free.
struct FreedCase {
    char32_t cp;
    const char* utf8;
    std::string gb;
};
const FreedCase kFreed[] = {
    {0xE78D, "\uE78D", "\x84\x31\x82\x36"}, {0xE78E, "\uE78E", "\x84\x31\x82\x38"},
    {0xE78F, "\uE78F", "\x84\x31\x82\x37"}, {0xE790, "\uE790", "\x84\x31\x82\x39"},
    {0xE791, "\uE791", "\x84\x31\x83\x30"}, {0xE792, "\uE792", "\x84\x31\x83\x31"},
    {0xE793, "\uE793", "\x84\x31\x83\x32"}, {0xE794, "\uE794", "\x84\x31\x83\x33"},
    {0xE795, "\uE795", "\x84\x31\x83\x34"}, {0xE796, "\uE796", "\x84\x31\x83\x35"},
    {0xE816, "\uE816", "\x95\x32\x90\x31"}, {0xE817, "\uE817", "\x95\x32\x90\x33"},
    {0xE818, "\uE818", "\x95\x32\x97\x30"}, {0xE81E, "\uE81E", "\x82\x35\x90\x37"},
    {0xE826, "\uE826", "\x82\x35\x90\x38"}, {0xE82B, "\uE82B", "\x82\x35\x90\x39"},
    {0xE82C, "\uE82C", "\x82\x35\x91\x30"}, {0xE831, "\uE831", "\x95\x36\xB9\x37"},
    {0xE832, "\uE832", "\x82\x35\x91\x31"}, {0xE83B, "\uE83B", "\x96\x30\xBA\x35"},
    {0xE843, "\uE843", "\x82\x35\x91\x32"}, {0xE854, "\uE854", "\x82\x35\x91\x33"},
    {0xE855, "\uE855", "\x96\x35\xB6\x30"}, {0xE864, "\uE864", "\x82\x35\x91\x34"},
};

TEST(Codec, PrivateUseCharactersWithFreedCodesSurvive) {
    for (const auto& c : kFreed) {
        const std::string utf8 = std::string("a") + c.utf8 + "b";
        std::string error;
        const auto d = decodeText(utf8, EncodingChoice::Utf8, &error);
        ASSERT_TRUE(d) << std::hex << static_cast<unsigned>(c.cp) << ": " << error;
        EXPECT_EQ(d->text, "a" + c.gb + "b") << std::hex << static_cast<unsigned>(c.cp);
        EXPECT_EQ(encodeText(d->text, d->format), utf8) << std::hex << static_cast<unsigned>(c.cp);
        // The editor shows the character itself and gives back its code.
        EXPECT_EQ(gb18030ToUtf16(c.gb), std::u16string(1, static_cast<char16_t>(c.cp)));
        EXPECT_EQ(gb18030FromUtf16(std::u16string(1, static_cast<char16_t>(c.cp))), c.gb);
        // UTF-16 files as well.
        TextFormat utf16;
        utf16.encoding = Encoding::Utf16LE;
        utf16.bom = true;
        const std::string bytes = encodeText(c.gb, utf16);
        ASSERT_EQ(bytes.size(), 4u);
        EXPECT_EQ(static_cast<unsigned char>(bytes[2]) | (static_cast<unsigned char>(bytes[3]) << 8), c.cp);
        const auto back = decodeText(bytes, EncodingChoice::Auto);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->text, c.gb);
    }
    // The two-byte codes keep meaning the standard characters.
    EXPECT_EQ(gb18030ToUtf8("\xFE\x51"), "\U00020087");
    EXPECT_EQ(gb18030FromUtf16(u"\U00020087"), "\xFE\x51");
}

// Every shape of byte string: each byte alone, every pair, every four-byte
// code, and the cut-off forms of four-byte codes, each between line feeds.
TEST(Utf16Bridge, EveryByteStringShapeRoundTrips) {
    std::vector<std::string> texts(3);
    for (int a = 0; a < 256; ++a) {
        texts[0] += static_cast<char>(a);
        texts[0] += '\n';
        for (int b = 0; b < 256; ++b) {
            texts[1] += {static_cast<char>(a), static_cast<char>(b), '\n'};
            texts[1] += {'A', static_cast<char>(a), static_cast<char>(b), '\n'};
        }
    }
    for (int a = 0x81; a <= 0xFE; ++a)
        for (int b = 0x30; b <= 0x39; ++b)
            for (int c = 0x81; c <= 0xFE; ++c) {
                for (int d = 0x30; d <= 0x39; ++d)
                    texts[2] += {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d), '\n'};
                texts[2] += {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), '\n'};
                texts[2] += {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), 'x'};
            }
    for (const auto& t : texts) {
        const std::string back = gb18030FromUtf16(gb18030ToUtf16(t));
        ASSERT_EQ(back.size(), t.size());
        std::size_t firstDiff = 0;
        while (firstDiff < t.size() && back[firstDiff] == t[firstDiff]) ++firstDiff;
        EXPECT_EQ(firstDiff, t.size()) << folvane::testing::show(t.substr(firstDiff >= 4 ? firstDiff - 4 : 0, 12));
    }
    // The six four-byte codes that iconv decodes to characters whose
    // two-byte codes it prefers.
    for (const std::string code : {"\x95\x32\x90\x31", "\x95\x32\x90\x33", "\x95\x32\x97\x30", "\x95\x36\xB9\x37",
                                   "\x96\x30\xBA\x35", "\x96\x35\xB6\x30"})
        EXPECT_EQ(gb18030FromUtf16(gb18030ToUtf16(code)), code) << folvane::testing::show(code);
    // A four-byte code iconv does not know, whose last bytes begin such a
    // code: decoding must go on after it, not inside it.
    for (const std::string t : {"\x87\x30\x95\x32\x90\x31", "\x84\x31\xA5\x30\x82\x35\x90\x37"}) {
        EXPECT_EQ(gb18030FromUtf16(gb18030ToUtf16(t)), t) << folvane::testing::show(t);
        EXPECT_EQ(gb18030ToUtf8(t).substr(0, 4), t.substr(0, 4)) << folvane::testing::show(t);
    }
}

// The units with every "\r" before a "\n" taken out: an editor's line ends.
std::u16string withoutCrBeforeLf(const std::u16string& u) {
    std::u16string out;
    for (std::size_t i = 0; i < u.size(); ++i)
        if (!(u[i] == u'\r' && i + 1 < u.size() && u[i + 1] == u'\n')) out += u[i];
    return out;
}

// A long text is decoded by another way than a short one. It must give the
// units its short pieces give, cut where a character surely begins.
TEST(Utf16Bridge, LongTextsDecodeAsTheirShortPiecesDo) {
    std::vector<std::string> texts(3);
    for (int a = 0; a < 256; ++a)  // every pair, then each with a byte before it
        for (int b = 0; b < 256; ++b) texts[0] += {static_cast<char>(a), static_cast<char>(b), ' ', 'x', static_cast<char>(a), static_cast<char>(b)};
    unsigned seed = 11;
    const auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    while (texts[1].size() < 300000) texts[1] += static_cast<char>(next());  // any bytes
    // Mostly Chinese, with four-byte and freed codes, no-characters and line ends.
    const std::string kinds[] = {"\xD6\xD0", "\xCE\xC4", "\x95\x32\x90\x31", "\x82\x35\x90\x37", "\x81\x30\x81\x30",
                                 "\x90\x30\x81\x30", "\x80", "\xFF", "\xFE\x51", "\r\n", "a", "\x81"};
    while (texts[2].size() < 300000) texts[2] += kinds[next() % std::size(kinds)];
    for (const std::string& t : texts) {
        ASSERT_GT(t.size(), 200000u);
        std::u16string pieces;
        std::size_t start = 0;
        for (std::size_t i = 1; i <= t.size(); ++i) {
            const bool cut = i == t.size() || (i - start >= 1000 + next() % 30000 &&
                                               isStandaloneByte(static_cast<unsigned char>(t[i])));
            if (!cut) continue;
            pieces += gb18030ToUtf16(t.substr(start, i - start));
            start = i;
        }
        const std::u16string whole = gb18030ToUtf16(t);
        ASSERT_EQ(whole.size(), pieces.size());
        std::size_t diff = 0;
        while (diff < whole.size() && whole[diff] == pieces[diff]) ++diff;
        EXPECT_EQ(diff, whole.size());
        EXPECT_EQ(gb18030FromUtf16(whole), t);
        // The editor's line breaks in the same pass: as the units with
        // every "\r\n" made "\n" afterwards.
        EXPECT_TRUE(gb18030ToUtf16(t, true) == withoutCrBeforeLf(whole));
    }
    for (const std::string t : {"\r\n", "\r\r\n", "a\r", "\r", "\n\r\n", "\x80\r\n", "\r\x80\n", "\r\n\r\n\n",
                                "\xD6\xD0\r\n\x95\x32\x90\x31\r\n"}) {
        EXPECT_TRUE(gb18030ToUtf16(t, true) == withoutCrBeforeLf(gb18030ToUtf16(t))) << folvane::testing::show(t);
        EXPECT_TRUE(gb18030ToUtf16ByTable(t, true) == withoutCrBeforeLf(gb18030ToUtf16(t))) << folvane::testing::show(t);
    }
    // The table's way on short texts, at the edges of codes.
    for (const std::string t : {"", "\x81", "a\x81", "\x81\x30", "\x81\x30\x81", "\xD6\xD0\x80\xFF", "\x95\x32\x90\x31x",
                                "\x84\x31\xA5\x30\x82\x35\x90\x37", "\xFE\x51\xFE", "\x81\x7F\x81\x40"})
        EXPECT_EQ(gb18030ToUtf16ByTable(t), gb18030ToUtf16(t)) << folvane::testing::show(t);
}

// The UTF-8 ways by tables against the ways by iconv.

std::string utf8Of(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
    } else if (cp < 0x10000) {
        s += {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
              static_cast<char>(0x80 | (cp & 0x3F))};
    } else {
        s += {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
              static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
    }
    return s;
}

TEST(Utf8Tables, EncodeEveryCharacterAsIconvDoes) {
    // Every scalar value, in runs of 512 mixed with ASCII and line feeds;
    // a run that differs is looked at character by character.
    int mismatches = 0;
    for (char32_t first = 1; first <= 0x10FFFF; first += 512) {
        std::string run;
        for (char32_t cp = first; cp < first + 512 && cp <= 0x10FFFF; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF) continue;
            run += utf8Of(cp);
            if (cp % 7 == 0) run += cp % 14 ? "a\n" : "\r\n";
        }
        const auto table = utf8ToGb18030ByTable(run);
        const auto reference = utf8ToGb18030ByIconv(run);
        ASSERT_TRUE(reference) << std::hex << static_cast<unsigned>(first);
        if (table == reference) continue;
        for (char32_t cp = first; cp < first + 512 && cp <= 0x10FFFF; ++cp)
            if ((cp < 0xD800 || cp > 0xDFFF) && utf8ToGb18030ByTable(utf8Of(cp)) != utf8ToGb18030ByIconv(utf8Of(cp)) &&
                ++mismatches <= 5)
                ADD_FAILURE() << std::hex << static_cast<unsigned>(cp);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Utf8Tables, MalformedUtf8IsDeclinedAndReportedAsBefore) {
    const std::string malformed[] = {
        "\x80",          "\xBF",         "\xC0\x80",     "\xC1\xBF",         "\xC2",     "\xC2\x41",
        "\xE0\x80\x80",  "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF",     "\xE4\xB8", "\xE4\x41\x80",
        "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF0\x9F\x98", "\xFF",
    };
    const std::string longText(kLongTextForTests, 'a');
    for (const std::string& m : malformed) {
        for (const std::string& t : {m, "\xE4\xB8\xAD" + m, m + "\xE4\xB8\xAD", longText + "\xE4\xB8\xAD" + m + "x"}) {
            EXPECT_FALSE(utf8ToGb18030ByTable(t)) << folvane::testing::show(t);
            std::size_t bad = 0, badByIconv = 1;
            EXPECT_FALSE(utf8ToGb18030(t, &bad));
            EXPECT_FALSE(utf8ToGb18030ByIconv(t, &badByIconv));
            EXPECT_EQ(bad, badByIconv) << folvane::testing::show(t);
        }
    }
}

TEST(Utf8Tables, DecodeGb18030AsIconvDoes) {
    // Every two-byte code shape, each also before a byte that cuts it; then
    // mixtures of every kind of code, no-characters and line ends.
    std::vector<std::string> texts(3);
    for (int a = 0x80; a < 256; ++a)
        for (int b = 0; b < 256; ++b) texts[0] += {static_cast<char>(a), static_cast<char>(b), '\r', '\n', static_cast<char>(a)};
    folvane::testing::RandomText random(23);
    texts[1] = random.bytes(200000);
    const std::vector<std::string> kinds = folvane::testing::withBoundaryBytes(
        {"\xD6\xD0", "\xCE\xC4", "\x95\x32\x90\x31", "\x82\x35\x90\x37", "\x81\x30\x81\x30", "\x90\x30\x81\x30",
         "\x84\x31\xA5\x30", "\xFE\x51", "\xA1\xA1", "\r\n", "\n", "\r", "abcdefgh"});
    while (texts[2].size() < 200000) texts[2] += random.pieces(kinds, 50);
    for (const std::string& t : texts) {
        EXPECT_EQ(gb18030ToUtf8ByTable(t), gb18030ToUtf8ByIconv(t));
        for (std::size_t n : {1u, 2u, 3u, 5u, 4097u})
            EXPECT_EQ(gb18030ToUtf8ByTable(t.substr(t.size() - n)), gb18030ToUtf8ByIconv(t.substr(t.size() - n)));
    }
}

// Long UTF-8 files are read and written by tables in one pass with their
// line breaks; every shape of breaks gives what the step-by-step way gives.
TEST(Utf8Tables, LongFilesReadAndWriteAsStepByStep) {
    const std::string filler = "中文，English 𠀀 € \uE78D\uE816 😀 ";
    struct Shape {
        const char* name;
        std::vector<std::string> breaks;  // used in turn after each filler
    };
    const Shape shapes[] = {
        {"lf", {"\n"}},
        {"crlf", {"\r\n"}},
        {"mostly lf", {"\n", "\n", "\r\n"}},
        {"mostly crlf", {"\r\n", "\r\n", "\n"}},
        {"even", {"\n", "\r\n"}},
        {"none", {""}},
        {"cr", {"\r", "\n"}},
        {"cr crlf", {"\r\r\n", "\n\n"}},
    };
    for (const Shape& shape : shapes) {
        for (const bool leadingBreak : {false, true}) {
            std::string body = leadingBreak ? shape.breaks[0] : "";
            for (std::size_t i = 0; body.size() < kLongTextForTests + 5000; ++i)
                body += filler + shape.breaks[i % shape.breaks.size()];
            SCOPED_TRACE(shape.name);
            const auto expected = folvane::testing::referenceDecodeUtf8(body);
            ASSERT_TRUE(expected);
            for (const EncodingChoice choice : {EncodingChoice::Auto, EncodingChoice::Utf8}) {
                const auto d = decodeText(body, choice);
                ASSERT_TRUE(d);
                EXPECT_TRUE(d->text == expected->text);
                EXPECT_EQ(d->format.encoding, Encoding::Utf8);
                EXPECT_EQ(d->format.lfOnly, expected->format.lfOnly);
                EXPECT_EQ(d->format.lineBreaks, expected->format.lineBreaks);
                EXPECT_EQ(d->format.crLfBreaks, expected->format.crLfBreaks);
                EXPECT_TRUE(encodeText(d->text, d->format) == body);
                // A changed text: one break fewer, so every break is "\n".
                std::string changed = d->text;
                if (const std::size_t p = changed.find("\r\n"); p != std::string::npos) changed.erase(p, 2);
                EXPECT_TRUE(encodeText(changed, d->format) == folvane::testing::referenceEncodeUtf8(changed, d->format));
            }
            const auto withBom = decodeText("\xEF\xBB\xBF" + body, EncodingChoice::Auto);
            ASSERT_TRUE(withBom);
            EXPECT_TRUE(withBom->format.bom);
            EXPECT_TRUE(withBom->text == expected->text);
            EXPECT_TRUE(encodeText(withBom->text, withBom->format) == "\xEF\xBB\xBF" + body);
        }
    }
}

// Files long enough for the way in to give back the memory of the bytes it
// has converted: a fault near the end still finds the whole file as it was
// read (the same message, the stray bytes kept), and a sound file reads as
// the step-by-step way reads it.
TEST(Utf8Tables, VeryLongFilesKeepTheirBytesForTheLongWay) {
    const std::string filler = "中文，English 𠀀 € \uE000 😀 ";
    struct Case {
        const char* name;
        const char* lineBreak;
        std::string bom;
        std::string head;       // before some nine megabytes of filler
        std::string tail;       // after them
        EncodingChoice choice;
        std::string message;    // "": read; "%": the offset of the tail
    };
    const Case cases[] = {
        {"sound lf", "\n", "", "", "end", EncodingChoice::Utf8, ""},
        {"sound crlf", "\r\n", "\xEF\xBB\xBF", "", "end", EncodingChoice::Auto, ""},
        {"sound without breaks", "", "", "", "end", EncodingChoice::Auto, ""},
        {"bad byte", "\n", "", "", "\xC0\x80", EncodingChoice::Utf8, "not valid UTF-8 at byte %"},
        {"bad byte after a mark", "\r\n", "\xEF\xBB\xBF", "", "\xFF", EncodingChoice::Utf8, "not valid UTF-8 at byte %"},
        {"bad byte after private-use and compatibility forms", "\n", "", "\uE78D\uFE10", "\xED\xA0\x80", EncodingChoice::Utf8,
         "not valid UTF-8 at byte %"},
        {"stray byte", "\n", "", "", "\xA1 end", EncodingChoice::Auto, ""},
        {"stray byte after a private-use form", "\n", "", "\uE78D", "\xA1 end", EncodingChoice::Auto, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string body = c.head;
        while (body.size() < (std::size_t{9} << 20)) body += filler + c.lineBreak;
        const std::size_t tailAt = c.bom.size() + body.size();
        body += c.tail;
        const std::string file = c.bom + body;
        std::string error;
        const auto d = decodeTakingBytes(std::string(file), c.choice, &error);
        if (!c.message.empty()) {
            std::string expected = c.message;
            expected.replace(expected.find('%'), 1, std::to_string(tailAt));
            EXPECT_FALSE(d);
            EXPECT_EQ(error, expected);
            continue;
        }
        ASSERT_TRUE(d) << error;
        EXPECT_TRUE(encodeText(d->text, d->format) == file);
        if (c.tail == "end") {
            const auto expected = folvane::testing::referenceDecodeUtf8(body);
            ASSERT_TRUE(expected);
            EXPECT_TRUE(d->text == expected->text);
            EXPECT_EQ(d->format.crLfBreaks, expected->format.crLfBreaks);
        }
    }
}

TEST(Utf8Tables, LongGb18030TextsWriteAsStepByStep) {
    // Core texts with bytes that are no character next to the line breaks.
    folvane::testing::RandomText random(5);
    const std::vector<std::string> kinds = folvane::testing::withBoundaryBytes(
        {"\xD6\xD0\xCE\xC4", "\r\n", "\r\n", "\r", "\n", "\x95\x32\x90\x31", "plain text "});
    std::string text;
    while (text.size() < kLongTextForTests * 2) text += random.pieces(kinds, 40);
    TextFormat lf;
    lf.encoding = Encoding::Utf8;
    lf.lfOnly = true;
    TextFormat own = lf;  // the file's own breaks: every third was "\r\n"
    for (std::size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p + 2)) {
        if (own.lineBreaks % 3 == 0) own.crLfBreaks.push_back(own.lineBreaks);
        ++own.lineBreaks;
    }
    TextFormat crlf;
    crlf.encoding = Encoding::Utf8;
    for (const TextFormat& f : {lf, own, crlf})
        EXPECT_TRUE(encodeText(text, f) == folvane::testing::referenceEncodeUtf8(text, f));
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
        // Texts valid both ways: the reading that gives Chinese wins.
        {"gbk 同学, also utf-8", "\xCD\xAC\xD1\xA7\r\n", EncodingChoice::Auto, Encoding::Gb18030, false, false,
         "\xCD\xAC\xD1\xA7\r\n"},
        {"gbk 学习, also utf-8", "\xD1\xA7\xCF\xB0", EncodingChoice::Auto, Encoding::Gb18030, false, false,
         "\xD1\xA7\xCF\xB0"},
        {"utf-8 中文, also gbk", "\xE4\xB8\xAD\xE6\x96\x87\r\n", EncodingChoice::Auto, Encoding::Utf8, false, false,
         g("中文\r\n")},
        {"utf-8 cyrillic, also gbk", "Привет\r\n", EncodingChoice::Auto, Encoding::Utf8, false, false,
         g("Привет\r\n")},
        {"utf-8 latin, also gbk", "café\r\n", EncodingChoice::Auto, Encoding::Utf8, false, false, g("café\r\n")},
        {"utf-8 combining mark", "e\xCC\x81\r\n", EncodingChoice::Auto, Encoding::Utf8, false, false,
         g("e\xCC\x81\r\n")},
        {"utf-8 forced keeps 同学's bytes as utf-8", "\xCD\xAC\xD1\xA7", EncodingChoice::Utf8, Encoding::Utf8, false,
         true, g("\xCD\xAC\xD1\xA7")},
        // No byte-order mark: UTF-16 by its zero bytes, UTF-8 by its characters.
        {"utf-16le without bom", std::string("\x00\x30\x00\x30\x2D\x4E\r\0\n\0", 10), EncodingChoice::Auto,
         Encoding::Utf16LE, false, false, g("　　中\r\n")},
        {"utf-16be without bom", std::string("\0h\0i\0\n", 6), EncodingChoice::Auto, Encoding::Utf16BE, false, true,
         "hi\r\n"},
        {"utf-8 armenian, also gbk", "Բարեւ ձեզ\r\n", EncodingChoice::Auto, Encoding::Utf8, false, false,
         g("Բարեւ ձեզ\r\n")},
        {"utf-8 with one stray byte", "中文\xFF内容\r\n", EncodingChoice::Auto, Encoding::Utf8, false, false,
         g("中文") + "\xFE\x39\x8D\x37" + g("内容\r\n")},
        {"utf-8 with a stray lead byte before a letter", "中文\xC3" "a字", EncodingChoice::Auto, Encoding::Utf8, false,
         true, g("中文") + "\xFE\x39\x87\x37" + g("a字")},
        // Mostly "\n" with some "\r\n": each break comes back as it was.
        {"mixed breaks", "a\nb\r\nc\nd\n", EncodingChoice::Auto, Encoding::Utf8, false, true, "a\r\nb\r\nc\r\nd\r\n"},
        {"mixed breaks gbk", "\xD6\xD0\r\n\n\n\r\n\n", EncodingChoice::Auto, Encoding::Gb18030, false, true,
         "\xD6\xD0\r\n\r\n\r\n\r\n\r\n"},
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
    // Offsets are those of the file, byte-order mark included.
    EXPECT_FALSE(decodeText(std::string("\xFF\xFE\x00\xD8", 4), EncodingChoice::Auto, &error));  // lone surrogate
    EXPECT_EQ(error, "invalid UTF-16 at byte 2");
    EXPECT_FALSE(decodeText(std::string("\xFE\xFF\x00\x41\xDC\x00", 6), EncodingChoice::Auto, &error));
    EXPECT_EQ(error, "invalid UTF-16 at byte 4");
    EXPECT_FALSE(decodeText("\xEF\xBB\xBF" "ab\xFF", EncodingChoice::Auto, &error));
    EXPECT_EQ(error, "not valid UTF-8 at byte 5");
    // Neither reading is sound: UTF-8 characters, but too many stray bytes.
    EXPECT_FALSE(decodeText("中文字\xFF\xFE", EncodingChoice::Auto, &error));
    EXPECT_NE(error.find("mixed encodings"), std::string::npos) << error;
}

// What a step adds to a text read from a damaged UTF-8 file is written in
// UTF-8, not as GB18030 bytes among UTF-8 ones.
TEST(DecodeText, AddedTextTakesTheEncodingOfAFileWithStrayBytes) {
    using folvane::testing::g;
    const auto d = decodeText("中\xFF文", EncodingChoice::Auto);
    ASSERT_TRUE(d);
    EXPECT_EQ(encodeText(g("　　") + d->text, d->format), "　　中\xFF文");
    TextFormat utf16 = d->format;
    utf16.encoding = Encoding::Utf16LE;
    EXPECT_EQ(encodeText(d->text, utf16), std::string("\x2D\x4E\xFD\xFF\x87\x65", 6));  // the stray byte: U+FFFD
}

TEST(DecodeText, MixedBreaksFallBackToLineFeedsWhenTheLinesChange) {
    const auto d = decodeText("a\nb\r\nc\n", EncodingChoice::Utf8);
    ASSERT_TRUE(d);
    EXPECT_EQ(encodeText("A\r\nB\r\nC\r\n", d->format), "A\nB\r\nC\n");  // same lines, other text
    EXPECT_EQ(encodeText("a\r\nb\r\n", d->format), "a\nb\n");             // a line less
    EXPECT_EQ(encodeText("a\r\nb\r\nc\r\nd", d->format), "a\nb\r\nc\nd");
}

TEST(DecodeText, TakingTheBytesGivesTheSameResult) {
    for (const std::string bytes : {"a\nb", "\xD6\xD0\n", "\xEF\xBB\xBFx\r\n", ""}) {
        std::string owned = bytes;
        const auto a = decodeTakingBytes(std::move(owned), EncodingChoice::Auto);
        const auto b = decodeText(bytes, EncodingChoice::Auto);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->text, b->text);
        EXPECT_EQ(encodeText(a->text, a->format), bytes);
    }
}

TEST(EncodeText, LongTextsArriveInPiecesThatJoinToTheWhole) {
    std::string text;
    for (int i = 0; text.size() < 3u << 20; ++i) text += "\xD6\xD0line " + std::to_string(i) + "\r\n";
    TextFormat utf8;
    utf8.encoding = Encoding::Utf8;
    utf8.lfOnly = true;
    std::string joined;
    int pieces = 0;
    encodeTextTo(text, utf8, [&](std::string_view p) {
        joined += p;
        ++pieces;
    });
    EXPECT_GT(pieces, 2);
    EXPECT_EQ(joined, gb18030ToUtf8(crLfToLf(text)));
}

}  // namespace
}  // namespace folvane::text

#include "corrections/signature.h"

#include <gtest/gtest.h>

#include "gbtext.h"

namespace folvane::corrections {
namespace {

using folvane::testing::g;

struct RemovalCase {
    const char* name;
    std::string lastHead;
    std::string lastTail;
    std::string article;
    std::string expected;
};

TEST(RemoveSignatures, OnlyExactSignaturesOfTheLastRun) {
    const RemovalCase cases[] = {
        {"head with its break", "H", "", "H\r\nbody", "body"},
        {"tail keeps its break", "", "T", "body\r\nT", "body\r\n"},
        {"both", g("首"), g("尾"), g("首\r\n正文\r\n尾"), g("正文\r\n")},
        {"edited head stays", "H", "", "h\r\nbody", "h\r\nbody"},
        {"empty records remove nothing", "", "", "body", "body"},
        {"head not followed by a break: the text after it is kept", "H", "", g("H正文"), g("正文")},
        {"head at end of text", "H", "", "H", ""},
        {"head ending inside a character is no match", "\xB0", "", "\xB0\xA1x", "\xB0\xA1x"},
        {"tail starting inside a character is no match", "", "\xA1x", "\xB0\xA1x", "\xB0\xA1x"},
        {"whole text is the tail", "", "T", "T", ""},
    };
    for (const auto& c : cases) {
        SignatureContext ctx;
        ctx.lastHeadSignature = c.lastHead;
        ctx.lastTailSignature = c.lastTail;
        std::string a = c.article;
        removeSignatures(a, ctx);
        EXPECT_GB_EQ(a, c.expected) << c.name;
    }
}

TEST(InsertSignatures, ExpandsTemplatesAndRemembersThem) {
    SignatureContext ctx;
    ctx.headSignatureTemplate = g("第一行\r\n#YYYY");
    ctx.tailSignatureTemplate = "";
    ctx.lastTailSignature = "old";
    std::string a = "x";
    insertSignatures(a, ctx, [] { return DateTime{2009, 5, 5, 23, 50, 4}; });
    EXPECT_GB_EQ(a, g("第一行\r\n2009\r\nx"));
    EXPECT_GB_EQ(ctx.lastHeadSignature, g("第一行\r\n2009"));
    EXPECT_EQ(ctx.lastTailSignature, "old");  // an empty template leaves the record alone
}

TEST(InsertSignatures, WhichSignaturesAreAdded) {
    struct InsertCase {
        const char* name;
        std::string head, tail, expected;
    };
    const InsertCase cases[] = {
        {"only a tail", "", "T #HH", "x\r\nT 23"},
        {"only a head", "H", "", "H\r\nx"},
        {"no tokens: as typed", "plain", "end", "plain\r\nx\r\nend"},
        {"several lines", "a\r\nb", "c\r\nd", "a\r\nb\r\nx\r\nc\r\nd"},
        {"neither", "", "", "x"},
    };
    for (const auto& c : cases) {
        SignatureContext ctx;
        ctx.headSignatureTemplate = c.head;
        ctx.tailSignatureTemplate = c.tail;
        std::string a = "x";
        insertSignatures(a, ctx, [] { return DateTime{2009, 5, 5, 23, 50, 4}; });
        EXPECT_GB_EQ(a, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace folvane::corrections

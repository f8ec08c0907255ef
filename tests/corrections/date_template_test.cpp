#include "corrections/date_template.h"

#include <gtest/gtest.h>

#include "gbtext.h"

namespace folvane::corrections {
namespace {

using folvane::testing::g;

Clock at(DateTime d) {
    return [d] { return d; };
}

struct TemplateCase {
    const char* tmpl;  // UTF-8
    DateTime when;
    const char* expected;
};

TEST(ExpandDateTemplates, TokensAndTheirForms) {
    const TemplateCase cases[] = {
        {"#YYYY-#MM-#DD", {2000, 1, 2, 0, 0, 0}, "2000-01-02"},
        {"#HH:#II", {2000, 1, 2, 9, 5, 0}, "09:05"},
        {"#YYYY年#MM月#DD日 #HH:#II:#SS", {2000, 1, 2, 13, 20, 59}, "2000年01月02日 13:20:59"},
        {"#YYYY.#MM.#DD", {2024, 12, 31, 0, 0, 0}, "2024.12.31"},
        {"#yyyy #mm", {2000, 1, 1, 0, 0, 0}, "#yyyy #mm"},  // tokens are case-sensitive
        {"无模板", {2000, 1, 1, 0, 0, 0}, "无模板"},
        {"#MM#MM#MMM", {2000, 7, 1, 0, 0, 0}, "070707M"},
        {"#YYYYY", {999, 1, 1, 0, 0, 0}, "999Y"},  // year without leading zeros
        {"##HH", {2000, 1, 1, 0, 0, 0}, "#00"},
        {"", {2000, 1, 1, 0, 0, 0}, ""},
    };
    for (const auto& c : cases)
        EXPECT_GB_EQ(expandDateTemplates(g(c.tmpl), at(c.when)), g(c.expected)) << c.tmpl;
}

TEST(ExpandDateTemplates, ReadsTheClockOncePerKindOfToken) {
    int reads = 0;
    Clock counting = [&] {
        ++reads;
        return DateTime{2000, 1, 1, reads, 0, 0};
    };
    // #YYYY is read first, #HH second: the hour shows the second reading.
    EXPECT_EQ(expandDateTemplates("#YYYY #HH #HH", counting), "2000 02 02");
    EXPECT_EQ(reads, 2);
}

TEST(ParseDateTime, AcceptsOnlyTheFullForm) {
    DateTime d;
    ASSERT_TRUE(parseDateTime("2000-01-02 13:20:59", d));
    EXPECT_EQ(d.year, 2000);
    EXPECT_EQ(d.day, 2);
    EXPECT_EQ(d.second, 59);
    for (const char* bad : {"", "2000-01-02", "2000-13-02 00:00:00", "2000-01-02T00:00:00",
                            "2000-01-02 24:00:00", "abcd-01-02 00:00:00", "2000-01-02 00:00:0x"})
        EXPECT_FALSE(parseDateTime(bad, d)) << bad;
}

TEST(ParseDateTime, OnlyDaysThatExist) {
    struct Case {
        const char* text;
        bool valid;
    };
    const Case cases[] = {
        {"2024-02-29 00:00:00", true},  {"2024-02-30 00:00:00", false}, {"2023-02-29 00:00:00", false},
        {"1900-02-29 00:00:00", false}, {"2000-02-29 00:00:00", true},  {"2024-04-31 00:00:00", false},
        {"2024-04-30 23:59:59", true},  {"2024-12-31 00:00:00", true},  {"2024-06-00 00:00:00", false},
        {"2024-11-31 00:00:00", false}, {"2024-01-31 00:00:00", true},
    };
    for (const auto& c : cases) {
        DateTime d;
        EXPECT_EQ(parseDateTime(c.text, d), c.valid) << c.text;
    }
}

}  // namespace
}  // namespace folvane::corrections

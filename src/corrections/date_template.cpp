#include "corrections/date_template.h"

#include <charconv>
#include <ctime>

#include "text/search.h"

namespace folvane::corrections {
namespace {

// "0" in front of the number's decimal text, of which the last two characters are kept.
std::string twoDigits(int v) {
    const std::string s = "0" + std::to_string(v);
    return s.substr(s.size() - 2);
}

bool readInt(std::string_view s, int& out) {
    if (s.empty()) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

}  // namespace

DateTime localNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool isValidDate(int year, int month, int day) {
    if (month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool parseDateTime(std::string_view text, DateTime& out) {
    // YYYY-MM-DD HH:MM:SS
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return false;
    DateTime d;
    if (!readInt(text.substr(0, 4), d.year) || !readInt(text.substr(5, 2), d.month) ||
        !readInt(text.substr(8, 2), d.day) || !readInt(text.substr(11, 2), d.hour) ||
        !readInt(text.substr(14, 2), d.minute) || !readInt(text.substr(17, 2), d.second))
        return false;
    if (!isValidDate(d.year, d.month, d.day) || d.hour > 23 || d.minute > 59 || d.second > 60) return false;
    out = d;
    return true;
}

std::string expandDateTemplates(std::string_view tmpl, const Clock& clock) {
    std::string s(tmpl);
    struct Token {
        std::string_view text;
        std::string (*format)(const DateTime&);
    };
    static constexpr Token kTokens[] = {
        {"#YYYY", [](const DateTime& d) { return std::to_string(d.year); }},
        {"#MM", [](const DateTime& d) { return twoDigits(d.month); }},
        {"#DD", [](const DateTime& d) { return twoDigits(d.day); }},
        {"#HH", [](const DateTime& d) { return twoDigits(d.hour); }},
        {"#II", [](const DateTime& d) { return twoDigits(d.minute); }},
        {"#SS", [](const DateTime& d) { return twoDigits(d.second); }},
    };
    for (const Token& t : kTokens) {
        if (!text::containsAligned(s, t.text)) continue;
        const DateTime now = clock ? clock() : localNow();
        text::replaceAllInPlace(s, t.text, t.format(now));
    }
    return s;
}

}  // namespace folvane::corrections

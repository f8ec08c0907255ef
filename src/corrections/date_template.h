// Date and time templates of the signatures ("#YYYY-#MM-#DD", "#HH:#II", ...).
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace folvane::corrections {

struct DateTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Source of the local date and time; injectable so that tests and the
// command line's --now are deterministic.
using Clock = std::function<DateTime()>;

// The local date and time of this moment.
DateTime localNow();

// True when the day exists in that month of the Gregorian calendar.
bool isValidDate(int year, int month, int day);

// Parses "YYYY-MM-DD HH:MM:SS"; false when the text is not such a time or
// names a day that does not exist (2024-02-30).
bool parseDateTime(std::string_view text, DateTime& out);

// A copy of `tmpl` with "#YYYY", "#MM", "#DD", "#HH", "#II" and "#SS" replaced
// (in this order, every occurrence, case-sensitive). The clock is read anew
// for each kind of token, as a template may straddle a tick of the clock.
std::string expandDateTemplates(std::string_view tmpl, const Clock& clock);

}  // namespace folvane::corrections

// GetWeekDate (see week_date.h). Day numbers are 64-bit: a year of the script's choosing
// may be as large as an int holds.
#include "system/week_date.h"

#include "host/results.h"

namespace qv::system {

int32_t week_date(int32_t year, int32_t month, int32_t day, int32_t check_only) {
    static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int32_t error = check_only ? -1 : host::kErrRange;
    if (year < 1800 || month < 1 || month > 12 || day < 1) return error;
    const bool leap = year % 4000 != 0 && (year % 400 == 0 || (year % 4 == 0 && year % 100 != 0));
    if (day > kDays[month - 1] + (month == 2 && leap)) return error;
    if (check_only) return 0;
    const int64_t y = int64_t(year) - 1;
    int64_t d = 365 * y + y / 4 - y / 100 + y / 400 - y / 4000 + day + (month >= 3 && leap);
    for (int32_t m = 1; m < month; ++m) d += kDays[m - 1];
    return host::status(int32_t(d % 7 + 1));
}

}  // namespace qv::system

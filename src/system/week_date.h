// GetWeekDate: the day of the week of a date of the Gregorian calendar with the 4000-year
// rule (1 Sunday to 7 Saturday), or whether the date exists.
#pragma once

#include <cstdint>

namespace qv::system {

// -(weekday); with `check_only`, 0 for a valid date. An invalid one (a year before 1800, a
// month outside 1 to 12, a day outside the month) gives 3, or -1 with `check_only`.
int32_t week_date(int32_t year, int32_t month, int32_t day, int32_t check_only);

}  // namespace qv::system

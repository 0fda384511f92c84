#include "platform/clock/clock.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <utility>

namespace wallclock {

namespace {

// Days from 1 January 1970 to the given proleptic Gregorian date; exact for
// any year, so the date part never depends on the C library's time range.
constexpr std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Day 0 of the date-time encoding.
constexpr std::int64_t epochDay = daysFromCivil(1899, 12, 30);
static_assert(daysFromCivil(1970, 1, 1) == 0);
static_assert(daysFromCivil(2000, 3, 1) - epochDay == 36586);

// A day count holds a time of day only to about 1e-11 days, so a difference
// of whole seconds can come out a hair below the whole number; these few
// microseconds lift it back before truncating.
constexpr double roundingTerm = 5.787037037037037e-6;

std::function<double()>& testSource()
{
    static std::function<double()> source;
    return source;
}

} // namespace

double fromLocal(int year, int month, int day, int hour, int minute, int second)
{
    const auto days = static_cast<double>(daysFromCivil(year, month, day) - epochDay);
    const int secondsOfDay = hour * 3600 + minute * 60 + second;
    return days + secondsOfDay / 86400.0;
}

double now()
{
    if (const auto& source = testSource())
        return source();
    const std::time_t seconds = std::time(nullptr);
    std::tm local {};
    if (!localtime_r(&seconds, &local))
        return 0.0;
    return fromLocal(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                     local.tm_sec);
}

std::int32_t diffSeconds(double end, double start)
{
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    const double seconds = std::trunc((end - start) * 86400.0 + roundingTerm);
    // NaN gives the lowest value, as the processor's own conversion does.
    if (std::isnan(seconds) || seconds <= lowest)
        return lowest;
    if (seconds >= highest)
        return highest;
    return static_cast<std::int32_t>(seconds);
}

void setSourceForTesting(std::function<double()> source) { testSource() = std::move(source); }

} // namespace wallclock

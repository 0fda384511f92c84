#pragma once

#include <cstdint>
#include <functional>

namespace wallclock {

// Local date-time as days since 30 December 1899 00:00, the time of day as
// the fraction, at whole-second resolution.
double now();

// Whole seconds from start to end, both date-times, truncated toward zero.
std::int32_t diffSeconds(double end, double start);

// Makes now() return what the function gives; an empty function restores the
// system clock. For tests.
void setSourceForTesting(std::function<double()> source);

// The date-time of a local calendar date and time of day.
double fromLocal(int year, int month, int day, int hour, int minute, int second);

} // namespace wallclock

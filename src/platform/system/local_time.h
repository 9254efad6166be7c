// The calendar fields of a moment in the machine's local time zone (thread-safe).
#pragma once

#include <chrono>
#include <ctime>

namespace kovra {

std::tm localCalendarTime(std::chrono::system_clock::time_point moment);

}  // namespace kovra

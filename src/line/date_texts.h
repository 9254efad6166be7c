// Date and time texts of line events, in the local time zone: the short date
// "dd/mm/yyyy" and the long time "hh:mm:ss". Any thread.
#pragma once

#include <string>

#include "platform/event_loop.h"

namespace kovra::line {

// "09/12/2026" for 9 December 2026.
std::string shortDateText(TimePoint t);
// "14:05:09".
std::string longTimeText(TimePoint t);
// "14h05m09s": the time part of a recording file name.
std::string fileTimeText(TimePoint t);

}  // namespace kovra::line

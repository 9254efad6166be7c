#include "line/date_texts.h"

#include <cstdio>
#include <ctime>

#include "platform/system/local_time.h"

namespace kovra::line {
namespace {

std::tm localParts(TimePoint t) {
    return localCalendarTime(t);
}

}  // namespace

std::string shortDateText(TimePoint t) {
    const std::tm p = localParts(t);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", p.tm_mday, p.tm_mon + 1, p.tm_year + 1900);
    return text;
}

std::string longTimeText(TimePoint t) {
    const std::tm p = localParts(t);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", p.tm_hour, p.tm_min, p.tm_sec);
    return text;
}

std::string fileTimeText(TimePoint t) {
    const std::tm p = localParts(t);
    char text[32];
    std::snprintf(text, sizeof text, "%02dh%02dm%02ds", p.tm_hour, p.tm_min, p.tm_sec);
    return text;
}

}  // namespace kovra::line

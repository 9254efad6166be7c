#include "line/date_texts.h"

#include <cstdio>
#include <ctime>

namespace kovra::line {
namespace {

std::tm localParts(TimePoint t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    return parts;
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

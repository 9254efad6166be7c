#include "platform/log.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>

#include "platform/system/local_time.h"

namespace kovra {

namespace {

// The log is the process's one shared sink; it lives for the whole run.
struct LogSink {
    std::mutex mutex;
    std::ofstream file;
    LogLevel minLevel = [] {
        const char* env = std::getenv("KOVRA_LOG");
        return env != nullptr && std::string_view(env) == "debug" ? LogLevel::Debug
                                                                  : LogLevel::Info;
    }();
};

LogSink& sink() {
    static LogSink instance;
    return instance;
}

const char* levelName(LogLevel level) {
    switch (level) {
        case LogLevel::Debug:
            return "debug";
        case LogLevel::Info:
            return "info";
        case LogLevel::Warning:
            return "warning";
        case LogLevel::Error:
            return "error";
    }
    return "?";
}

}  // namespace

void logLine(LogLevel level, std::string_view text) {
    LogSink& s = sink();
    const std::lock_guard lock(s.mutex);
    if (level < s.minLevel) {
        return;
    }
    const auto now = std::chrono::system_clock::now();
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    const std::tm local = localCalendarTime(now);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%s.%03d %s: ", stamp, static_cast<int>(millis),
                  levelName(level));
    std::string line = prefix;
    line += escapeControl(text);
    line += '\n';
    std::fputs(line.c_str(), stderr);
    if (s.file.is_open()) {
        s.file << line;
        s.file.flush();
    }
}

std::string escapeControl(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

bool setLogFile(const std::filesystem::path& path) {
    LogSink& s = sink();
    const std::lock_guard lock(s.mutex);
    if (path.empty()) {
        s.file.close();
        return true;
    }
    std::ofstream file(path, std::ios::app);
    if (!file) {
        return false;
    }
    s.file = std::move(file);
    return true;
}

void setLogLevel(LogLevel level) {
    LogSink& s = sink();
    const std::lock_guard lock(s.mutex);
    s.minLevel = level;
}

}  // namespace kovra

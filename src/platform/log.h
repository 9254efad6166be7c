// The program's diagnostic log: one line per entry, to standard error and, once the
// application has named it, to the log file beside the executable. Safe from any thread.
#pragma once

#include <filesystem>
#include <string_view>

namespace kovra {

enum class LogLevel { Debug, Info, Warning, Error };

void logLine(LogLevel level, std::string_view text);

// Also append every entry to path (empty path: standard error only). Returns false,
// leaving the previous target, when the file cannot be opened for appending.
bool setLogFile(const std::filesystem::path& path);

// Entries below this level are dropped (default Info; KOVRA_LOG=debug lowers it).
void setLogLevel(LogLevel level);

}  // namespace kovra

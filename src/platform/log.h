// The program's diagnostic log: one line per entry, to standard error and, once the
// application has named it, to the log file beside the executable. Safe from any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kovra {

enum class LogLevel { Debug, Info, Warning, Error };

// Control characters in text (received from the network, read from files) are written
// escaped, as by escapeControl: an entry is always one line.
void logLine(LogLevel level, std::string_view text);

// text with every control character (codes below 32, and 127) as "\xNN".
std::string escapeControl(std::string_view text);

// Also append every entry to path (empty path: standard error only). Returns false,
// leaving the previous target, when the file cannot be opened for appending.
bool setLogFile(const std::filesystem::path& path);

// Entries below this level are dropped (default Info; KOVRA_LOG=debug lowers it).
void setLogLevel(LogLevel level);

}  // namespace kovra

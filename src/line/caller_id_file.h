// The caller-ID text file of a line: one line holding the caller's area code and number,
// ended by CR LF, so that other programs can watch the file. Any thread.
#pragma once

#include <string>

namespace kovra::line {

// Creates or truncates path and writes indexPhone + "\r\n". Returns false on any error
// (missing folder, no permission, …); callers ignore it by design.
bool writeCallerIdFile(const std::string& path, const std::string& indexPhone);

}  // namespace kovra::line

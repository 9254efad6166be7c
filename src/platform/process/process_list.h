// The running processes of this machine by program name, so a program this system did not
// start itself (a companion started by hand) can still be found and ended.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kovra {

// Processes whose program name is name (the executable's or script's file name as the
// kernel keeps it: at most 15 characters are compared). This process is never listed.
std::vector<pid_t> processesNamed(const std::string& name);

}  // namespace kovra

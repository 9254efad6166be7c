// What the running system reports about itself (uname), as the version record would be
// read.
#pragma once

#include <string>

namespace kovra {

struct PlatformVersion {
    std::string sysname;  // "Linux"
    std::string release;  // "6.1.0-18-amd64"
    std::string version;  // "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)"
};

// Empty fields when the system does not say.
PlatformVersion readPlatformVersion();

}  // namespace kovra

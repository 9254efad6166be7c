// The process-wide values fixed at start-up: operating-system name and generation
// code, product title and version. Set once on the loop thread before any pair exists,
// read-only afterwards.
#pragma once

#include <string>

#include "platform/system/system_version.h"

namespace kovra {

struct StartupValues {
    std::string OsName;
    int WindowsVersionCode = 10;  // 5 XP, 6 Vista, 7, 8; 10 any other system
    std::string ProductTitle;
    std::string ProductVersion;
};

inline constexpr const char* kProductTitle = "PlugIn Kovra Repeaters - FSK / DTMF [Versão 2.0.1.8]";
inline constexpr const char* kProductVersion = "2.0.1.8";

// Builds the values from a platform version: the name is the system and release,
// followed by " Build (xx) " and the build number (low 16 bits), as the log expects.
// Systems other than the old Windows generations report code 10.
StartupValues makeStartupValues(const PlatformVersion& platform);

}  // namespace kovra

// The process-wide values fixed at start-up: operating-system name and generation
// code, product title and version. Set once on the loop thread before any pair exists,
// read-only afterwards.
#pragma once

#include <string>

namespace kovra {

struct StartupValues {
    std::string OsName;
    int WindowsVersionCode = 10;  // 5 XP, 6 Vista, 7, 8; 10 any other system
    std::string ProductTitle;
    std::string ProductVersion;
};

inline constexpr const char* kProductTitle = "PlugIn Kovra Repeaters - FSK / DTMF [Versão 2.0.1.8]";
inline constexpr const char* kProductVersion = "2.0.1.8";

// What the running kernel reports (uname), as the version record would be read.
struct PlatformVersion {
    std::string sysname;  // "Linux"
    std::string release;  // "6.1.0-18-amd64"
    std::string version;  // "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)"
};

PlatformVersion readPlatformVersion();

// Builds the values from a platform version: the name is the system and release,
// followed by " Build (xx) " and the build number (low 16 bits), as the log expects.
// Systems other than the old Windows generations report code 10.
StartupValues makeStartupValues(const PlatformVersion& platform);

}  // namespace kovra

#include "app/startup_values.h"

#include <cctype>

namespace kovra {

namespace {

// The build number is the leading number of the kernel's version text ("#1 SMP ...").
unsigned buildNumber(const std::string& version) {
    std::size_t i = version.find_first_of("0123456789");
    unsigned value = 0;
    while (i < version.size() && std::isdigit(static_cast<unsigned char>(version[i])) != 0) {
        value = value * 10 + static_cast<unsigned>(version[i] - '0');
        ++i;
    }
    return value & 0xFFFFU;
}

}  // namespace

StartupValues makeStartupValues(const PlatformVersion& platform) {
    StartupValues values;
    std::string name = platform.sysname.empty() ? "Plataforma Desconhecida" : platform.sysname;
    if (!platform.release.empty()) {
        name += " " + platform.release;
    }
    values.OsName = name + " Build (xx) " + std::to_string(buildNumber(platform.version));
    values.WindowsVersionCode = 10;
    values.ProductTitle = kProductTitle;
    values.ProductVersion = kProductVersion;
    return values;
}

}  // namespace kovra

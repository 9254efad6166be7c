#include "platform/system/system_version.h"

#include <sys/utsname.h>

namespace kovra {

PlatformVersion readPlatformVersion() {
    utsname info{};
    if (::uname(&info) != 0) {
        return {};
    }
    return {info.sysname, info.release, info.version};
}

}  // namespace kovra

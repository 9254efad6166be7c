#include "settings/filesystem_root.h"

#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#define KOVRA_HAVE_STAT 1
#endif

namespace kovra::settings {

namespace fs = std::filesystem;

fs::path filesystemRoot(const fs::path& folder) {
    std::error_code ec;
    fs::path current = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    if (ec) {
        current = fs::absolute(folder, ec);
    }
    while (!fs::exists(current, ec) && current.has_relative_path()) {
        current = current.parent_path();
    }
#ifdef KOVRA_HAVE_STAT
    // A mount point is where the device number changes on the way up.
    struct stat here {};
    if (::stat(current.c_str(), &here) != 0) {
        return current.root_path();
    }
    while (current.has_relative_path()) {
        const fs::path parent = current.parent_path();
        struct stat above {};
        if (::stat(parent.c_str(), &above) != 0 || above.st_dev != here.st_dev) {
            break;
        }
        current = parent;
    }
    return current;
#else
    return current.root_path();
#endif
}

}  // namespace kovra::settings

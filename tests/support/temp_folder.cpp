#include "temp_folder.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>

namespace kovra::test {

namespace fs = std::filesystem;

TempFolder::TempFolder(const std::string& prefix) {
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder " + pattern);
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // A test may have taken its own rights away to provoke a failure.
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

}  // namespace kovra::test

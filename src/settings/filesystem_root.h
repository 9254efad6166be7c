// Where a folder's filesystem begins: the platform's counterpart of a folder's drive
// ("C:\"). Any thread.
#pragma once

#include <filesystem>

namespace kovra::settings {

// The mount point of the filesystem holding folder (the folder itself when it is one).
// The folder is resolved first; a folder that does not exist is judged by its nearest
// existing parent. Where the platform cannot tell, the path's root ("/", "C:\").
std::filesystem::path filesystemRoot(const std::filesystem::path& folder);

}  // namespace kovra::settings

// Opens a file by its path as the system names files (wide names on Windows), so that
// folder names outside ASCII reach the file system intact.
#pragma once

#include <cstdio>
#include <filesystem>

namespace kovra {

// std::fopen's modes and result; errno tells why on failure.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

}  // namespace kovra

// The test process's resident memory, for tests that show memory stays bounded.
#pragma once

#include <cstddef>
#include <fstream>

namespace kovra::test {

inline std::size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    std::size_t resident = 0;
    statm >> pages >> resident;
    return resident * 4096;
}

}  // namespace kovra::test

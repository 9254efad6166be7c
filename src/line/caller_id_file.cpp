#include "line/caller_id_file.h"

#include <fstream>

namespace kovra::line {

bool writeCallerIdFile(const std::string& path, const std::string& indexPhone) {
    if (path.empty()) {
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out << indexPhone << "\r\n";
    out.close();
    return !out.fail();
}

}  // namespace kovra::line

#include "recording/recording_folders.h"

#include <system_error>

#include "platform/log.h"

namespace kovra {

namespace fs = std::filesystem;

namespace {

bool removeIfEmpty(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec) || !fs::is_empty(folder, ec) || ec) {
        return false;
    }
    if (!fs::remove(folder, ec)) {
        logLine(LogLevel::Warning,
                "Empty recording folder not removed: " + folder.string() + ": " + ec.message());
        return false;
    }
    return true;
}

}  // namespace

int removeEmptyRecordingFolders(const std::vector<fs::path>& lineFolders) {
    int removed = 0;
    for (const fs::path& lineFolder : lineFolders) {
        std::error_code ec;
        if (!fs::is_directory(lineFolder, ec)) {
            continue;
        }
        std::vector<fs::path> days;
        for (fs::directory_iterator it(lineFolder, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->is_directory(ec)) {
                days.push_back(it->path());
            }
        }
        if (ec) {
            logLine(LogLevel::Warning,
                    "Recording folder not listed: " + lineFolder.string() + ": " + ec.message());
        }
        for (const fs::path& day : days) {
            removed += removeIfEmpty(day) ? 1 : 0;
        }
        removed += removeIfEmpty(lineFolder) ? 1 : 0;
    }
    return removed;
}

}  // namespace kovra

#include "platform/process/process_list.h"

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>

namespace kovra {

namespace {

// The kernel keeps a program name of at most 15 characters.
constexpr std::size_t kCommLength = 15;

bool allDigits(const std::string& text) {
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return !text.empty();
}

}  // namespace

std::vector<pid_t> processesNamed(const std::string& name) {
    std::vector<pid_t> found;
    const std::string wanted = name.substr(0, kCommLength);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pidText = entry.path().filename().string();
        if (!allDigits(pidText)) {
            continue;
        }
        std::ifstream comm(entry.path() / "comm");
        std::string programName;
        if (!std::getline(comm, programName) || programName != wanted) {
            continue;
        }
        const pid_t pid = static_cast<pid_t>(std::stol(pidText));
        if (pid != ::getpid()) {
            found.push_back(pid);
        }
    }
    return found;
}

}  // namespace kovra

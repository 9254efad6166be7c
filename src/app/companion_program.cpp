#include "app/companion_program.h"

#include "platform/log.h"
#include "platform/process/instance_lock.h"
#include "platform/process/process_list.h"

namespace kovra {

CompanionProgram::CompanionProgram(std::filesystem::path programFolder, UserInterface& ui,
                                   std::string executableName)
    : folder_(std::move(programFolder)), name_(std::move(executableName)), ui_(ui) {}

bool CompanionProgram::start() {
    std::error_code error;
    if (!std::filesystem::is_regular_file(executable(), error)) {
        logLine(LogLevel::Warning, "companion program not found: " + executable().string());
        ui_.messageBox(kMissingTitle, kMissingText, MessageIcon::Error, MessageButtons::Ok);
        return false;
    }
    using std::filesystem::perms;
    const perms mode = std::filesystem::status(executable(), error).permissions();
    if ((mode & (perms::owner_exec | perms::group_exec | perms::others_exec)) == perms::none) {
        logLine(LogLevel::Error,
                "companion program cannot be run (not executable): " + executable().string());
        return false;
    }
    return startDetached(executable(), {kArgument});
}

int CompanionProgram::end() {
    int ended = 0;
    for (const pid_t pid : processesNamed(name_)) {
        if (killProgram(pid)) {
            ++ended;
        } else {
            logLine(LogLevel::Warning,
                    "companion program (process " + std::to_string(pid) + ") did not end");
        }
    }
    return ended;
}

}  // namespace kovra

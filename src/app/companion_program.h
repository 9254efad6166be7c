// The maker's companion program (caller identification for mobile phones), started with
// line pair 1 when its switch is on and ended by the program's exit. It is an outside
// program: the system starts it once, never waits for it and never restarts it.
#pragma once

#include <filesystem>
#include <string>

#include "platform/user_interface.h"

namespace kovra {

class CompanionProgram {
  public:
    static constexpr const char* kExecutable = "Morvex.exe";
    // The one argument it is started with; what the companion makes of it is its own affair.
    static constexpr const char* kArgument = "/kovra";
    static constexpr const char* kMissingTitle = "Falha Morvex";
    static constexpr const char* kMissingText =
        "Morvex não encontrado. Para maiores informações, consulte seu fornecedor";

    // executableName: the file in programFolder (another name only where tests must not
    // meet each other's companions).
    CompanionProgram(std::filesystem::path programFolder, UserInterface& ui,
                     std::string executableName = kExecutable);

    // Starts the companion from the program folder, or says in a message box that it is
    // missing. False when it did not start.
    bool start();
    // Ends every running companion, whether this system started it or not. Returns how many
    // were ended.
    int end();

    std::filesystem::path executable() const { return folder_ / name_; }

  private:
    std::filesystem::path folder_;
    std::string name_;
    UserInterface& ui_;
};

}  // namespace kovra

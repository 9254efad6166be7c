// Runs a program of ours as a child process for end-to-end tests: arguments, extra
// environment, captured standard error, a time limit.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace kovra::e2e {

struct RunResult {
    int exitCode = -1;  // -1: killed (time limit or signal)
    std::string stderrText;
};

class ChildProcess {
  public:
    // Starts program with args; env entries are "NAME=value" added to this environment.
    // Standard output goes to /dev/null, standard error to a file read by wait().
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& env, const std::filesystem::path& stderrFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // Waits up to limit; kills the child past it.
    RunResult wait(std::chrono::milliseconds limit);
    void signal(int sig);

  private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    std::filesystem::path stderrFile_;
};

// Standard output of a short shell command, bounded by timeout(1) to 5 s; standard error is
// dropped. Empty when the command fails to start.
std::string commandOutput(const std::string& command);

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& env, const std::filesystem::path& stderrFile,
                     std::chrono::milliseconds limit);

}  // namespace kovra::e2e

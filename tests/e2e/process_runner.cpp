#include "process_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace kovra::e2e {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& env,
                           const std::filesystem::path& stderrFile)
    : stderrFile_(stderrFile) {
    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    pid_ = ::fork();
    if (pid_ == 0) {
        for (const auto& entry : env) {
            ::putenv(const_cast<char*>(entry.c_str()));
        }
        const int devNull = ::open("/dev/null", O_WRONLY);
        const int err = ::open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        // The test runner may block signals; the program must see them as usual.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        std::vector<char*> argv;
        for (auto& a : argvText) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool ChildProcess::running() {
    if (reaped_) {
        return false;
    }
    if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
        reaped_ = true;
        return false;
    }
    return true;
}

void ChildProcess::signal(int sig) {
    if (!reaped_) {
        ::kill(pid_, sig);
    }
}

RunResult ChildProcess::wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    RunResult result;
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
        reaped_ = true;
    } else if (WIFEXITED(status_)) {
        result.exitCode = WEXITSTATUS(status_);
    }
    std::ifstream in(stderrFile_);
    std::stringstream text;
    text << in.rdbuf();
    result.stderrText = text.str();
    return result;
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& env, const std::filesystem::path& stderrFile,
                     std::chrono::milliseconds limit) {
    ChildProcess child(program, args, env, stderrFile);
    return child.wait(limit);
}

std::string commandOutput(const std::string& command) {
    const std::string line = "timeout 5 " + command + " 2>/dev/null";
    std::string text;
    if (FILE* pipe = ::popen(line.c_str(), "r")) {
        std::array<char, 256> buffer{};
        while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
            text += buffer.data();
        }
        ::pclose(pipe);
    }
    return text;
}

}  // namespace kovra::e2e

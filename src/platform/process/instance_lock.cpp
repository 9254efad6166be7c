#include "platform/process/instance_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/log.h"

namespace kovra {

namespace {

constexpr int kTerminateRequestSignal = SIGUSR1;
constexpr int kTerminatedExitCode = 4;

void onTerminateRequest(int /*signal*/) {
    _exit(kTerminatedExitCode);
}

bool processAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// A child of ours that has ended stays a zombie (answering kill(pid, 0)) until it is
// waited for; it counts as gone, and its status is left for its parent to collect.
bool exitedChild(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

bool processGone(pid_t pid) {
    return exitedChild(pid) || !processAlive(pid);
}

}  // namespace

std::filesystem::path InstanceLock::defaultFolder() {
    for (const char* name : {"KOVRA_RUNTIME_DIR", "XDG_RUNTIME_DIR"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return std::filesystem::temp_directory_path();
}

InstanceLock::InstanceLock(std::filesystem::path folder, const std::string& className,
                           const std::string& windowTitle)
    : path_(std::move(folder) / (className + "." + windowTitle + ".lock")) {}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool InstanceLock::tryAcquire() {
    if (fd_ >= 0) {
        return true;
    }
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(),
                                "cannot open instance lock " + path_.string());
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
        logLine(LogLevel::Warning,
                "cannot record the process id in " + path_.string() + ": " + std::strerror(errno));
    }
    fd_ = fd;
    return true;
}

std::optional<pid_t> InstanceLock::owner() const {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    // A lock we can take is held by nobody.
    const bool free = fd_ < 0 && ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    char buffer[32] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    ::close(fd);
    if (free || n <= 0) {
        return std::nullopt;
    }
    const long pid = std::strtol(buffer, nullptr, 10);
    if (pid <= 0) {
        return std::nullopt;
    }
    return static_cast<pid_t>(pid);
}

bool killProgram(pid_t pid, int graceMs) {
    using namespace std::chrono;
    if (::kill(pid, kTerminateRequestSignal) != 0 && errno == ESRCH) {
        return true;
    }
    const auto deadline = steady_clock::now() + milliseconds(graceMs);
    while (steady_clock::now() < deadline) {
        if (processGone(pid)) {
            return true;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    for (int i = 0; i < 50; ++i) {
        if (processGone(pid)) {
            return true;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
    return false;
}

void installTerminateRequestHandler() {
    struct sigaction action {};
    action.sa_handler = onTerminateRequest;
    sigemptyset(&action.sa_mask);
    ::sigaction(kTerminateRequestSignal, &action, nullptr);
}

bool startDetached(const std::filesystem::path& program, const std::vector<std::string>& args) {
    std::vector<std::string> argvStrings;
    argvStrings.push_back(program.string());
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argvStrings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0) {
        logLine(LogLevel::Error, "cannot start " + program.string() + ": " + std::strerror(errno));
        return false;
    }
    if (child == 0) {
        // Detach twice so the restarted program is not our child and outlives us.
        ::setsid();
        if (::fork() != 0) {
            _exit(0);
        }
        ::execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::filesystem::path executablePath() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

}  // namespace kovra

// Single-instance identity of the running program: a lock file named after the instance
// window ("TFormKovraPlugInFSK" / "FormKovraPlugInFSK") holding the owner's process id.
// The lock is held for the life of the object and released by the kernel if the
// process dies, so a crashed instance never blocks the next start.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kovra {

class InstanceLock {
  public:
    // The folder for lock files: $KOVRA_RUNTIME_DIR, else $XDG_RUNTIME_DIR, else the
    // system temporary folder.
    static std::filesystem::path defaultFolder();

    InstanceLock(std::filesystem::path folder, const std::string& className,
                 const std::string& windowTitle);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock without waiting. False when another live process holds it.
    // Throws std::system_error when the lock file cannot be created.
    bool tryAcquire();
    bool held() const { return fd_ >= 0; }

    // The process holding the lock, if any (FindWindow of the instance window).
    std::optional<pid_t> owner() const;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    int fd_ = -1;
};

// Ends a running instance as a terminate with exit code 4 would: the instance's
// handler for the request (see installTerminateRequestHandler) exits with code 4;
// after graceMs without effect the process is killed. Returns true when pid is gone.
bool killProgram(pid_t pid, int graceMs = 2000);

// Makes this process honour killProgram's request by exiting at once with code 4.
void installTerminateRequestHandler();

// Starts program with args, detached from this process. Returns false (and logs why)
// when it cannot be started.
bool startDetached(const std::filesystem::path& program, const std::vector<std::string>& args);

// Full path of the running executable.
std::filesystem::path executablePath();

}  // namespace kovra

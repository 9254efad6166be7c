#include "platform/process/instance_lock.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "temp_folder.h"

namespace kovra {
namespace {

class InstanceLockTest : public ::testing::Test {
  protected:
    kovra::test::TempFolder temp_{"kovra-lock"};
    const std::filesystem::path folder_ = temp_.path();
};

TEST_F(InstanceLockTest, SecondInstanceIsRefusedAndSeesTheOwner) {
    InstanceLock first(folder_, "TFormKovraPlugInFSK", "FormKovraPlugInFSK");
    ASSERT_TRUE(first.tryAcquire());
    InstanceLock second(folder_, "TFormKovraPlugInFSK", "FormKovraPlugInFSK");
    EXPECT_FALSE(second.tryAcquire());
    EXPECT_EQ(second.owner(), ::getpid());
}

TEST_F(InstanceLockTest, LockIsFreeAgainOnceTheHolderIsGone) {
    {
        InstanceLock first(folder_, "C", "T");
        ASSERT_TRUE(first.tryAcquire());
    }
    InstanceLock next(folder_, "C", "T");
    EXPECT_FALSE(next.owner().has_value());
    EXPECT_TRUE(next.tryAcquire());
}

TEST_F(InstanceLockTest, KillProgramEndsTheInstanceWithExitCodeFour) {
    // The child says over a pipe that its handler is in place; only then is it asked to end.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        installTerminateRequestHandler();
        const char byte = 1;
        if (::write(ready[1], &byte, 1) != 1) {
            ::_exit(9);
        }
        for (;;) {
            ::pause();
        }
    }
    ::close(ready[1]);
    pollfd wait{ready[0], POLLIN, 0};
    char byte = 0;
    const bool childReady = ::poll(&wait, 1, 20000) == 1 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (!childReady) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        FAIL() << "the child never got ready";
    }
    EXPECT_TRUE(killProgram(child, 2000));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 4);
}

}  // namespace
}  // namespace kovra

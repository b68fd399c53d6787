// The children the tests start end with the test: a test killed by a
// signal (SIGPIPE from a closed socket, SIGKILL, a crash) runs no
// destructor, and its studio must not go on serving on its port.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "running_process.h"
#include "test_support.h"
#include "video_fixtures.h"

using namespace testing_support;

namespace {

// While it lives, orphans of this process's descendants become its
// children, so a grandchild can be waited for once its parent is gone.
class OrphansComeHere {
public:
    OrphansComeHere() { ok_ = prctl(PR_SET_CHILD_SUBREAPER, 1) == 0; }
    ~OrphansComeHere() { prctl(PR_SET_CHILD_SUBREAPER, 0); }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

// Reaps `pid` once it ends; false when it still runs after `seconds`.
bool reapWithin(pid_t pid, double seconds, int* status) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// In a forked copy of the test: starts the studio, sends its pid up the
// pipe once it serves, then dies by SIGKILL with the studio still running.
[[noreturn]] void startStudioAndDie(const std::string& script, int pidPipe) {
    RunningProcess studio({CAMDRIFT_STUDIO_EXE, script});
    if (studio.waitForOutput("\n", 20)) {
        const pid_t pid = studio.pid();
        if (write(pidPipe, &pid, sizeof pid) != sizeof pid) _exit(3);
    }
    raise(SIGKILL);
    _exit(4);
}

TEST(RunningProcessEnd, AStudioStopsWhenTheTestThatStartedItIsKilled) {
    ScratchDir dir;
    // Made by the ffmpeg tool, so this process has no threads when it forks.
    const std::string source = dir.file("clip.avi");
    ASSERT_TRUE(ffmpeg("-f lavfi -i testsrc=size=64x48:rate=25 -frames:v 10 -c:v ffv1 '" +
                       source + "'"));
    const std::string script = dir.file("job.txt");
    writeFile(script, jobScriptText({source, dir.file("o.avi"), "", "FFV1", "1", "32", "24"}));
    OrphansComeHere reaper;
    ASSERT_TRUE(reaper.ok());
    int pidPipe[2];
    ASSERT_EQ(pipe(pidPipe), 0);

    const pid_t test = fork();
    ASSERT_GE(test, 0);
    if (test == 0) {
        close(pidPipe[0]);
        startStudioAndDie(script, pidPipe[1]);
    }
    close(pidPipe[1]);
    pid_t studio = -1;
    const bool told = read(pidPipe[0], &studio, sizeof studio) == sizeof studio;
    close(pidPipe[0]);
    int status = 0;
    ASSERT_EQ(waitpid(test, &status, 0), test);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ASSERT_TRUE(told) << "the studio never printed its address";

    const bool ended = reapWithin(studio, 20, &status);
    if (!ended) {
        kill(studio, SIGKILL);
        waitpid(studio, &status, 0);
    }
    ASSERT_TRUE(ended) << "the studio outlived the test that started it";
    // SIGTERM, not SIGKILL: the studio stopped as on Ctrl+C, its render first.
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace

#include "platform/poll_wait.h"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

namespace {

void IgnoreAlarm(int) {}

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

class PollWait : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pipe(ends), 0); }
    void TearDown() override {
        close(ends[0]);
        close(ends[1]);
    }
    int ends[2] = {-1, -1};
};

TEST_F(PollWait, SignalsDoNotCutTheWaitShort) {
    struct sigaction action {};
    action.sa_handler = IgnoreAlarm;  // no SA_RESTART: poll() returns EINTR
    struct sigaction previous {};
    sigaction(SIGALRM, &action, &previous);
    itimerval every20ms{{0, 20000}, {0, 20000}};
    setitimer(ITIMER_REAL, &every20ms, nullptr);

    auto start = std::chrono::steady_clock::now();
    platform::WaitResult result = platform::WaitReadable(ends[0], 200);
    double elapsed = MsSince(start);

    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    EXPECT_EQ(result, platform::WaitResult::TimedOut);
    EXPECT_GE(elapsed, 199.0);
    EXPECT_LE(elapsed, 200.0 + 100.0);
}

TEST_F(PollWait, ReadyInputEndsTheWaitAtOnce) {
    ASSERT_EQ(write(ends[1], "x", 1), 1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::WaitReadable(ends[0], 5000), platform::WaitResult::Ready);
    EXPECT_LT(MsSince(start), 50.0);
}

TEST_F(PollWait, ClosedDescriptorFails) {
    EXPECT_EQ(platform::WaitReadable(-1, 10), platform::WaitResult::Failed);
    int spare = dup(ends[0]);
    close(spare);
    EXPECT_EQ(platform::WaitReadable(spare, 10), platform::WaitResult::Failed);
}

}  // namespace

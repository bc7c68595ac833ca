#include "platform/tick.h"

#include <sched.h>
#include <cerrno>
#include <ctime>

namespace platform {

std::uint32_t TickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
              static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

void SleepMs(std::uint32_t ms) {
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec rest{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

}  // namespace platform

// Millisecond clock for every time limit of the channels.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds from a monotonic clock, wrapping at 2^32 like a 32-bit tick counter.
std::uint32_t TickCount();

// Milliseconds from `earlier` to `later`, taken modulo 2^32 so the wrap of the counter does no
// harm.
inline std::uint32_t TickDiff(std::uint32_t later, std::uint32_t earlier) {
    return later - earlier;
}

// Blocks the calling thread for `ms` milliseconds (0 yields the rest of the time slice).
void SleepMs(std::uint32_t ms);

// A time limit started at construction: start / expired / remaining.
class Deadline {
public:
    explicit Deadline(std::uint32_t limitMs) : start_(TickCount()), limit_(limitMs) {}

    std::uint32_t Elapsed() const { return TickDiff(TickCount(), start_); }
    bool Expired() const { return Elapsed() >= limit_; }
    // Milliseconds left, 0 once expired; fits a poll() timeout.
    int Remaining() const {
        std::uint32_t elapsed = Elapsed();
        return elapsed >= limit_ ? 0 : static_cast<int>(limit_ - elapsed);
    }

private:
    std::uint32_t start_;
    std::uint32_t limit_;
};

}  // namespace platform

#include "comm/channel_timing.h"

#include "platform/tick.h"

void KeepSilent(int ms) {
    if (ms > 0) {
        platform::SleepMs(static_cast<std::uint32_t>(ms));
    }
}

std::uint32_t ResponseLimit(int baseMs, int extraMs) {
    long long sum = static_cast<long long>(baseMs) + extraMs;
    return sum > 0 ? static_cast<std::uint32_t>(sum) : 0u;
}

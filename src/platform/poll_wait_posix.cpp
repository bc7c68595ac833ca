#include "platform/poll_wait.h"

#include <poll.h>
#include <cerrno>

#include "platform/tick.h"

namespace platform {

namespace {

WaitResult WaitFor(int fd, short events, int timeoutMs) {
    if (fd < 0) {
        return WaitResult::Failed;
    }
    Deadline deadline(static_cast<std::uint32_t>(timeoutMs < 0 ? 0 : timeoutMs));
    for (;;) {
        pollfd entry{fd, events, 0};
        int ready = poll(&entry, 1, deadline.Remaining());
        if (ready > 0) {
            return (entry.revents & POLLNVAL) != 0 ? WaitResult::Failed : WaitResult::Ready;
        }
        if (ready == 0) {
            return WaitResult::TimedOut;
        }
        if (errno != EINTR) {
            return WaitResult::Failed;
        }
    }
}

}  // namespace

WaitResult WaitReadable(int fd, int timeoutMs) {
    return WaitFor(fd, POLLIN, timeoutMs);
}

WaitResult WaitWritable(int fd, int timeoutMs) {
    return WaitFor(fd, POLLOUT, timeoutMs);
}

}  // namespace platform

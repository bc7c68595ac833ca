// Waiting on one descriptor: the only way the channels wait for input.
#pragma once

namespace platform {

enum class WaitResult {
    Ready,     // input, end of input or an error is waiting: the next read will not block
    TimedOut,  // nothing within the time
    Failed,    // the wait itself failed (a closed descriptor, say)
};

// Waits in poll() until `fd` becomes readable, for at most `timeoutMs` milliseconds (0 checks
// without waiting). A signal does not cut the wait short: it resumes with the time that remains.
WaitResult WaitReadable(int fd, int timeoutMs);

// As WaitReadable, for room to write.
WaitResult WaitWritable(int fd, int timeoutMs);

}  // namespace platform

// The one place where the operating system's error numbers become our own small set of reasons.
#pragma once

namespace platform {

enum class SysError {
    None,
    // Something outside the program is in the way; the user can act on these.
    NoDevice,          // no such device or file
    Busy,              // another program holds it
    PermissionDenied,  // the user may not use it
    NotSerialPort,     // the device is not a terminal
    HostNotFound,      // a host name that does not resolve
    Refused,           // nothing listens there
    Unreachable,       // no route to the host or network
    TimedOut,          // the peer did not answer in time
    ConnectionLost,    // the peer went away
    // A value the call cannot take: the caller's bug.
    InvalidArgument,
    // The system cannot do what was asked (a line speed it has no code for, say).
    Unsupported,
    // Any other failure of the system.
    Other,
};

// Maps an errno value. 0 gives None; values without a reason of their own give Other.
SysError SysErrorFromErrno(int err);

// A short lower-case description of `error` ("permission denied").
const char* SysErrorText(SysError error);

}  // namespace platform

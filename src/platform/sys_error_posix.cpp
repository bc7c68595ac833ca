#include "platform/sys_error.h"

#include <cerrno>

namespace platform {

SysError SysErrorFromErrno(int err) {
    switch (err) {
        case 0:
            return SysError::None;
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
        case ELOOP:
            return SysError::NoDevice;
        case EBUSY:
        case EWOULDBLOCK:
        case EADDRINUSE:
            return SysError::Busy;
        case EACCES:
        case EPERM:
        case EROFS:
            return SysError::PermissionDenied;
        case ENOTTY:
            return SysError::NotSerialPort;
        case ECONNREFUSED:
            return SysError::Refused;
        case ENETUNREACH:
        case EHOSTUNREACH:
        case ENETDOWN:
        case EHOSTDOWN:
        case EADDRNOTAVAIL:
            return SysError::Unreachable;
        case ETIMEDOUT:
            return SysError::TimedOut;
        case ECONNRESET:
        case ECONNABORTED:
        case EPIPE:
        case ENOTCONN:
        case EIO:
            return SysError::ConnectionLost;
        case EINVAL:
        case EBADF:
        case EFAULT:
        case ENAMETOOLONG:
            return SysError::InvalidArgument;
        case EOPNOTSUPP:
        case EAFNOSUPPORT:
        case EPROTONOSUPPORT:
        case ENOSYS:
            return SysError::Unsupported;
        default:
            return SysError::Other;
    }
}

const char* SysErrorText(SysError error) {
    switch (error) {
        case SysError::None:
            return "no error";
        case SysError::NoDevice:
            return "no such device";
        case SysError::Busy:
            return "busy";
        case SysError::PermissionDenied:
            return "permission denied";
        case SysError::NotSerialPort:
            return "not a serial port";
        case SysError::HostNotFound:
            return "host not found";
        case SysError::Refused:
            return "connection refused";
        case SysError::Unreachable:
            return "unreachable";
        case SysError::TimedOut:
            return "timed out";
        case SysError::ConnectionLost:
            return "connection lost";
        case SysError::InvalidArgument:
            return "invalid argument";
        case SysError::Unsupported:
            return "not supported";
        case SysError::Other:
            break;
    }
    return "system error";
}

}  // namespace platform

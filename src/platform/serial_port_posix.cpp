#include "platform/serial_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>

#include "platform/poll_wait.h"
#include "platform/tick.h"

namespace platform {

namespace {

// A port that accepts no byte for this long is stuck; the frame is then reported short.
constexpr int kWriteStallLimitMs = 2000;
// Bounds the discard of input so that a device that never stops talking cannot hold us here.
constexpr int kDiscardReadLimit = 64;

bool SpeedCode(int baudRate, speed_t& code) {
    static const struct {
        int rate;
        speed_t code;
    } kSpeeds[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},    {9600, B9600},
                   {19200, B19200},   {38400, B38400},   {57600, B57600},  {115200, B115200},
                   {230400, B230400}, {460800, B460800}, {921600, B921600}};
    for (const auto& speed : kSpeeds) {
        if (speed.rate == baudRate) {
            code = speed.code;
            return true;
        }
    }
    return false;
}

SysError ApplyLineSettings(int fd, const SerialLineSettings& settings) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return SysErrorFromErrno(errno);
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
    switch (settings.byteSize) {
        case 5:
            tio.c_cflag |= CS5;
            break;
        case 6:
            tio.c_cflag |= CS6;
            break;
        case 7:
            tio.c_cflag |= CS7;
            break;
        case 8:
            tio.c_cflag |= CS8;
            break;
        default:
            return SysError::Unsupported;
    }
    switch (settings.parity) {
        case 0:
            break;
        case 1:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            tio.c_cflag |= PARENB;
            break;
        case 3:
            tio.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case 4:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            return SysError::Unsupported;
    }
    if (settings.parity != 0) {
        // A byte with a parity error still reaches the reply, so the CRC rejects the frame
        // instead of the frame coming up short and timing out.
        tio.c_iflag |= INPCK;
    }
    switch (settings.stopBits) {
        case 0:
            break;
        case 1:  // one and a half: the line uses it where it exists (5 data bits)
        case 2:
            tio.c_cflag |= CSTOPB;
            break;
        default:
            return SysError::Unsupported;
    }
    speed_t speed{};
    if (!SpeedCode(settings.baudRate, speed)) {
        return SysError::Unsupported;
    }
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    // Reads return at once with what is there; poll() does the waiting.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    // Applied as far as the device allows: a pty has no parity and reports the request as
    // refused, yet carries the bytes all the same.
    (void)tcsetattr(fd, TCSANOW, &tio);
    return SysError::None;
}

// RTS on and DTR off as RS-485 adapters expect; devices without modem lines (a pty, many USB
// bridges) refuse the request, which does them no harm.
void SetModemLines(int fd) {
    int rts = TIOCM_RTS;
    int dtr = TIOCM_DTR;
    (void)ioctl(fd, TIOCMBIS, &rts);
    (void)ioctl(fd, TIOCMBIC, &dtr);
}

}  // namespace

SerialPort::~SerialPort() {
    Close();
}

SysError SerialPort::Open(const std::string& path, const SerialLineSettings& settings) {
    Close();
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return SysErrorFromErrno(errno);
    }
    SysError error = SysError::None;
    if (!isatty(fd)) {
        error = SysError::NotSerialPort;
    } else if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL) {
        error = SysErrorFromErrno(errno);
    } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Programs that lock ports with flock() rather than TIOCEXCL are kept out too.
        error = errno == EWOULDBLOCK ? SysError::Busy : SysErrorFromErrno(errno);
    } else {
        error = ApplyLineSettings(fd, settings);
    }
    if (error != SysError::None) {
        close(fd);
        return error;
    }
    SetModemLines(fd);
    tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    return SysError::None;
}

void SerialPort::Close() {
    if (fd_ >= 0) {
        // Exclusivity belongs to the device, not the descriptor: give it up explicitly in case
        // another descriptor of the device stays open.
        (void)ioctl(fd_, TIOCNXCL);
        close(fd_);
        fd_ = -1;
    }
}

void SerialPort::DiscardInput() {
    if (fd_ < 0) {
        return;
    }
    tcflush(fd_, TCIFLUSH);
    // Bytes still on their way into the queue when it was flushed are taken out here.
    std::uint8_t scratch[512];
    for (int i = 0; i < kDiscardReadLimit; ++i) {
        if (read(fd_, scratch, sizeof scratch) <= 0) {
            break;
        }
    }
}

int SerialPort::Write(const std::uint8_t* data, int length) {
    if (fd_ < 0 || data == nullptr) {
        return 0;
    }
    int written = 0;
    while (written < length) {
        ssize_t n = write(fd_, data + written, static_cast<std::size_t>(length - written));
        if (n > 0) {
            written += static_cast<int>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (WaitWritable(fd_, kWriteStallLimitMs) != WaitResult::Ready) {
                break;
            }
        } else {
            break;
        }
    }
    return written;
}

ReadResult SerialPort::Read(std::uint8_t* data, int capacity, int timeoutMs) {
    if (fd_ < 0 || data == nullptr || capacity <= 0) {
        return {ReadStatus::Failed, 0};
    }
    Deadline deadline(static_cast<std::uint32_t>(timeoutMs < 0 ? 0 : timeoutMs));
    for (;;) {
        WaitResult wait = WaitReadable(fd_, deadline.Remaining());
        if (wait == WaitResult::TimedOut) {
            return {ReadStatus::TimedOut, 0};
        }
        if (wait == WaitResult::Failed) {
            return {ReadStatus::Failed, 0};
        }
        ssize_t n = read(fd_, data, static_cast<std::size_t>(capacity));
        if (n > 0) {
            return {ReadStatus::Data, static_cast<int>(n)};
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            if (deadline.Expired()) {
                return {ReadStatus::TimedOut, 0};
            }
            continue;
        }
        // Readable yet nothing to read: the device hung up (a pty whose other side closed, an
        // unplugged adapter).
        return {n == 0 || errno == EIO ? ReadStatus::Closed : ReadStatus::Failed, 0};
    }
}

}  // namespace platform

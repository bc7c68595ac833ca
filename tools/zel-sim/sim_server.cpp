#include "sim_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "comm/port_config.h"
#include "platform/tick.h"
#include "sim_framing.h"

namespace {

// Pause between the two pieces of a split reply: long enough to arrive apart, short enough for
// every channel's wait.
constexpr std::uint32_t kSplitGapMs = 20;
// Bytes of an unfinished RTU request older than this are line noise: a new request starts.
constexpr std::uint32_t kStaleRequestMs = 100;
// No request is this long; a buffer that grows beyond it holds garbage.
constexpr size_t kMaxRequestBytes = 300;
constexpr int kMaxModbusTcpLength = 254;

volatile sig_atomic_t stopRequested = 0;

void OnStopSignal(int) {
    stopRequested = 1;
}

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

speed_t SpeedOf(int baudRate) {
    return baudRate == 19200 ? B19200 : B9600;
}

}  // namespace

SimServer::SimServer(SimDevice& device, SimResponder& responder, std::function<void()> onChange)
    : device_(device), responder_(responder), onChange_(std::move(onChange)) {
    revision_ = device_.Revision();
}

SimServer::~SimServer() {
    for (auto& endpoint : endpoints_) {
        close(endpoint.fd);
    }
    if (ptySlave_ >= 0) {
        close(ptySlave_);
    }
    if (!ptyLink_.empty()) {
        unlink(ptyLink_.c_str());
    }
}

bool SimServer::Listen(int type, const std::string& address, int port, Kind kind, const char* name,
                       std::string& announcement, std::string& error) {
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = SystemError(std::string(name) + ": socket");
        return false;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    socklen_t length = sizeof local;
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        (type == SOCK_STREAM && listen(fd, 16) != 0) ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        error = SystemError(std::string(name) + " " + address + ":" + std::to_string(port));
        close(fd);
        return false;
    }
    Endpoint endpoint;
    endpoint.fd = fd;
    endpoint.kind = kind;
    endpoints_.push_back(std::move(endpoint));
    announcement +=
        std::string(name) + " " + address + ":" + std::to_string(ntohs(local.sin_port)) + "\n";
    return true;
}

bool SimServer::ListenModbusTcp(const std::string& address, int port, std::string& announcement,
                                std::string& error) {
    return Listen(SOCK_STREAM, address, port, Kind::ModbusTcpListener, "modbus-tcp", announcement,
                  error);
}

bool SimServer::ListenRtuTcp(const std::string& address, int port, std::string& announcement,
                             std::string& error) {
    return Listen(SOCK_STREAM, address, port, Kind::RtuTcpListener, "tcp", announcement, error);
}

bool SimServer::ListenRtuUdp(const std::string& address, int port, std::string& announcement,
                             std::string& error) {
    return Listen(SOCK_DGRAM, address, port, Kind::Udp, "udp", announcement, error);
}

bool SimServer::OpenPty(const std::string& linkPath, std::string& announcement,
                        std::string& error) {
    struct stat existing {};
    if (lstat(linkPath.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = "--pty " + linkPath + ": exists and is not a symbolic link";
            return false;
        }
        unlink(linkPath.c_str());
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char slavePath[128] = {};
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, slavePath, sizeof slavePath) != 0) {
        error = SystemError("pseudo-terminal");
        if (master >= 0) {
            close(master);
        }
        return false;
    }
    // Holding the terminal side open keeps the master from hanging up whenever a client closes
    // the port between operations; this descriptor is never read.
    ptySlave_ = open(slavePath, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios line{};
    if (ptySlave_ < 0 || tcgetattr(ptySlave_, &line) != 0) {
        error = SystemError(slavePath);
        close(master);
        return false;
    }
    cfmakeraw(&line);
    tcsetattr(ptySlave_, TCSANOW, &line);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    if (symlink(slavePath, linkPath.c_str()) != 0) {
        error = SystemError("--pty " + linkPath);
        close(master);
        return false;
    }
    ptyLink_ = linkPath;
    Endpoint endpoint;
    endpoint.fd = master;
    endpoint.kind = Kind::Pty;
    endpoints_.push_back(std::move(endpoint));
    announcement += "pty " + linkPath + " " + slavePath + "\n";
    return true;
}

bool SimServer::PtyLineMatches() const {
    termios line{};
    if (tcgetattr(ptySlave_, &line) != 0) {
        return false;
    }
    // A pseudo-terminal keeps the speed and the stop bits it is given but always clears the
    // parity flag, so parity cannot be compared here.
    const PortConfig want = kPortConfigs[device_.State().portConfig];
    const bool stopOk = ((line.c_cflag & CSTOPB) != 0) == (want.stopBits == 2);
    return cfgetospeed(&line) == SpeedOf(want.baudRate) && stopOk;
}

void SimServer::Accept(Endpoint& listener) {
    const int fd = accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        return;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Endpoint client;
    client.fd = fd;
    client.kind =
        listener.kind == Kind::ModbusTcpListener ? Kind::ModbusTcpClient : Kind::RtuTcpClient;
    endpoints_.push_back(std::move(client));
}

void SimServer::ReceiveStream(Endpoint& endpoint) {
    std::uint8_t bytes[2048];
    const ssize_t count = recv(endpoint.fd, bytes, sizeof bytes, 0);
    if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR)) {
        endpoint.closed = true;
        return;
    }
    if (count < 0) {
        return;
    }
    if (endpoint.kind == Kind::RtuTcpClient) {
        if (!endpoint.received.empty() &&
            platform::TickDiff(platform::TickCount(), endpoint.lastByteTick) > kStaleRequestMs) {
            endpoint.received.clear();
        }
        endpoint.received.insert(endpoint.received.end(), bytes, bytes + count);
        endpoint.lastByteTick = platform::TickCount();
        ServeRtuBytes(endpoint);
        return;
    }
    endpoint.received.insert(endpoint.received.end(), bytes, bytes + count);
    while (auto length = ModbusTcpMessageLength(endpoint.received)) {
        if (*length < 8 || *length > 6 + kMaxModbusTcpLength) {
            endpoint.closed = true;  // not Modbus TCP: drop the connection as a device would
            return;
        }
        if (static_cast<int>(endpoint.received.size()) < *length) {
            return;
        }
        const Bytes message(endpoint.received.begin(), endpoint.received.begin() + *length);
        endpoint.received.erase(endpoint.received.begin(), endpoint.received.begin() + *length);
        Send(endpoint, responder_.AnswerModbusTcp(message.data(), *length, endpoint.firstRequest),
             nullptr, 0);
    }
}

void SimServer::ReceiveDatagram(Endpoint& endpoint) {
    std::uint8_t bytes[2048];
    sockaddr_in peer{};
    socklen_t peerLength = sizeof peer;
    const ssize_t count = recvfrom(endpoint.fd, bytes, sizeof bytes, 0,
                                   reinterpret_cast<sockaddr*>(&peer), &peerLength);
    if (count <= 0) {
        return;
    }
    Send(endpoint, responder_.AnswerRtu(bytes, static_cast<int>(count)), &peer, peerLength);
}

void SimServer::ReceivePty(Endpoint& endpoint) {
    std::uint8_t bytes[2048];
    const ssize_t count = read(endpoint.fd, bytes, sizeof bytes);
    if (count <= 0) {
        return;
    }
    if (!endpoint.received.empty() &&
        platform::TickDiff(platform::TickCount(), endpoint.lastByteTick) > kStaleRequestMs) {
        endpoint.received.clear();
    }
    endpoint.received.insert(endpoint.received.end(), bytes, bytes + count);
    endpoint.lastByteTick = platform::TickCount();
    ServeRtuBytes(endpoint);
}

void SimServer::ServeRtuBytes(Endpoint& endpoint) {
    Bytes& received = endpoint.received;
    while (auto length = RtuRequestLength(received)) {
        if (static_cast<int>(received.size()) < *length) {
            return;
        }
        const Bytes frame(received.begin(), received.begin() + *length);
        received.erase(received.begin(), received.begin() + *length);
        if (endpoint.kind == Kind::Pty && !PtyLineMatches()) {
            continue;  // sent with other line settings: the device hears only noise
        }
        Send(endpoint, responder_.AnswerRtu(frame.data(), *length), nullptr, 0);
    }
    if (received.size() > kMaxRequestBytes) {
        received.clear();
    }
}

void SimServer::Send(Endpoint& endpoint, std::vector<Bytes> pieces, const void* peer,
                     unsigned peerLength) {
    const Bytes peerBytes(static_cast<const std::uint8_t*>(peer),
                          static_cast<const std::uint8_t*>(peer) + (peer ? peerLength : 0));
    std::uint32_t due = platform::TickCount();
    for (size_t k = 0; k < pieces.size(); ++k) {
        Delayed piece{endpoint.fd, std::move(pieces[k]), due, peerBytes};
        if (k == 0) {
            delayed_.insert(delayed_.begin(), std::move(piece));
        } else {
            delayed_.push_back(std::move(piece));
        }
        due += kSplitGapMs;
    }
    SendDue();
}

void SimServer::SendDue() {
    const std::uint32_t now = platform::TickCount();
    for (auto it = delayed_.begin(); it != delayed_.end();) {
        // Due when not in the future; ticks wrap, so compare by signed difference.
        if (static_cast<std::int32_t>(now - it->dueTick) < 0) {
            ++it;
            continue;
        }
        if (!it->peer.empty()) {
            sendto(it->fd, it->bytes.data(), it->bytes.size(), 0,
                   reinterpret_cast<const sockaddr*>(it->peer.data()),
                   static_cast<socklen_t>(it->peer.size()));
        } else if (send(it->fd, it->bytes.data(), it->bytes.size(), MSG_NOSIGNAL) < 0 &&
                   errno == ENOTSOCK) {
            [[maybe_unused]] ssize_t written = write(it->fd, it->bytes.data(), it->bytes.size());
        }
        it = delayed_.erase(it);
    }
}

int SimServer::NextDueMs() const {
    if (delayed_.empty()) {
        return -1;
    }
    const std::uint32_t now = platform::TickCount();
    int next = static_cast<int>(kSplitGapMs);
    for (const auto& piece : delayed_) {
        const auto left = static_cast<std::int32_t>(piece.dueTick - now);
        next = std::min(next, std::max(0, static_cast<int>(left)));
    }
    return next;
}

void SimServer::NoteChanges() {
    if (device_.Revision() != revision_) {
        revision_ = device_.Revision();
        if (onChange_) {
            onChange_();
        }
    }
}

int SimServer::Run() {
    sigset_t stopSignals;
    sigset_t waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    // Blocked except inside ppoll(), so a stop request can never slip in between the check of
    // the flag and the wait.
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::vector<pollfd> fds;
    while (!stopRequested) {
        for (auto it = endpoints_.begin(); it != endpoints_.end();) {
            if (it->closed) {
                std::erase_if(delayed_, [&](const Delayed& piece) { return piece.fd == it->fd; });
                close(it->fd);
                it = endpoints_.erase(it);
            } else {
                ++it;
            }
        }
        fds.clear();
        for (const auto& endpoint : endpoints_) {
            fds.push_back({endpoint.fd, POLLIN, 0});
        }
        const int timeoutMs = NextDueMs();
        timespec timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000000L};
        const int ready =
            ppoll(fds.data(), fds.size(), timeoutMs < 0 ? nullptr : &timeout, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 1;
        }
        SendDue();
        size_t index = 0;
        for (auto& endpoint : endpoints_) {
            if (index >= fds.size()) {
                break;  // accepted during this round: polled from the next round on
            }
            const short events = fds[index++].revents;
            if (events == 0) {
                continue;
            }
            switch (endpoint.kind) {
                case Kind::ModbusTcpListener:
                case Kind::RtuTcpListener:
                    Accept(endpoint);
                    break;
                case Kind::ModbusTcpClient:
                case Kind::RtuTcpClient:
                    ReceiveStream(endpoint);
                    break;
                case Kind::Udp:
                    ReceiveDatagram(endpoint);
                    break;
                case Kind::Pty:
                    ReceivePty(endpoint);
                    break;
            }
            NoteChanges();
        }
    }
    return 0;
}

#include "platform/socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "platform/poll_wait.h"
#include "platform/tick.h"

namespace platform {

namespace {

// Upper bound on reads while discarding: a peer that keeps sending cannot hold the caller.
constexpr int kDiscardReadLimit = 64;

sockaddr_in ToSockaddr(const Ipv4Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    address.sin_addr.s_addr = htonl(endpoint.address);
    return address;
}

// A connect() cut short by a signal goes on in the background; wait for its end.
int FinishInterruptedConnect(int fd) {
    while (WaitWritable(fd, 60 * 60 * 1000) == WaitResult::TimedOut) {
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        return errno;
    }
    return error;
}

bool IsDatagram(int fd) {
    int type = 0;
    socklen_t size = sizeof type;
    return getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) == 0 && type == SOCK_DGRAM;
}

}  // namespace

bool ParseDottedIpv4(const std::string& text, std::uint32_t& address) {
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) {
        return false;
    }
    address = ntohl(parsed.s_addr);
    return true;
}

SysError ResolveIpv4(const std::string& host, std::uint32_t& address) {
    if (host.empty()) {
        return SysError::HostNotFound;
    }
    // An address in numbers needs no name service (which would load and read its own files).
    in_addr numeric{};
    if (inet_aton(host.c_str(), &numeric) != 0) {
        address = ntohl(numeric.s_addr);
        return SysError::None;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return SysError::HostNotFound;
    }
    const auto* first = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    address = ntohl(first->sin_addr.s_addr);
    freeaddrinfo(found);
    return SysError::None;
}

SysError ConnectStream(const Ipv4Endpoint& peer, int& fd) {
    fd = kInvalidSocket;
    int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return SysErrorFromErrno(errno);
    }
    sockaddr_in address = ToSockaddr(peer);
    int error = 0;
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = errno == EINTR ? FinishInterruptedConnect(s) : errno;
    }
    if (error != 0) {
        close(s);
        return SysErrorFromErrno(error);
    }
    fd = s;
    return SysError::None;
}

SysError OpenDatagram(int& fd) {
    fd = kInvalidSocket;
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return SysErrorFromErrno(errno);
    }
    int one = 1;
    (void)setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in any = ToSockaddr(Ipv4Endpoint{});
    if (bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        SysError error = SysErrorFromErrno(errno);
        close(s);
        return error;
    }
    fd = s;
    return SysError::None;
}

bool HasPeer(int fd) {
    if (fd < 0) {
        return false;
    }
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    return getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0;
}

void ShutdownAndClose(int& fd, int lingerMs) {
    if (fd < 0) {
        return;
    }
    if (HasPeer(fd)) {
        shutdown(fd, SHUT_WR);
        (void)WaitReadable(fd, lingerMs);
    }
    CloseSocket(fd);
}

void CloseSocket(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = kInvalidSocket;
    }
}

DrainResult DiscardWaiting(int fd) {
    std::uint8_t scratch[2048];
    for (int i = 0; i < kDiscardReadLimit; ++i) {
        ssize_t n = recv(fd, scratch, sizeof scratch, MSG_DONTWAIT);
        if (n > 0) {
            continue;
        }
        if (n == 0) {
            // An empty datagram is just discarded; on a stream this is the end of input.
            if (IsDatagram(fd)) {
                continue;
            }
            return DrainResult::PeerClosed;
        }
        if (errno == EINTR) {
            continue;
        }
        return errno == EAGAIN || errno == EWOULDBLOCK ? DrainResult::Empty : DrainResult::Failed;
    }
    return DrainResult::Empty;
}

int Send(int fd, const std::uint8_t* data, int length, SysError& error) {
    for (;;) {
        ssize_t n = send(fd, data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
        if (n >= 0) {
            error = SysError::None;
            return static_cast<int>(n);
        }
        if (errno != EINTR) {
            error = SysErrorFromErrno(errno);
            return -1;
        }
    }
}

int SendTo(int fd, const Ipv4Endpoint& peer, const std::uint8_t* data, int length,
           SysError& error) {
    sockaddr_in address = ToSockaddr(peer);
    for (;;) {
        ssize_t n = sendto(fd, data, static_cast<std::size_t>(length), MSG_NOSIGNAL,
                           reinterpret_cast<const sockaddr*>(&address), sizeof address);
        if (n >= 0) {
            error = SysError::None;
            return static_cast<int>(n);
        }
        if (errno != EINTR) {
            error = SysErrorFromErrno(errno);
            return -1;
        }
    }
}

ReceiveResult Receive(int fd, std::uint8_t* data, int capacity, int timeoutMs) {
    Deadline deadline(static_cast<std::uint32_t>(timeoutMs < 0 ? 0 : timeoutMs));
    for (;;) {
        WaitResult wait = WaitReadable(fd, deadline.Remaining());
        if (wait == WaitResult::TimedOut) {
            return {ReceiveStatus::TimedOut, 0};
        }
        if (wait == WaitResult::Failed) {
            return {ReceiveStatus::Failed, 0};
        }
        ssize_t n = recv(fd, data, static_cast<std::size_t>(capacity), MSG_DONTWAIT);
        if (n > 0) {
            return {ReceiveStatus::Data, static_cast<int>(n)};
        }
        if (n == 0) {
            return IsDatagram(fd) ? ReceiveResult{ReceiveStatus::Data, 0}
                                  : ReceiveResult{ReceiveStatus::Closed, 0};
        }
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
            if (deadline.Expired()) {
                return {ReceiveStatus::TimedOut, 0};
            }
            continue;
        }
        return {ReceiveStatus::Failed, 0};
    }
}

}  // namespace platform

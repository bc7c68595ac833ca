#include "ui/dialogs_peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr std::size_t kRegisterSpace = 0x10000;
constexpr std::size_t kHeaderSize = 7;  // transaction id, protocol id, length, unit
constexpr std::uint8_t kServerDeviceFailure = 4;
constexpr std::uint8_t kGatewayTargetFailed = 11;
constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalDataAddress = 2;
constexpr std::uint8_t kIllegalDataValue = 3;

std::uint16_t Word(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

void PushWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

}  // namespace

RecordingModbusPeer::RecordingModbusPeer() : registers_(kRegisterSpace, 0) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listenFd_, 4) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(wakeFds_, O_CLOEXEC) != 0) {
        throw std::runtime_error("test peer cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

RecordingModbusPeer::~RecordingModbusPeer() {
    const char stop = 1;
    (void)!write(wakeFds_[1], &stop, 1);
    thread_.join();
    close(listenFd_);
    close(wakeFds_[0]);
    close(wakeFds_[1]);
}

void RecordingModbusPeer::SetRegister(std::uint16_t address, std::uint16_t value) {
    std::lock_guard lock(mutex_);
    registers_[address] = value;
}

void RecordingModbusPeer::SetRegister32(std::uint16_t highAddress, std::uint32_t value) {
    std::lock_guard lock(mutex_);
    registers_[highAddress] = static_cast<std::uint16_t>(value >> 16);
    registers_[static_cast<std::uint16_t>(highAddress + 1)] = static_cast<std::uint16_t>(value);
}

std::uint16_t RecordingModbusPeer::Register(std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return registers_[address];
}

std::uint32_t RecordingModbusPeer::Register32(std::uint16_t highAddress) const {
    std::lock_guard lock(mutex_);
    return (static_cast<std::uint32_t>(registers_[highAddress]) << 16) |
           registers_[static_cast<std::uint16_t>(highAddress + 1)];
}

void RecordingModbusPeer::FailWrites(bool fail) {
    std::lock_guard lock(mutex_);
    failWrites_ = fail;
}

void RecordingModbusPeer::FailReadsOf(std::uint16_t address) {
    std::lock_guard lock(mutex_);
    failedReads_.push_back(address);
}

std::vector<RecordingModbusPeer::Request> RecordingModbusPeer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<RecordingModbusPeer::Request> RecordingModbusPeer::Writes() const {
    std::vector<Request> writes;
    for (const Request& request : Requests()) {
        if (request.function == 16) {
            writes.push_back(request);
        }
    }
    return writes;
}

void RecordingModbusPeer::ClearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

void RecordingModbusPeer::Serve() {
    int client = -1;
    std::vector<std::uint8_t> pending;
    for (;;) {
        pollfd fds[3] = {{wakeFds_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}, {client, POLLIN, 0}};
        if (poll(fds, client >= 0 ? 3 : 2, -1) < 0) {
            continue;
        }
        if (fds[0].revents != 0) {
            break;
        }
        if (fds[1].revents & POLLIN) {
            // The channel opens a new connection for every operation; the newest one wins.
            const int accepted = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (accepted >= 0) {
                if (client >= 0) {
                    close(client);
                }
                client = accepted;
                pending.clear();
            }
            continue;
        }
        if (client < 0 || fds[2].revents == 0) {
            continue;
        }
        std::uint8_t buffer[512];
        const ssize_t got = read(client, buffer, sizeof buffer);
        if (got <= 0) {
            close(client);
            client = -1;
            pending.clear();
            continue;
        }
        pending.insert(pending.end(), buffer, buffer + got);
        while (pending.size() >= kHeaderSize) {
            const std::size_t total = 6 + Word(&pending[4]);
            if (pending.size() < total) {
                break;
            }
            const std::vector<std::uint8_t> message(pending.begin(), pending.begin() + total);
            pending.erase(pending.begin(), pending.begin() + total);
            std::vector<std::uint8_t> reply;
            Answer(message, reply);
            (void)!write(client, reply.data(), reply.size());
        }
    }
    if (client >= 0) {
        close(client);
    }
}

void RecordingModbusPeer::Answer(const std::vector<std::uint8_t>& message,
                                 std::vector<std::uint8_t>& reply) {
    std::lock_guard lock(mutex_);
    const std::uint8_t unit = message[6];
    const std::uint8_t function = message.size() > kHeaderSize ? message[kHeaderSize] : 0;
    const std::uint8_t* data = message.data() + kHeaderSize + 1;
    const std::size_t dataSize =
        message.size() > kHeaderSize ? message.size() - kHeaderSize - 1 : 0;

    Request request{unit, function, 0, 0, {}};
    if (dataSize >= 4) {
        request.address = Word(data);
        request.count = Word(data + 2);
    }
    if (function == 16 && dataSize >= 5 + 2u * request.count) {
        for (int i = 0; i < request.count; ++i) {
            request.values.push_back(Word(data + 5 + 2 * i));
        }
    }
    requests_.push_back(request);

    std::vector<std::uint8_t> pdu;
    auto exception = [&](std::uint8_t code) {
        pdu = {static_cast<std::uint8_t>(function | 0x80), code};
    };
    if (unit != registers_[0]) {
        exception(kGatewayTargetFailed);
    } else if (function == 3 || function == 4) {
        const auto covered = [&](std::uint16_t address) {
            return address >= request.address && address - request.address < request.count;
        };
        if (dataSize != 4 || request.count == 0 || request.count > 125) {
            exception(kIllegalDataValue);
        } else if (std::any_of(failedReads_.begin(), failedReads_.end(), covered)) {
            exception(kIllegalDataAddress);
        } else {
            pdu = {function, static_cast<std::uint8_t>(2 * request.count)};
            for (int i = 0; i < request.count; ++i) {
                PushWord(pdu, registers_[static_cast<std::uint16_t>(request.address + i)]);
            }
        }
    } else if (function == 16) {
        if (request.count == 0 || request.values.size() != request.count) {
            exception(kIllegalDataValue);
        } else if (failWrites_) {
            exception(kServerDeviceFailure);
        } else {
            for (int i = 0; i < request.count; ++i) {
                registers_[static_cast<std::uint16_t>(request.address + i)] = request.values[i];
            }
            pdu = {function};
            PushWord(pdu, request.address);
            PushWord(pdu, request.count);
        }
    } else {
        exception(kIllegalFunction);
    }

    reply.assign(message.begin(), message.begin() + 4);
    PushWord(reply, static_cast<std::uint16_t>(pdu.size() + 1));
    reply.push_back(unit);
    reply.insert(reply.end(), pdu.begin(), pdu.end());
}

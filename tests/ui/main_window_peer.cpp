#include "ui/main_window_peer.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// Holding registers reach the L3 ratio (450); input registers the III threshold block (939).
constexpr int kHoldingCount = 500;
constexpr int kInputCount = 1000;
constexpr int kThresholdBase[4] = {632, 732, 832, 932};
constexpr int kRatioRegister[3] = {50, 250, 450};

}  // namespace

ModbusTcpPeer::ModbusTcpPeer() {
    context_ = modbus_new_tcp("127.0.0.1", 0);
    mapping_ = modbus_mapping_new(0, 0, kHoldingCount, kInputCount);
    if (context_ == nullptr || mapping_ == nullptr || pipe(stopPipe_) != 0) {
        ADD_FAILURE() << "cannot set up the Modbus TCP peer";
        return;
    }
    listener_ = modbus_tcp_listen(context_, 1);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (listener_ < 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length)) {
        ADD_FAILURE() << "cannot listen on 127.0.0.1";
        return;
    }
    port_ = ntohs(bound.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

ModbusTcpPeer::~ModbusTcpPeer() {
    if (thread_.joinable()) {
        const char stop = 's';
        if (write(stopPipe_[1], &stop, 1) != 1) {
            ADD_FAILURE() << "cannot stop the Modbus TCP peer";
        }
        thread_.join();
    }
    for (int fd : {listener_, stopPipe_[0], stopPipe_[1]}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    if (mapping_ != nullptr) {
        modbus_mapping_free(mapping_);
    }
    if (context_ != nullptr) {
        modbus_free(context_);
    }
}

void ModbusTcpPeer::Load(const DeviceProfile& profile) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::uint16_t* holding = mapping_->tab_registers;
    std::uint16_t* input = mapping_->tab_input_registers;
    holding[0] = static_cast<std::uint16_t>(profile.station);
    holding[1] = static_cast<std::uint16_t>(profile.portConfig);
    holding[4] = static_cast<std::uint16_t>(profile.model >> 16);
    holding[5] = static_cast<std::uint16_t>(profile.model);
    holding[7] = static_cast<std::uint16_t>(profile.hwVersion);
    holding[8] = static_cast<std::uint16_t>(profile.swVersion);
    holding[12] = static_cast<std::uint16_t>(profile.workingMode);
    for (int i = 0; i < 3; ++i) {
        holding[kRatioRegister[i]] = static_cast<std::uint16_t>(profile.ratio[i]);
    }
    for (int i = 0; i < 4; ++i) {
        const auto threshold = static_cast<std::uint32_t>(profile.threshold[i]);
        input[kThresholdBase[i]] = static_cast<std::uint16_t>(profile.measure[i]);
        input[kThresholdBase[i] + 1] = static_cast<std::uint16_t>(threshold >> 16);
        input[kThresholdBase[i] + 2] = static_cast<std::uint16_t>(threshold);
        input[kThresholdBase[i] + 7] = static_cast<std::uint16_t>(profile.delay[i]);
    }
}

void ModbusTcpPeer::SetFailing(bool failing) {
    std::lock_guard<std::mutex> lock(mutex_);
    failing_ = failing;
}

void ModbusTcpPeer::Stop() {
    std::unique_lock<std::mutex> lock(mutex_);
    const char closeListener = 'c';
    if (!thread_.joinable() || write(stopPipe_[1], &closeListener, 1) != 1) {
        return;
    }
    listenerClosed_.wait(lock, [this] { return listener_ < 0; });
}

std::vector<PeerRequest> ModbusTcpPeer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void ModbusTcpPeer::Serve() {
    int client = -1;
    std::uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    for (;;) {
        pollfd fds[3] = {{stopPipe_[0], POLLIN, 0}, {listener_, POLLIN, 0}, {client, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            break;
        }
        if (fds[0].revents != 0) {
            char command = 0;
            if (read(stopPipe_[0], &command, 1) != 1 || command != 'c') {
                break;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            close(listener_);
            listener_ = -1;
            listenerClosed_.notify_all();
            continue;
        }
        if (fds[1].revents & POLLIN) {
            if (client >= 0) {
                close(client);
            }
            client = accept(listener_, nullptr, nullptr);
            modbus_set_socket(context_, client);
            continue;
        }
        if (client < 0 || fds[2].revents == 0) {
            continue;
        }
        const int length = modbus_receive(context_, query);
        if (length <= 0) {
            close(client);
            client = -1;
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        // MBAP header (7 bytes), then function code and starting address.
        requests_.push_back({query[6], query[7], (query[8] << 8) | query[9]});
        if (failing_) {
            modbus_reply_exception(context_, query, MODBUS_EXCEPTION_SLAVE_OR_SERVER_FAILURE);
        } else {
            modbus_reply(context_, query, length, mapping_);
        }
    }
    if (client >= 0) {
        close(client);
    }
}

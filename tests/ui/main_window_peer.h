// A device on Modbus TCP for the main window's tests, served by libmodbus on 127.0.0.1 at a
// port the system picks, from a thread of the test. Its registers are set by the test; it
// records every request it receives.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include <modbus.h>

struct PeerRequest {
    int unit;
    int function;
    int address;
};

// The register values of an analyser, as the device holds them.
struct DeviceProfile {
    int station = 1;
    int portConfig = 3;
    std::uint32_t model = 0;
    int hwVersion = 0;  // version x 10
    int swVersion = 0;
    int workingMode = 0;
    int ratio[3] = {};
    int measure[4] = {};
    std::int32_t threshold[4] = {};
    int delay[4] = {};
};

class ModbusTcpPeer {
public:
    // Listens at once; ADD_FAILURE when it cannot.
    ModbusTcpPeer();
    // Stops serving and joins the thread.
    ~ModbusTcpPeer();
    ModbusTcpPeer(const ModbusTcpPeer&) = delete;
    ModbusTcpPeer& operator=(const ModbusTcpPeer&) = delete;

    int Port() const { return port_; }

    // Puts `profile` into the registers.
    void Load(const DeviceProfile& profile);
    // While set, every request gets the exception "server failure".
    void SetFailing(bool failing);
    // Stops listening: later connections are refused.
    void Stop();

    std::vector<PeerRequest> Requests() const;

private:
    void Serve();

    modbus_t* context_ = nullptr;
    modbus_mapping_t* mapping_ = nullptr;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    bool failing_ = false;
    std::vector<PeerRequest> requests_;
    mutable std::mutex mutex_;
    std::condition_variable listenerClosed_;
    std::thread thread_;
};

// A scripted analyser for the dialog tests: a Modbus TCP server on 127.0.0.1 (port chosen by
// the system) that keeps one register space for functions 3, 4 and 16 and records every
// request, so a test can tell that a dialog wrote nothing at all, or exactly what it wrote.
#pragma once

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class RecordingModbusPeer {
public:
    struct Request {
        std::uint8_t unit;
        std::uint8_t function;
        std::uint16_t address;
        std::uint16_t count;
        std::vector<std::uint16_t> values;  // function 16 only
    };

    // Listens at once; the serving thread ends in the destructor.
    RecordingModbusPeer();
    ~RecordingModbusPeer();
    RecordingModbusPeer(const RecordingModbusPeer&) = delete;
    RecordingModbusPeer& operator=(const RecordingModbusPeer&) = delete;

    int Port() const { return port_; }

    // The device answers only requests to the unit its register 0 (the station number) holds,
    // as the analyser does; others get exception 11, as a gateway reports a silent device.
    void SetRegister(std::uint16_t address, std::uint16_t value);
    void SetRegister32(std::uint16_t highAddress, std::uint32_t value);
    std::uint16_t Register(std::uint16_t address) const;
    std::uint32_t Register32(std::uint16_t highAddress) const;

    // Function 16 requests get exception 4 and change nothing while set.
    void FailWrites(bool fail);
    // Reads that cover `address` get exception 2 from now on.
    void FailReadsOf(std::uint16_t address);

    std::vector<Request> Requests() const;
    // The recorded function 16 requests.
    std::vector<Request> Writes() const;
    void ClearRequests();

private:
    void Serve();
    // Answers one whole message (header and PDU) into `reply`.
    void Answer(const std::vector<std::uint8_t>& message, std::vector<std::uint8_t>& reply);

    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::uint16_t> registers_;
    std::vector<Request> requests_;
    bool failWrites_ = false;
    std::vector<std::uint16_t> failedReads_;
    std::thread thread_;
};

// A channel with a scripted analyser behind it: it records every request frame and answers
// reads and writes from a register map, or leaves a chosen request unanswered.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "comm/connection.h"

using Frame = std::vector<std::uint8_t>;

class FakeDeviceChannel : public XCConnection {
public:
    // Holding and input registers share one address space on the analyser.
    std::map<int, std::uint16_t> registers;
    std::vector<Frame> requests;
    // Index (from 0) of the request that gets no reply and ends TimedOut; -1 answers all.
    int silentRequest = -1;
    bool openSucceeds = true;
    int openCalls = 0;
    int closeCalls = 0;

    bool IsOpen() const override { return open_; }
    void RawExchange(XCRawRequest& request) override { request.state = 2; }
    void Transact(XCDeviceTransaction& transaction, bool waitResponse) override;
    bool Open() override {
        ++openCalls;
        open_ = openSucceeds;
        return open_;
    }
    void Close() override {
        ++closeCalls;
        open_ = false;
    }
    ConnectionType GetType() const override { return ConnectionType::Serial; }

private:
    bool open_ = false;
};

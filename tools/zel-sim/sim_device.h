// The simulated analyser: its settings and the Modbus functions it serves (3 and 4 read, 16
// write) over one address space, without any framing or I/O.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kSimOneLineModelCode = 67367;
inline constexpr std::uint32_t kSimThreeLineModelCode = 67368;

// Modbus exception codes the device answers with.
inline constexpr std::uint8_t kIllegalFunction = 1;
inline constexpr std::uint8_t kIllegalDataAddress = 2;
inline constexpr std::uint8_t kIllegalDataValue = 3;
inline constexpr std::uint8_t kServerDeviceBusy = 6;
inline constexpr std::uint8_t kGatewayTargetFailed = 11;

struct SimDeviceState {
    std::uint32_t modelCode = kSimThreeLineModelCode;
    int station = 1;
    int portConfig = 0;
    int hwVersion = 12;   // x 10
    int swVersion = 105;  // x 10
    int workingMode = 0;
    std::array<std::uint16_t, 3> ratio{100, 100, 100};
    // L1 watches measure 1, held in tenths (230.5); the total watches its own code 1.
    std::array<std::uint16_t, 4> measure{1, 2, 3, 1};
    std::array<std::uint32_t, 4> threshold{2305, 50, 400, 15};
    std::array<std::uint16_t, 4> delay{10, 10, 10, 30};

    bool IsOneLine() const { return modelCode == kSimOneLineModelCode; }
    // Default settings of a fresh device of that model.
    static SimDeviceState ForModel(bool oneLine);
};

class SimDevice {
public:
    explicit SimDevice(const SimDeviceState& initial) : state_(initial) {}

    // Answers one request PDU (function code and data: no address, CRC or header) with the
    // reply PDU: the normal reply, or function | 0x80 and an exception code (1 unknown
    // function, 2 a register outside the model's map or not writable, 3 a malformed request or
    // a value the device refuses). A refused write changes nothing.
    Bytes AnswerPdu(const std::uint8_t* pdu, int length);

    const SimDeviceState& State() const { return state_; }
    // Counts every accepted write, so the owner knows when to save.
    unsigned Revision() const { return revision_; }

private:
    Bytes Read(std::uint8_t function, const std::uint8_t* pdu, int length) const;
    Bytes Write(const std::uint8_t* pdu, int length);

    SimDeviceState state_;
    unsigned revision_ = 0;
};

// An exception reply PDU.
Bytes ExceptionPdu(std::uint8_t function, std::uint8_t code);

#include "sim_device.h"

#include <optional>

namespace {

constexpr int kIdentificationCount = 12;
constexpr int kWorkingMode = 12;
constexpr std::uint16_t kRatio[3] = {50, 250, 450};
constexpr std::uint16_t kThresholdBase[4] = {632, 732, 832, 932};
constexpr int kThresholdBlockCount = 8;
constexpr int kDelayOffset = 7;
constexpr int kLineMeasureCodes = 17;
constexpr int kTotalMeasureCodes = 13;
// Modbus limits on the registers one request may carry.
constexpr int kMaxReadCount = 125;
constexpr int kMaxWriteCount = 123;

std::uint16_t High(std::uint32_t value) {
    return static_cast<std::uint16_t>(value >> 16);
}
std::uint16_t Low(std::uint32_t value) {
    return static_cast<std::uint16_t>(value);
}

// Line index of the threshold block holding `address`, or -1; sets `offset` within the block.
int ThresholdLine(int address, int& offset) {
    for (int i = 0; i < 4; ++i) {
        if (address >= kThresholdBase[i] && address < kThresholdBase[i] + kThresholdBlockCount) {
            offset = address - kThresholdBase[i];
            return i;
        }
    }
    return -1;
}

int RatioLine(int address) {
    for (int i = 0; i < 3; ++i) {
        if (address == kRatio[i]) {
            return i;
        }
    }
    return -1;
}

// The value of `address` on this model, or nothing when the model has no such register.
std::optional<std::uint16_t> ReadRegister(const SimDeviceState& s, int address) {
    switch (address) {
        case 0:
            return static_cast<std::uint16_t>(s.station);
        case 1:
            return static_cast<std::uint16_t>(s.portConfig);
        case 4:
            return High(s.modelCode);
        case 5:
            return Low(s.modelCode);
        case 7:
            return static_cast<std::uint16_t>(s.hwVersion);
        case 8:
            return static_cast<std::uint16_t>(s.swVersion);
        default:
            break;
    }
    if (address < kIdentificationCount) {
        return 0;  // unused identification registers read as zero
    }
    if (address == kRatio[0]) {
        return s.ratio[0];
    }
    if (s.IsOneLine()) {
        return std::nullopt;
    }
    if (address == kWorkingMode) {
        return static_cast<std::uint16_t>(s.workingMode);
    }
    if (int line = RatioLine(address); line >= 0) {
        return s.ratio[line];
    }
    int offset = 0;
    const int line = ThresholdLine(address, offset);
    if (line < 0) {
        return std::nullopt;
    }
    switch (offset) {
        case 0:
            return s.measure[line];
        case 1:
            return High(s.threshold[line]);
        case 2:
            return Low(s.threshold[line]);
        case kDelayOffset:
            return s.delay[line];
        default:
            return 0;  // measured values the tool never looks at
    }
}

// Stores `value` at `address` in `s`; false when the model has no such writable register.
bool WriteRegister(SimDeviceState& s, int address, std::uint16_t value) {
    if (address == 0) {
        s.station = value;
        return true;
    }
    if (address == 1) {
        s.portConfig = value;
        return true;
    }
    if (address == kRatio[0]) {
        s.ratio[0] = value;
        return true;
    }
    if (s.IsOneLine()) {
        return false;
    }
    if (address == kWorkingMode) {
        s.workingMode = value;
        return true;
    }
    if (int line = RatioLine(address); line >= 0) {
        s.ratio[line] = value;
        return true;
    }
    int offset = 0;
    const int line = ThresholdLine(address, offset);
    if (line < 0) {
        return false;
    }
    switch (offset) {
        case 0:
            s.measure[line] = value;
            return true;
        case 1:
            s.threshold[line] = (static_cast<std::uint32_t>(value) << 16) | Low(s.threshold[line]);
            return true;
        case 2:
            s.threshold[line] = (s.threshold[line] & 0xFFFF0000u) | value;
            return true;
        case kDelayOffset:
            s.delay[line] = value;
            return true;
        default:
            return false;
    }
}

// What the device refuses to keep, whichever registers carried it.
bool Plausible(const SimDeviceState& s) {
    if (s.station < 1 || s.station > 255 || s.portConfig < 0 || s.portConfig > 5) {
        return false;
    }
    if (s.IsOneLine()) {
        return true;
    }
    if (s.workingMode < 0 || s.workingMode > 3) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        const int codes = i < 3 ? kLineMeasureCodes : kTotalMeasureCodes;
        if (s.measure[i] < 1 || s.measure[i] > codes) {
            return false;
        }
    }
    return true;
}

int Word(const std::uint8_t* bytes) {
    return bytes[0] << 8 | bytes[1];
}

}  // namespace

SimDeviceState SimDeviceState::ForModel(bool oneLine) {
    SimDeviceState state;
    if (oneLine) {
        state.modelCode = kSimOneLineModelCode;
        state.hwVersion = 10;
        state.swVersion = 101;
    }
    return state;
}

Bytes ExceptionPdu(std::uint8_t function, std::uint8_t code) {
    return {static_cast<std::uint8_t>(function | 0x80), code};
}

Bytes SimDevice::AnswerPdu(const std::uint8_t* pdu, int length) {
    if (length < 1) {
        return {};
    }
    const std::uint8_t function = pdu[0];
    switch (function) {
        case 3:
        case 4:
            return Read(function, pdu, length);
        case 16:
            return Write(pdu, length);
        default:
            return ExceptionPdu(function, kIllegalFunction);
    }
}

Bytes SimDevice::Read(std::uint8_t function, const std::uint8_t* pdu, int length) const {
    if (length != 5) {
        return ExceptionPdu(function, kIllegalDataValue);
    }
    const int first = Word(pdu + 1);
    const int count = Word(pdu + 3);
    if (count < 1 || count > kMaxReadCount) {
        return ExceptionPdu(function, kIllegalDataValue);
    }
    Bytes reply = {function, static_cast<std::uint8_t>(2 * count)};
    for (int address = first; address < first + count; ++address) {
        const auto value = ReadRegister(state_, address);
        if (!value) {
            return ExceptionPdu(function, kIllegalDataAddress);
        }
        reply.push_back(static_cast<std::uint8_t>(*value >> 8));
        reply.push_back(static_cast<std::uint8_t>(*value));
    }
    return reply;
}

Bytes SimDevice::Write(const std::uint8_t* pdu, int length) {
    constexpr std::uint8_t function = 16;
    if (length < 6) {
        return ExceptionPdu(function, kIllegalDataValue);
    }
    const int first = Word(pdu + 1);
    const int count = Word(pdu + 3);
    const int byteCount = pdu[5];
    if (count < 1 || count > kMaxWriteCount || byteCount != 2 * count || length != 6 + byteCount) {
        return ExceptionPdu(function, kIllegalDataValue);
    }
    SimDeviceState staged = state_;
    for (int k = 0; k < count; ++k) {
        const auto value = static_cast<std::uint16_t>(Word(pdu + 6 + 2 * k));
        if (!WriteRegister(staged, first + k, value)) {
            return ExceptionPdu(function, kIllegalDataAddress);
        }
    }
    if (!Plausible(staged)) {
        return ExceptionPdu(function, kIllegalDataValue);
    }
    state_ = staged;
    ++revision_;
    return Bytes(pdu, pdu + 5);
}

#include "protocol/device_operations.h"

#include <cstdint>

#include "platform/tick.h"
#include "protocol/device_registers.h"

namespace reg = device_registers;

namespace {

// A read waits for the device 750 ms plus this much of the channel's own margin.
constexpr int kReadExtraTimeoutMs = 1000;

// One transaction carries every request of an operation; each helper builds into it, lets the
// channel exchange it and tells whether it ended Done.
class Exchange {
public:
    Exchange(XCConnection& channel, int station)
        : channel_(channel), station_(static_cast<std::uint8_t>(station)) {}

    bool Read(std::uint16_t first, std::uint16_t count, std::uint8_t function) {
        transaction_.BuildReadRequest(station_, first, count, function);
        if (!Run()) {
            return false;
        }
        // Let other work run before the values are taken out, as every read has done.
        platform::SleepMs(0);
        return true;
    }

    bool Write(std::uint16_t first, std::uint16_t count, const std::uint8_t* data) {
        transaction_.BuildWriteRequest(station_, first, count, data);
        return Run();
    }

    // One register, low 16 bits of `value`.
    bool WriteOne(std::uint16_t address, int value) {
        const std::uint8_t data[2] = {static_cast<std::uint8_t>(value >> 8),
                                      static_cast<std::uint8_t>(value)};
        return Write(address, 1, data);
    }

    std::uint16_t Value(int address) const { return transaction_.GetRegisterValue(address); }

    std::uint32_t Value32(int highAddress) const {
        return (static_cast<std::uint32_t>(Value(highAddress)) << 16) | Value(highAddress + 1);
    }

private:
    bool Run() {
        channel_.Transact(transaction_, true);
        return transaction_.GetState() == TransactionState::Done;
    }

    XCConnection& channel_;
    std::uint8_t station_;
    XCModBusTransaction transaction_;
};

bool ReadIdentification(Exchange& exchange, DeviceInfo& info) {
    if (!exchange.Read(reg::kIdentificationFirst, reg::kIdentificationCount,
                       reg::kReadHoldingRegisters)) {
        return false;
    }
    info.stationNumber = exchange.Value(reg::kStationNumber);
    info.portConfig = exchange.Value(reg::kPortConfig);
    info.model = exchange.Value32(reg::kModelHigh);
    info.hwVersion = VersionText(exchange.Value(reg::kHardwareVersion));
    info.swVersion = VersionText(exchange.Value(reg::kSoftwareVersion));
    return true;
}

bool ReadRatio(Exchange& exchange, DeviceInfo& info, int line) {
    if (!exchange.Read(reg::kRatio[line], 1, reg::kReadHoldingRegisters)) {
        return false;
    }
    info.ratio[line] = exchange.Value(reg::kRatio[line]);
    return true;
}

bool ReadElectricalParams(Exchange& exchange, DeviceInfo& info) {
    if (!exchange.Read(reg::kWorkingMode, 1, reg::kReadHoldingRegisters)) {
        return false;
    }
    info.workingMode = exchange.Value(reg::kWorkingMode);
    for (int line = 0; line < kRatioCount; ++line) {
        if (!ReadRatio(exchange, info, line)) {
            return false;
        }
    }
    for (int i = 0; i < kThresholdLineCount; ++i) {
        const std::uint16_t base = reg::kThresholdBase[i];
        if (!exchange.Read(base, reg::kThresholdBlockCount, reg::kReadInputRegisters)) {
            return false;
        }
        info.measure[i] = exchange.Value(base + reg::kMeasureOffset);
        info.threshold[i] = static_cast<int>(exchange.Value32(base + reg::kThresholdHighOffset));
        info.delay[i] = exchange.Value(base + reg::kDelayOffset);
    }
    return true;
}

bool WriteThreeLineParams(Exchange& exchange, const ElectricalParams& params) {
    if (!exchange.WriteOne(reg::kWorkingMode, params[kParamWorkingMode])) {
        return false;
    }
    for (int line = 0; line < kRatioCount; ++line) {
        if (!exchange.WriteOne(reg::kRatio[line], params[kParamRatio + line])) {
            return false;
        }
    }
    for (int i = 0; i < kThresholdLineCount; ++i) {
        const int measure = params[kParamMeasure + i];
        const auto threshold = static_cast<std::uint32_t>(params[kParamThreshold + i]);
        const std::uint8_t data[6] = {
            static_cast<std::uint8_t>(measure >> 8),    static_cast<std::uint8_t>(measure),
            static_cast<std::uint8_t>(threshold >> 24), static_cast<std::uint8_t>(threshold >> 16),
            static_cast<std::uint8_t>(threshold >> 8),  static_cast<std::uint8_t>(threshold)};
        if (!exchange.Write(reg::kThresholdBase[i] + reg::kMeasureOffset, 3, data)) {
            return false;
        }
    }
    for (int i = 0; i < kThresholdLineCount; ++i) {
        if (!exchange.WriteOne(reg::kThresholdBase[i] + reg::kDelayOffset,
                               params[kParamDelay + i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

int ReadDevice(DeviceInfo& info, int station, XCConnection* channel) {
    if (channel == nullptr) {
        return kDeviceNoLink;
    }
    channel->extraTimeout = kReadExtraTimeoutMs;
    if (!channel->Open()) {
        return kDeviceNoLink;
    }
    Exchange exchange(*channel, station);
    int result = kDeviceOk;
    if (!ReadIdentification(exchange, info)) {
        result = kDeviceRequestFailed;
    } else if (info.stationNumber < 1 || info.stationNumber > 255) {
        result = kDeviceBadStation;
    } else {
        // The model code is an unsigned 32-bit number: wrap it into an int rather than let a
        // code above INT_MAX overflow the conversion.
        info.modelCode = static_cast<int>(static_cast<std::uint32_t>(info.model));
        const bool ok = IsOneLineModel(info.modelCode) ? ReadRatio(exchange, info, 0)
                                                       : ReadElectricalParams(exchange, info);
        result = ok ? kDeviceOk : kDeviceRequestFailed;
    }
    channel->Close();
    return result;
}

int WriteRS485Params(int station, XCConnection* channel, int newStation, int newPortConfig) {
    if (channel == nullptr || !channel->Open()) {
        return kDeviceNoLink;
    }
    Exchange exchange(*channel, station);
    // Both registers go out as a zero high byte and the value's low byte.
    const std::uint8_t data[4] = {0, static_cast<std::uint8_t>(newStation), 0,
                                  static_cast<std::uint8_t>(newPortConfig)};
    const bool ok = exchange.Write(reg::kStationNumber, 2, data);
    channel->Close();
    return ok ? kDeviceOk : kDeviceRequestFailed;
}

int WriteElectricalParams(int station, XCConnection* channel, const ElectricalParams& params) {
    if (channel == nullptr || !channel->Open()) {
        return kDeviceNoLink;
    }
    Exchange exchange(*channel, station);
    const bool ok = IsOneLineModel(params[kParamModelCode])
                        ? exchange.WriteOne(reg::kRatio[0], params[kParamRatio])
                        : WriteThreeLineParams(exchange, params);
    channel->Close();
    return ok ? kDeviceOk : kDeviceRequestFailed;
}

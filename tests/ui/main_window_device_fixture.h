// Main window tests against a Modbus TCP peer on 127.0.0.1, and the devices they use.
#pragma once

#include <string>

#include "ui/main_window_fixture.h"
#include "ui/main_window_peer.h"

// A three-line device at station 1 whose values test every display rule: L1 watches measure 1
// (held in tenths), the total watches its own code 1 (never in tenths), L3 a 32-bit threshold.
inline DeviceProfile ThreeLineProfile() {
    DeviceProfile profile;
    profile.station = 1;
    profile.portConfig = 3;
    profile.model = 67400;
    profile.hwVersion = 10;
    profile.swVersion = 123;
    profile.workingMode = 2;
    profile.ratio[0] = 100;
    profile.ratio[1] = 200;
    profile.ratio[2] = 300;
    const int measures[4] = {1, 2, 3, 1};
    const int thresholds[4] = {1234, 1234, 70000, 1234};
    for (int i = 0; i < 4; ++i) {
        profile.measure[i] = measures[i];
        profile.threshold[i] = thresholds[i];
        profile.delay[i] = 5 + i;
    }
    return profile;
}

// A one-line device at station 9.
inline DeviceProfile OneLineProfile() {
    DeviceProfile profile;
    profile.station = 9;
    profile.portConfig = 2;
    profile.model = 67367;
    profile.hwVersion = 12;
    profile.swVersion = 105;
    profile.ratio[0] = 40;
    return profile;
}

class MainWindowDeviceTest : public MainWindowTest {
protected:
    ModbusTcpPeer peer;
};

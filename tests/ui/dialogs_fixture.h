// What the dialog tests share: the program's English string table, a scratch working folder
// (the dialogs read default.xcfg by its bare name), analyser register images for the recording
// peer, and zel-sim run as a separate process.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm/connection.h"
#include "ui/dialogs_peer.h"
#include "ui/headless/headless_toolkit.h"

// Names a table row after its `name` member, in test names and in failure messages.
struct RowName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
        return row.param.name;
    }
};
template <class Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// Register values of an analyser as the dialogs read them.
struct AnalyserImage {
    int station = 7;
    int portConfig = 3;
    std::uint32_t model = 67368;  // any code but 67367 is the three-line model
    int workingMode = 1;
    std::array<int, 3> ratio{100, 200, 300};
    std::array<int, 4> measure{1, 1, 2, 1};  // L1 and L2 in tenths, L3 whole, III its own code 1
    std::array<std::uint32_t, 4> threshold{123, 2305, 400, 15};
    std::array<int, 4> delay{10, 20, 30, 40};
};

// Puts `image` into the peer's registers at the analyser's addresses.
void LoadAnalyser(RecordingModbusPeer& peer, const AnalyserImage& image);

// Opens ZELSoftware.en.stc from ZEL_PROGRAM_DIR once per test program and runs every test in a
// fresh empty working folder, removed afterwards.
class DialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Writes default.xcfg into the working folder with these two settings.
    void WriteSettings(const std::string& productName, const std::string& iconFile);
    // Writes a small file that starts like an ICO image.
    void WriteIconFile(const std::string& name);

    std::filesystem::path folder_;

private:
    std::filesystem::path previous_;
};

// A parameter dialog's test: the recording peer holds AnalyserImage{} and the channel is Modbus
// TCP to it; dialogs run headless in toolkit_.
class DeviceDialogTest : public DialogTest {
protected:
    void SetUp() override;

    // The texts of the messages shown so far, in order.
    std::vector<std::u16string> MessageTexts() const;

    RecordingModbusPeer peer_;
    std::unique_ptr<XCConnection> channel_;
    HeadlessToolkit toolkit_;
};

// zel-sim serving Modbus TCP on 127.0.0.1 at a port the system picks; killed and reaped by
// its process id in the destructor.
class SimProcess {
public:
    // Starts ZEL_PROGRAM_DIR/zel-sim with "--modbus-tcp 0 --bind 127.0.0.1" and `arguments`,
    // and waits up to 5 s for its announcement. Port() is 0 when it did not start.
    explicit SimProcess(const std::vector<std::string>& arguments);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    int Port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

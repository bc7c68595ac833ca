#include "ui/dialogs_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "app/string_table.h"
#include "comm/connection_gmbtcp.h"
#include "protocol/device_registers.h"

namespace reg = device_registers;

namespace {

std::string ProgramDir() {
    const char* dir = std::getenv("ZEL_PROGRAM_DIR");
    return dir != nullptr ? dir : "";
}

}  // namespace

void LoadAnalyser(RecordingModbusPeer& peer, const AnalyserImage& image) {
    peer.SetRegister(reg::kStationNumber, static_cast<std::uint16_t>(image.station));
    peer.SetRegister(reg::kPortConfig, static_cast<std::uint16_t>(image.portConfig));
    peer.SetRegister32(reg::kModelHigh, image.model);
    peer.SetRegister(reg::kWorkingMode, static_cast<std::uint16_t>(image.workingMode));
    for (int i = 0; i < 3; ++i) {
        peer.SetRegister(reg::kRatio[i], static_cast<std::uint16_t>(image.ratio[i]));
    }
    for (int i = 0; i < 4; ++i) {
        const std::uint16_t base = reg::kThresholdBase[i];
        peer.SetRegister(base + reg::kMeasureOffset, static_cast<std::uint16_t>(image.measure[i]));
        peer.SetRegister32(base + reg::kThresholdHighOffset, image.threshold[i]);
        peer.SetRegister(base + reg::kDelayOffset, static_cast<std::uint16_t>(image.delay[i]));
    }
}

void DialogTest::SetUpTestSuite() {
    const std::string table = ProgramDir() + "/ZELSoftware.en.stc";
    ASSERT_TRUE(StringTable().Open(table)) << table;
    // An empty text would make every comparison of texts below pass without meaning.
    ASSERT_FALSE(LoadText(19).empty());
}

void DialogTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zel-dialogs-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
}

void DialogTest::TearDown() {
    if (!previous_.empty()) {
        std::filesystem::current_path(previous_);
    }
    if (!folder_.empty()) {
        std::filesystem::remove_all(folder_);
    }
}

void DialogTest::WriteSettings(const std::string& productName, const std::string& iconFile) {
    std::ofstream out(folder_ / "default.xcfg", std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><config><productName>" << productName
        << "</productName><icono>" << iconFile << "</icono><timeRefresh>10</timeRefresh></config>";
}

void DialogTest::WriteIconFile(const std::string& name) {
    // ICONDIR: reserved 0, type 1 (icon), one image of 16 x 16, 32 bits per pixel.
    static const unsigned char kIcoStart[] = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0};
    std::ofstream out(folder_ / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(kIcoStart), sizeof kIcoStart);
}

void DeviceDialogTest::SetUp() {
    DialogTest::SetUp();
    LoadAnalyser(peer_, AnalyserImage{});
    channel_ = std::make_unique<XCConnectionGMBTCP>("127.0.0.1", peer_.Port());
}

std::vector<std::u16string> DeviceDialogTest::MessageTexts() const {
    std::vector<std::u16string> texts;
    for (const ShownMessage& message : toolkit_.Messages()) {
        texts.push_back(message.text);
    }
    return texts;
}

SimProcess::SimProcess(const std::vector<std::string>& arguments) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe";
        return;
    }
    const std::string program = ProgramDir() + "/zel-sim";
    std::vector<std::string> all = {program, "--modbus-tcp", "0", "--bind", "127.0.0.1"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    if (pid_ < 0) {
        close(out[0]);
        ADD_FAILURE() << "fork";
        return;
    }

    // The announcement is one line per link: "modbus-tcp 127.0.0.1:PORT".
    std::string text;
    const std::regex announced(R"(modbus-tcp [0-9.]+:([0-9]+)\n)");
    std::smatch match;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!std::regex_search(text, match, announced)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd fd{out[0], POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) > 0) {
            char buffer[256];
            const ssize_t got = read(out[0], buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            text.append(buffer, static_cast<std::size_t>(got));
        }
    }
    close(out[0]);
    if (std::regex_search(text, match, announced)) {
        port_ = std::stoi(match[1]);
    } else {
        ADD_FAILURE() << "zel-sim did not announce its port: " << text;
    }
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

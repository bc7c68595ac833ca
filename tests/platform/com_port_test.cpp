#include "platform/com_port.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// A private XDG_CONFIG_HOME holding a ports folder with a live and a dangling entry.
class ComPortNames : public testing::Test {
protected:
    void SetUp() override {
        const char* saved = std::getenv("XDG_CONFIG_HOME");
        hadSaved = saved != nullptr;
        savedValue = hadSaved ? saved : "";
        home = fs::temp_directory_path() / ("zel-com-" + std::to_string(getpid()));
        ports = home / "Tarvolin/ZEL/ports";
        fs::create_directories(ports);
        fs::create_symlink("/dev/null", ports / "COM3");
        fs::create_symlink("/dev/no-such-adapter", ports / "COM4");
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    }
    void TearDown() override {
        if (hadSaved) {
            setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        fs::remove_all(home);
    }

    fs::path home;
    fs::path ports;
    bool hadSaved = false;
    std::string savedValue;
};

TEST_F(ComPortNames, EntryInPortsFolderComesFirst) {
    EXPECT_EQ(platform::ComPortsFolder(), ports.string());
    EXPECT_EQ(platform::ComPortDevicePath(3), (ports / "COM3").string());
    // An unplugged adapter's link still names the port rather than falling back to /dev/ttyS3.
    EXPECT_EQ(platform::ComPortDevicePath(4), (ports / "COM4").string());
}

TEST_F(ComPortNames, OthersAreOnboardPortsCountedFromZero) {
    struct Row {
        int comPort;
        const char* path;
    };
    for (Row row : {Row{1, "/dev/ttyS0"}, Row{2, "/dev/ttyS1"}, Row{256, "/dev/ttyS255"},
                    Row{0, ""}, Row{257, ""}, Row{-3, ""}}) {
        EXPECT_EQ(platform::ComPortDevicePath(row.comPort), row.path) << "COM" << row.comPort;
    }
}

}  // namespace

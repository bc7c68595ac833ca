// What only the serial channel does: port names, exclusive opening, raw 8-bit lines, hang-ups.
#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "comm/connection_rs.h"
#include "comm/scripted_links.h"

namespace {

int DescriptorsOpenOn(const std::string& path) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) == path) {
            ++count;
        }
    }
    return count;
}

TEST(SerialChannel, OpenOfMissingDeviceFailsAndSaysWhy) {
    XCConnectionRS channel(std::string("/dev/no-such-tty"), 9600, 2, 8, 0);
    EXPECT_FALSE(channel.Open());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.LastError(), "/dev/no-such-tty: no such device");
}

TEST(SerialChannel, ComPortNamesItsDeviceInTheReason) {
    auto folder =
        std::filesystem::temp_directory_path() / ("zel-ports-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "Tarvolin/ZEL/ports");
    std::filesystem::create_symlink("/dev/no-such-adapter", folder / "Tarvolin/ZEL/ports/COM7");
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    std::string savedValue = saved != nullptr ? saved : "";
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);

    XCConnectionRS unplugged(7, 9600, 2, 8, 0);
    XCConnectionRS outOfRange(0, 9600, 2, 8, 0);
    EXPECT_FALSE(unplugged.Open());
    EXPECT_EQ(unplugged.LastError(),
              "COM7 (" + (folder / "Tarvolin/ZEL/ports/COM7").string() + "): no such device");
    EXPECT_FALSE(outOfRange.Open());
    EXPECT_EQ(outOfRange.LastError(), "COM0: no such port (COM1 to COM256)");

    if (saved != nullptr) {
        setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
    std::filesystem::remove_all(folder);
}

TEST(SerialChannel, OpenTwiceOpensOnce) {
    PtyPair pty;
    XCConnectionRS channel(pty.slavePath, 19200, 0, 8, 2);
    int before = DescriptorsOpenOn(pty.slavePath);
    EXPECT_TRUE(channel.Open());
    EXPECT_TRUE(channel.Open());
    EXPECT_EQ(DescriptorsOpenOn(pty.slavePath), before + 1);
    EXPECT_TRUE(channel.LastError().empty());
    channel.Close();
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(DescriptorsOpenOn(pty.slavePath), before);
}

TEST(SerialChannel, SecondUserOfThePortIsTurnedAway) {
    PtyPair pty;
    XCConnectionRS first(pty.slavePath, 9600, 2, 8, 0);
    XCConnectionRS second(pty.slavePath, 9600, 2, 8, 0);
    ASSERT_TRUE(first.Open());
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.LastError(), pty.slavePath + ": busy - another program is using the port");
    first.Close();
    EXPECT_TRUE(second.Open()) << second.LastError();
}

TEST(SerialChannel, UnsupportedLineSettingsFailOpen) {
    PtyPair pty;
    XCConnectionRS channel(pty.slavePath, 12345, 2, 8, 0);
    EXPECT_FALSE(channel.Open());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.LastError(), pty.slavePath + ": line settings not supported by this port");
}

TEST(SerialChannel, CarriesEveryByteValueUnchanged) {
    // Line-feed, carriage return, XON, XOFF, interrupt, quit, delete and NUL: each would be
    // translated or swallowed by a terminal that is not raw. CRCs computed with python3.
    PtyPair pty;
    XCConnectionRS channel(pty.slavePath, 9600, 2, 8, 0);
    ASSERT_TRUE(channel.Open());
    XCModBusTransaction read;
    read.BuildReadRequest(0x11, 0x0A0D, 4, 3);
    Bytes request;
    {
        std::jthread device([&] {
            request = ReadFor(pty.master, 8, 2000);
            WriteAll(pty.master, HexBytes("11 03 08 0A 0D 11 13 03 1C 7F 00 FA 98"));
        });
        channel.Transact(read, true);
    }
    EXPECT_EQ(ToHex(request), "11 03 0A 0D 00 04 D4 82");
    ASSERT_EQ(read.GetState(), TransactionState::Done);
    EXPECT_EQ(read.GetRegisterValue(0x0A0D), 0x0A0D);
    EXPECT_EQ(read.GetRegisterValue(0x0A0E), 0x1113);
    EXPECT_EQ(read.GetRegisterValue(0x0A0F), 0x031C);
    EXPECT_EQ(read.GetRegisterValue(0x0A10), 0x7F00);
}

TEST(SerialChannel, HangUpWhileWaitingFailsAtOnce) {
    auto pty = std::make_unique<PtyPair>();
    XCConnectionRS channel(pty->slavePath, 9600, 2, 8, 0);
    ASSERT_TRUE(channel.Open());
    XCModBusTransaction read;
    read.BuildReadRequest(1, 0, 12, 3);
    auto start = Clock::now();
    {
        std::jthread device([&] {
            ReadFor(pty->master, 8, 2000);
            close(pty->master);  // the adapter is pulled out
            pty->master = -1;
        });
        channel.Transact(read, true);
    }
    EXPECT_EQ(read.GetState(), TransactionState::Failed);
    EXPECT_LT(MsSince(start), 300.0);
}

TEST(SerialChannel, UnopenedChannelFailsTheTransaction) {
    XCConnectionRS channel(3, 9600, 2, 8, 0);
    XCModBusTransaction read;
    read.BuildReadRequest(1, 0, 12, 3);
    channel.Transact(read, true);
    EXPECT_EQ(read.GetState(), TransactionState::Failed);
}

}  // namespace

// RTU frames in UDP datagrams, against a scripted peer on 127.0.0.1.
#include <gtest/gtest.h>

#include <thread>

#include "comm/connection_gudp.h"
#include "comm/scripted_links.h"

namespace {

const char* const kReadReply =
    "01 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A FC 9A";

struct RefusedAddress {
    const char* name;
    const char* address;
    int port;
    const char* reason;
};

void PrintTo(const RefusedAddress& row, std::ostream* os) {
    *os << row.name;
}

class DatagramOpen : public testing::TestWithParam<RefusedAddress> {};

TEST_P(DatagramOpen, RefusesAndStaysClosed) {
    XCConnectionGUDP channel(GetParam().address, GetParam().port);
    EXPECT_FALSE(channel.Open());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.LastError(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, DatagramOpen,
    testing::Values(
        RefusedAddress{"HostName", "localhost", 502,
                       "localhost: not a dotted IPv4 address (host names are not looked up)"},
        RefusedAddress{"Broadcast", "255.255.255.255", 502,
                       "255.255.255.255: the broadcast address cannot be used"},
        RefusedAddress{"ShortForm", "127.1", 502,
                       "127.1: not a dotted IPv4 address (host names are not looked up)"},
        RefusedAddress{"Empty", "", 502, "no address given"},
        RefusedAddress{"PortZero", "127.0.0.1", 0, "127.0.0.1:0: no such port (1 to 65535)"}),
    [](const testing::TestParamInfo<RefusedAddress>& row) { return std::string(row.param.name); });

TEST(DatagramChannel, OpenTwiceKeepsTheSocket) {
    XCConnectionGUDP channel("127.0.0.1", 502);
    EXPECT_TRUE(channel.Open());
    EXPECT_TRUE(channel.Open());
    EXPECT_TRUE(channel.LastError().empty());
    channel.Close();
    EXPECT_FALSE(channel.IsOpen());
}

TEST(DatagramChannel, SendsOneDatagramAndAcceptsReplyFromAnotherSender) {
    UdpPeer peer;
    XCConnectionGUDP channel("127.0.0.1", peer.Port());
    ASSERT_TRUE(channel.Open());
    XCModBusTransaction read;
    read.BuildReadRequest(1, 0, 12, 3);
    Bytes request;
    {
        std::jthread device([&] {
            request = peer.Receive(2000);
            peer.SendFromElsewhere(HexBytes(kReadReply));
        });
        channel.Transact(read, true);
    }
    EXPECT_EQ(ToHex(request), "01 03 00 00 00 0C 45 CF");
    EXPECT_EQ(read.GetState(), TransactionState::Done);
}

TEST(DatagramChannel, ClosedChannelFailsWithoutReopening) {
    XCConnectionGUDP channel("127.0.0.1", 502);
    XCModBusTransaction read;
    read.BuildReadRequest(1, 0, 12, 3);
    channel.Transact(read, true);
    EXPECT_EQ(read.GetState(), TransactionState::Failed);
    EXPECT_FALSE(channel.IsOpen());
}

}  // namespace

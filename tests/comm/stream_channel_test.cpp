// RTU frames in a TCP stream and Modbus TCP, against a scripted peer on 127.0.0.1.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "comm/connection_gmbtcp.h"
#include "comm/connection_gtcp.h"
#include "comm/scripted_links.h"
#include "comm/tcp_link.h"

namespace {

const char* const kRtuReadReply =
    "01 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A FC 9A";

// The Modbus TCP reply to a read of 12 registers, behind the header of identifier `id`.
Bytes TcpReadReply(int id) {
    Bytes reply = HexBytes(
        "00 00 00 00 00 1B 01 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 "
        "57 68 79 8A");
    reply[0] = static_cast<std::uint8_t>(id >> 8);
    reply[1] = static_cast<std::uint8_t>(id & 0xFF);
    return reply;
}

Bytes TcpException(int id, int code) {
    return {static_cast<std::uint8_t>(id >> 8),
            static_cast<std::uint8_t>(id & 0xFF),
            0,
            0,
            0,
            3,
            1,
            0x83,
            static_cast<std::uint8_t>(code)};
}

int IdOf(const Bytes& request) {
    return request.size() < 2 ? -1 : request[0] * 256 + request[1];
}

// A port on 127.0.0.1 where nothing listens.
int ClosedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

XCModBusTransaction ReadTwelve() {
    XCModBusTransaction read;
    read.BuildReadRequest(1, 0, 12, 3);
    return read;
}

struct OpenFailure {
    const char* name;
    std::string address;
    bool closedPort;
    std::string reason;
};

void PrintTo(const OpenFailure& row, std::ostream* os) {
    *os << row.name;
}

class StreamOpenFailure : public testing::TestWithParam<OpenFailure> {};

TEST_P(StreamOpenFailure, LeavesChannelClosedAndSaysWhy) {
    int port = GetParam().closedPort ? ClosedPort() : 502;
    XCConnectionGTCP rtu(GetParam().address, port);
    XCConnectionGMBTCP modbus(GetParam().address, port);
    std::string where = GetParam().address + ":" + std::to_string(port) + ": ";
    for (XCConnection* channel :
         {static_cast<XCConnection*>(&rtu), static_cast<XCConnection*>(&modbus)}) {
        EXPECT_FALSE(channel->Open());
        EXPECT_FALSE(channel->IsOpen());
        EXPECT_EQ(channel->LastError(),
                  GetParam().closedPort ? where + GetParam().reason : GetParam().reason);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, StreamOpenFailure,
    testing::Values(OpenFailure{"UnresolvableHost", "no-such-host.invalid", false,
                                "no-such-host.invalid: host not found"},
                    OpenFailure{"NoAddress", "", false, "no address given"},
                    OpenFailure{"NothingListening", "127.0.0.1", true, "connection refused"}),
    [](const testing::TestParamInfo<OpenFailure>& row) { return std::string(row.param.name); });

TEST(RtuOverTcp, DeadConnectionIsMadeAgainAtNextTransact) {
    TcpPeer peer;
    XCConnectionGTCP channel("127.0.0.1", peer.Port());
    ASSERT_TRUE(channel.Open());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        XCModBusTransaction read = ReadTwelve();
        Bytes request;
        {
            std::jthread device([&] {
                request = peer.Receive(8, 2000);
                peer.Send(HexBytes(kRtuReadReply));
            });
            channel.Transact(read, true);
        }
        EXPECT_EQ(ToHex(request), "01 03 00 00 00 0C 45 CF");
        EXPECT_EQ(read.GetState(), TransactionState::Done);
        peer.Drop();
    }
    EXPECT_EQ(peer.Accepted(), 2);
}

TEST(RtuOverTcp, HostNamesAreLookedUp) {
    TcpPeer peer;
    XCConnectionGTCP channel("localhost", peer.Port());
    EXPECT_TRUE(channel.Open()) << channel.LastError();
    EXPECT_TRUE(channel.LastError().empty());
}

TEST(RtuOverTcp, ChannelWithoutConnectionConnectsBeforeSending) {
    TcpPeer peer;
    XCConnectionGTCP channel("127.0.0.1", peer.Port());
    XCModBusTransaction read = ReadTwelve();
    {
        std::jthread device([&] {
            peer.Receive(8, 2000);
            peer.Send(HexBytes(kRtuReadReply));
        });
        channel.Transact(read, true);
    }
    EXPECT_EQ(read.GetState(), TransactionState::Done);
    EXPECT_TRUE(channel.IsOpen());
}

TEST(RtuOverTcp, UnreachablePeerFailsTheTransaction) {
    XCConnectionGTCP channel("127.0.0.1", ClosedPort());
    XCModBusTransaction read = ReadTwelve();
    channel.Transact(read, true);
    EXPECT_EQ(read.GetState(), TransactionState::Failed);
    EXPECT_FALSE(channel.IsOpen());
}

class ModbusTcp : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(channel.Open()) << channel.LastError(); }

    // One read while the peer runs `script`; returns the transaction.
    template <class Script>
    XCModBusTransaction Read(Script script) {
        XCModBusTransaction read = ReadTwelve();
        std::jthread device(script);
        channel.Transact(read, true);
        return read;
    }

    TcpPeer peer;
    XCConnectionGMBTCP channel{"127.0.0.1", peer.Port()};
};

TEST_F(ModbusTcp, IdentifiersCountFromOneAfterEveryConnection) {
    std::vector<int> ids;
    for (int round = 0; round < 3; ++round) {
        XCModBusTransaction read = Read([&] {
            Bytes request = peer.Receive(12, 2000);
            ids.push_back(IdOf(request));
            if (ids.size() == 1) {
                Bytes withoutId(request.begin() + 2, request.end());
                EXPECT_EQ(ToHex(withoutId), "00 00 00 06 01 03 00 00 00 0C");
            }
            peer.Send(TcpReadReply(IdOf(request)));
        });
        EXPECT_EQ(read.GetState(), TransactionState::Done);
        EXPECT_EQ(read.GetRegisterValue(11), 0x798A);
        EXPECT_EQ(channel.status, 5);
        if (round == 1) {
            peer.Drop();
        }
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 1}));
}

TEST_F(ModbusTcp, ServerBusyResendsAfter100MsUnderNextIdentifier) {
    std::vector<int> ids;
    std::vector<std::string> bodies;  // each request without its identifier
    double gap = 0;
    XCModBusTransaction read = Read([&] {
        Bytes first = peer.Receive(12, 2000);
        ids.push_back(IdOf(first));
        bodies.push_back(ToHex(Bytes(first.begin() + 2, first.end())));
        // Time from before the send: the channel's 100 ms may start before Send returns here.
        auto busySent = Clock::now();
        peer.Send(TcpException(ids.back(), 6));
        Bytes again = peer.Receive(12, 2000);
        gap = MsSince(busySent);
        ids.push_back(IdOf(again));
        bodies.push_back(ToHex(Bytes(again.begin() + 2, again.end())));
        peer.Send(TcpReadReply(ids.back()));
    });
    EXPECT_EQ(read.GetState(), TransactionState::Done);
    EXPECT_EQ(ids, (std::vector<int>{1, 2}));
    // The same request goes out again, not the busy reply that has overwritten the buffer.
    EXPECT_EQ(bodies, (std::vector<std::string>{"00 00 00 06 01 03 00 00 00 0C",
                                                "00 00 00 06 01 03 00 00 00 0C"}));
    EXPECT_GE(gap, 100.0);
    EXPECT_LE(gap, 100.0 + 150.0);
}

TEST_F(ModbusTcp, AcknowledgeKeepsWaitingForTheAnswer) {
    XCModBusTransaction read = Read([&] {
        int id = IdOf(peer.Receive(12, 2000));
        peer.Send(TcpException(id, 5));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the device works on it
        peer.Send(TcpReadReply(id));
        EXPECT_TRUE(peer.Receive(1, 100).empty()) << "request sent again after ACKNOWLEDGE";
    });
    EXPECT_EQ(read.GetState(), TransactionState::Done);
}

TEST_F(ModbusTcp, OtherExceptionsEndTheTransaction) {
    XCModBusTransaction read =
        Read([&] { peer.Send(TcpException(IdOf(peer.Receive(12, 2000)), 2)); });
    EXPECT_EQ(read.GetState(), TransactionState::Exception);
    EXPECT_EQ(read.GetExceptionCode(), 2);
}

TEST_F(ModbusTcp, StaleBytesAreDrainedBeforeTheRequest) {
    XCModBusTransaction first =
        Read([&] { peer.Send(TcpReadReply(IdOf(peer.Receive(12, 2000)))); });
    ASSERT_EQ(first.GetState(), TransactionState::Done);
    // A duplicate that would pass for the next reply; loopback delivers it before send returns.
    peer.Send(TcpReadReply(2));
    XCModBusTransaction second = Read([&] {
        int id = IdOf(peer.Receive(12, 2000));
        Bytes reply = TcpReadReply(id);
        reply[9] = 0x99;  // first register 0x9914: tells this reply from the stale one
        peer.Send(reply);
    });
    EXPECT_EQ(second.GetState(), TransactionState::Done);
    EXPECT_EQ(second.GetRegisterValue(0), 0x9914);
}

TEST_F(ModbusTcp, WaitsThirtySecondsBeyondExtraTimeout) {
    // A negative extraTimeout shortens the 30 s wait so the test can time it.
    channel.extraTimeout = -29600;
    auto start = Clock::now();
    XCModBusTransaction read = Read([&] { peer.Receive(12, 2000); });
    double elapsed = MsSince(start);
    EXPECT_EQ(read.GetState(), TransactionState::TimedOut);
    EXPECT_GE(elapsed, 400.0);  // no send delay on Modbus TCP, and not the transaction's 750 ms
    EXPECT_LE(elapsed, 400.0 + 200.0);
    EXPECT_EQ(channel.status, 5);
}

TEST_F(ModbusTcp, RawExchangeSendsNothing) {
    const std::uint8_t question[] = {0xAA};
    std::uint8_t reply[4];
    XCRawRequest raw;
    raw.sendData = question;
    raw.sendLength = 1;
    raw.receiveData = reply;
    raw.receiveCapacity = 4;
    raw.receivedLength = 4;
    raw.state = 1;
    channel.RawExchange(raw);
    EXPECT_EQ(raw.state, 1);
    EXPECT_TRUE(peer.Receive(1, 100).empty());
}

}  // namespace

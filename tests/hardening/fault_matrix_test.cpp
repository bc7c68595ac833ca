// Every link against every fault it can meet: each case ends in its exact transaction state
// within its time limit, and the next operation on the same channel (closed and opened again,
// as every device operation does) reads the device.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "hardening/link_peers.h"

namespace {

using Clock = std::chrono::steady_clock;
using State = TransactionState;

// Request and replies of a read of 12 registers at 0 from station 1. RTU CRCs were computed
// with a bitwise CRC-16/MODBUS loop in python3.
const char* const kRequest = "01 03 00 00 00 0C 45 CF";
const char* const kMbapRequest = "00 01 00 00 00 06 01 03 00 00 00 0C";
const char* const kRegisters =
    "03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A";
const char* const kReply =
    "01 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A FC 9A";
const char* const kReplyBadCrc =  // one register byte changed, CRC left as it was
    "01 03 18 03 14 25 36 46 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A FC 9A";
const char* const kReplyStation2 =  // station 2 with its own correct CRC
    "02 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A FD 5D";
// Exception replies 01 83 NN with their CRCs, for codes 1 to 11 and the unknown code 0x2A.
const struct {
    int code;
    const char* frame;
} kExceptions[] = {
    {1, "01 83 01 80 F0"}, {2, "01 83 02 C0 F1"},  {3, "01 83 03 01 31"},  {4, "01 83 04 40 F3"},
    {5, "01 83 05 81 33"}, {6, "01 83 06 C1 32"},  {7, "01 83 07 00 F2"},  {8, "01 83 08 40 F6"},
    {9, "01 83 09 81 36"}, {10, "01 83 0A C1 37"}, {11, "01 83 0B 00 F7"}, {0x2A, "01 83 2A C0 EF"},
};

// RTU channels wait 750 ms with extraTimeout 0, after 40 ms of silence before sending. Modbus
// TCP waits extraTimeout + 30000 ms; the cases give it extraTimeout -29000 (a shorter wait that
// takes the same road), one case keeps the full wait.
constexpr int kSendDelayMs = 40;
constexpr int kRtuWaitMs = 750;
constexpr int kShortModbusTcpExtra = -29000;
constexpr int kMarginMs = 600;  // loaded machines and sanitizer builds

Bytes Hex(const std::string& text) {
    return HexBytes(text);
}
Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes Head(const Bytes& bytes, std::size_t n) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(n));
}

// An MBAP reply: identifier, protocol 0, `length` (the true one unless given), then the PDU.
Bytes Mbap(std::uint16_t id, const Bytes& unitAndPdu, std::optional<int> length = {}) {
    int field = length.value_or(static_cast<int>(unitAndPdu.size()));
    Bytes out{static_cast<std::uint8_t>(id >> 8),    static_cast<std::uint8_t>(id),   0, 0,
              static_cast<std::uint8_t>(field >> 8), static_cast<std::uint8_t>(field)};
    return Cat(out, unitAndPdu);
}
Bytes MbapReadReply(std::uint16_t id) {
    return Mbap(id, Cat(Hex("01 03 18"), Hex(kRegisters)));
}
std::uint16_t IdOf(const Bytes& request) {
    return request.size() >= 2 ? static_cast<std::uint16_t>(request[0] << 8 | request[1]) : 0;
}

struct FaultCase {
    std::string name;
    Link link;
    // The device's side; runs on its own thread while the channel transacts.
    std::function<void(LinkPeer&)> device;
    State state;
    int exceptionCode = 0;
    int waitMs = 0;        // how long the channel must wait before it gives up (0: no wait)
    bool refused = false;  // Open must fail; Transact then runs on the unopened channel
    int extraTimeout = 0;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << LinkName(c.link) << "_" << c.name;
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string CaseName(const testing::TestParamInfo<FaultCase>& row) {
    return std::string(LinkName(row.param.link)) + "_" + row.param.name;
}

class FaultMatrix : public testing::TestWithParam<FaultCase> {};

// Reads the request and checks it is the whole frame the link must carry.
Bytes ExpectRequest(LinkPeer& peer, bool mbap) {
    const Bytes expected = Hex(mbap ? kMbapRequest : kRequest);
    Bytes request = peer.ReadRequest(expected.size(), 3000);
    Bytes masked = request;
    if (mbap && masked.size() >= 2) {
        masked[0] = 0;  // the identifier counts up; its value is checked where it matters
        masked[1] = 1;
    }
    EXPECT_EQ(ToHex(masked), ToHex(expected));
    return request;
}

TEST_P(FaultMatrix, EndsInItsStateInTimeAndTheNextReadSucceeds) {
    const FaultCase& c = GetParam();
    std::unique_ptr<LinkPeer> peer = MakePeer(c.link);
    std::unique_ptr<XCConnection> channel = peer->MakeChannel();
    channel->extraTimeout = c.extraTimeout;
    if (c.refused) {
        peer->Refuse();
        auto openStart = Clock::now();
        EXPECT_FALSE(channel->Open());
        EXPECT_FALSE(channel->LastError().empty());
        EXPECT_LT(MsSince(openStart), kMarginMs);
    } else {
        ASSERT_TRUE(channel->Open()) << channel->LastError();
    }

    XCModBusTransaction read;
    read.BuildReadRequest(1, 0, 12, 3);
    auto start = Clock::now();
    {
        std::jthread device([&] { c.device(*peer); });
        channel->Transact(read, true);
    }
    double elapsed = MsSince(start);
    EXPECT_EQ(static_cast<int>(read.GetState()), static_cast<int>(c.state));
    if (c.state == State::Exception) {
        EXPECT_EQ(read.GetExceptionCode(), c.exceptionCode);
    }
    const int delay = c.link == Link::ModbusTcp ? 0 : kSendDelayMs;
    EXPECT_GE(elapsed, delay + c.waitMs - 5);
    EXPECT_LE(elapsed, delay + c.waitMs + kMarginMs);
    if (c.link == Link::ModbusTcp) {
        EXPECT_EQ(channel->status, 5);
    }

    // The next operation: close, open, read a good reply.
    peer->Restore();
    channel->Close();
    ASSERT_TRUE(channel->Open()) << channel->LastError();
    XCModBusTransaction next;
    next.BuildReadRequest(1, 0, 12, 3);
    {
        std::jthread device([&] {
            Bytes request = ExpectRequest(*peer, c.link == Link::ModbusTcp);
            peer->Send(c.link == Link::ModbusTcp ? MbapReadReply(IdOf(request)) : Hex(kReply));
        });
        channel->Transact(next, true);
    }
    EXPECT_EQ(static_cast<int>(next.GetState()), static_cast<int>(State::Done));
    EXPECT_EQ(next.GetRegisterValue(11), 0x798A);
    channel->Close();
    EXPECT_FALSE(channel->IsOpen());
}

// The RTU links (serial, RTU in TCP, RTU in UDP) share their frames; where a fault ends
// differently on a link, each link has its own row.
std::vector<FaultCase> RtuCases() {
    std::vector<FaultCase> cases;
    const Link all[] = {Link::Serial, Link::Tcp, Link::Udp};
    auto reply = [](Bytes bytes) {
        return [bytes](LinkPeer& p) {
            ExpectRequest(p, false);
            p.Send(bytes);
        };
    };
    for (Link link : all) {
        const bool serial = link == Link::Serial;
        const bool udp = link == Link::Udp;
        cases.push_back({"Silence", link, [](LinkPeer& p) { ExpectRequest(p, false); },
                         State::TimedOut, 0, kRtuWaitMs});
        cases.push_back({"ReplyStopsHalfway", link, reply(Head(Hex(kReply), 14)), State::TimedOut,
                         0, kRtuWaitMs});
        for (const auto& e : kExceptions) {
            cases.push_back({"Exception" + std::to_string(e.code), link, reply(Hex(e.frame)),
                             State::Exception, e.code});
        }
        cases.push_back({"BadCrc", link, reply(Hex(kReplyBadCrc)), State::CrcError});
        cases.push_back({"WrongStation", link, reply(Hex(kReplyStation2)), State::Failed});
        // The serial channel never reads past the expected length, so the 29th byte judges the
        // frame (it starts with the garbage: another station); on sockets the 31 bytes arrive
        // together and never make a frame of 29.
        cases.push_back({"GarbageBeforeReply", link, reply(Cat(Hex("FF 00"), Hex(kReply))),
                         serial ? State::Failed : State::TimedOut, 0, serial ? 0 : kRtuWaitMs});
        // Likewise the serial channel takes the first reply and leaves the second to the purge
        // before the next request.
        cases.push_back({"TwoRepliesInOneRead", link, reply(Cat(Hex(kReply), Hex(kReply))),
                         serial ? State::Done : State::TimedOut, 0, serial ? 0 : kRtuWaitMs});
        if (!udp) {
            // Half a reply, then the device's end goes away: on a pty a hang-up ends the
            // exchange at once; on TCP the channel reconnects but the request is not sent
            // again, so the wait runs out.
            cases.push_back({"PeerClosesMidReply", link,
                             [](LinkPeer& p) {
                                 ExpectRequest(p, false);
                                 p.Send(Head(Hex(kReply), 10));
                                 std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                 p.HangUp();
                             },
                             serial ? State::Failed : State::TimedOut, 0,
                             serial ? 20 : kRtuWaitMs});
            cases.push_back({serial ? "HangUpBeforeReply" : "ConnectionReset", link,
                             [](LinkPeer& p) {
                                 ExpectRequest(p, false);
                                 p.Reset();
                             },
                             serial ? State::Failed : State::TimedOut, 0, serial ? 0 : kRtuWaitMs});
            // Nobody there: Open fails at once, and a Transact on the unopened channel fails
            // (TCP tries to connect once more) without sending anything.
            cases.push_back({"Refused", link, [](LinkPeer&) {}, State::Failed, 0, 0, true});
        } else {
            cases.push_back({"DatagramTruncated", link, reply(Head(Hex(kReply), 20)),
                             State::TimedOut, 0, kRtuWaitMs});
            // Larger than the channel's 2048-byte scratch buffer: the rest of the datagram
            // is lost, what was taken never makes a 29-byte frame.
            cases.push_back({"DatagramOversized", link, reply(Cat(Hex(kReply), Bytes(3000, 0x55))),
                             State::TimedOut, 0, kRtuWaitMs});
            cases.push_back({"ReplyInTwoDatagrams", link,
                             [](LinkPeer& p) {
                                 ExpectRequest(p, false);
                                 const Bytes whole = Hex(kReply);
                                 p.Send(Head(whole, 3));
                                 p.Send(Bytes(whole.begin() + 3, whole.end()));
                             },
                             State::Done});
        }
    }
    return cases;
}

std::vector<FaultCase> ModbusTcpCases() {
    const Link link = Link::ModbusTcp;
    const int wait = 30000 + kShortModbusTcpExtra;
    std::vector<FaultCase> cases;
    // `answer` builds the reply from the identifier of the request it answers.
    auto reply = [](std::function<Bytes(std::uint16_t)> answer) {
        return [answer](LinkPeer& p) {
            Bytes request = ExpectRequest(p, true);
            EXPECT_EQ(IdOf(request), 1) << "first request after connecting";
            p.Send(answer(IdOf(request)));
        };
    };
    auto add = [&](std::string name, std::function<void(LinkPeer&)> device, State state,
                   int code = 0, int waitMs = 0) {
        cases.push_back({std::move(name), link, std::move(device), state, code, waitMs, false,
                         kShortModbusTcpExtra});
    };
    add(
        "Silence", [](LinkPeer& p) { ExpectRequest(p, true); }, State::TimedOut, 0, wait);
    add("ReplyStopsHalfway", reply([](std::uint16_t id) { return Head(MbapReadReply(id), 15); }),
        State::TimedOut, 0, wait);
    for (const auto& e : kExceptions) {
        if (e.code == 5 || e.code == 6) {
            continue;  // handed back to the channel, below
        }
        Bytes pdu = Head(Hex(e.frame), 3);  // unit, function, code: no CRC on Modbus TCP
        add("Exception" + std::to_string(e.code),
            reply([pdu](std::uint16_t id) { return Mbap(id, pdu); }), State::Exception, e.code);
    }
    // ACKNOWLEDGE: the device will answer later; the channel keeps waiting for it.
    add(
        "AcknowledgeThenReply",
        [](LinkPeer& p) {
            Bytes request = ExpectRequest(p, true);
            p.Send(Mbap(IdOf(request), Hex("01 83 05")));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            p.Send(MbapReadReply(IdOf(request)));
        },
        State::Done, 0, 50);
    add("AcknowledgeOnly", reply([](std::uint16_t id) { return Mbap(id, Hex("01 83 05")); }),
        State::TimedOut, 0, wait);
    // SERVER DEVICE BUSY: the same request goes out again 100 ms later under the next
    // identifier.
    add(
        "BusyResendsTheSameRequest",
        [](LinkPeer& p) {
            Bytes first = ExpectRequest(p, true);
            p.Send(Mbap(IdOf(first), Hex("01 83 06")));
            Bytes second = ExpectRequest(p, true);
            EXPECT_EQ(IdOf(second), IdOf(first) + 1);
            p.Send(MbapReadReply(IdOf(second)));
        },
        State::Done, 0, 100);
    add("BadLengthZero",
        reply([](std::uint16_t id) { return Mbap(id, Cat(Hex("01 03 18"), Hex(kRegisters)), 0); }),
        State::TimedOut, 0, wait);
    add("BadLengthOne",
        reply([](std::uint16_t id) { return Mbap(id, Cat(Hex("01 03 18"), Hex(kRegisters)), 1); }),
        State::TimedOut, 0, wait);
    add("BadLength65535", reply([](std::uint16_t id) {
            return Mbap(id, Cat(Hex("01 03 18"), Hex(kRegisters)), 65535);
        }),
        State::TimedOut, 0, wait);
    // A late answer to an earlier request stays in front of the right one, which then never
    // lines up with its header.
    add("StaleIdentifierFirst", reply([](std::uint16_t id) {
            return Cat(MbapReadReply(static_cast<std::uint16_t>(id - 1)), MbapReadReply(id));
        }),
        State::TimedOut, 0, wait);
    add("WrongUnit",
        reply([](std::uint16_t id) { return Mbap(id, Cat(Hex("02 03 18"), Hex(kRegisters))); }),
        State::Failed);
    add("GarbageBeforeReply",
        reply([](std::uint16_t id) { return Cat(Hex("FF 00"), MbapReadReply(id)); }),
        State::TimedOut, 0, wait);
    add("TwoRepliesInOneRead",
        reply([](std::uint16_t id) { return Cat(MbapReadReply(id), MbapReadReply(id)); }),
        State::TimedOut, 0, wait);
    add(
        "PeerClosesMidReply",
        [](LinkPeer& p) {
            Bytes request = ExpectRequest(p, true);
            p.Send(Head(MbapReadReply(IdOf(request)), 10));
            p.HangUp();
        },
        State::TimedOut, 0, wait);
    add(
        "ConnectionReset",
        [](LinkPeer& p) {
            ExpectRequest(p, true);
            p.Reset();
        },
        State::TimedOut, 0, wait);
    cases.push_back(
        {"Refused", link, [](LinkPeer&) {}, State::Failed, 0, 0, true, kShortModbusTcpExtra});
    // The full wait once, with the extraTimeout a new channel has.
    cases.push_back({"SilenceFullWait", link, [](LinkPeer& p) { ExpectRequest(p, true); },
                     State::TimedOut, 0, 30000, false, 0});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Rtu, FaultMatrix, testing::ValuesIn(RtuCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Mbap, FaultMatrix, testing::ValuesIn(ModbusTcpCases()), CaseName);

}  // namespace

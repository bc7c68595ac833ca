// How soon Transact returns once the last byte of the reply is written: the channel must take
// a reply the moment it arrives, not at its next polling tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "comm/scripted_links.h"

namespace {

const char* const kReadReply =
    "01 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A FC 9A";

class ChannelLatency : public testing::TestWithParam<const char*> {};

TEST_P(ChannelLatency, ReturnsWithinAMillisecondOfTheLastByte) {
    auto link = MakeLink(GetParam());
    ASSERT_TRUE(link->Channel().IsOpen());
    Bytes reply = HexBytes(kReadReply);
    std::vector<double> latencies;
    for (int round = 0; round < 25; ++round) {
        XCModBusTransaction read;
        read.BuildReadRequest(1, 0, 12, 3);
        Clock::time_point lastByteSent;
        {
            std::jthread device([&] {
                link->Receive(8, 2000);
                link->Send(Bytes(reply.begin(), reply.end() - 1));
                // Timed from just before the last byte is written, so the figure includes its
                // way through the kernel: an upper bound on the channel's own delay.
                lastByteSent = Clock::now();
                link->Send(Bytes(reply.end() - 1, reply.end()));
            });
            link->Channel().Transact(read, true);
            auto returned = Clock::now();
            device.join();
            latencies.push_back(MsSince(lastByteSent, returned));
        }
        ASSERT_EQ(read.GetState(), TransactionState::Done);
    }
    std::sort(latencies.begin(), latencies.end());
    double median = latencies[latencies.size() / 2];
    std::printf("[ measure  ] %s: last byte to return, median %.3f ms, max %.3f ms\n", GetParam(),
                median, latencies.back());
    EXPECT_LT(median, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Links, ChannelLatency, testing::Values("serial", "tcp", "udp"),
                         [](const testing::TestParamInfo<const char*>& row) {
                             return std::string(row.param);
                         });

}  // namespace

// Turns one request arriving on a link into the reply to send back: checks the address and the
// CRC as the device does, asks the device, frames the answer for the link and applies the
// configured fault. No I/O.
#pragma once

#include <string>
#include <vector>

#include "sim_device.h"

struct SimFault {
    enum class Kind {
        None,
        Silent,        // never answers
        Exception,     // answers every request with exception `value`
        BadCrc,        // RTU replies carry a wrong CRC
        WrongStation,  // replies carry the next station number
        Split,         // every reply goes out in two pieces
        BusyOnce,      // Modbus TCP: the first request of a connection gets exception 6
        SilentAfter,   // answers the first `value` requests, then nothing
    };
    Kind kind = Kind::None;
    int value = 0;
};

// Parses "silent", "exception:N" (N 1 to 255), "bad-crc", "wrong-station", "split",
// "busy-once" or "silent-after:K" (K 0 or more). False for anything else.
bool ParseFault(const std::string& text, SimFault& fault);

class SimResponder {
public:
    SimResponder(SimDevice& device, SimFault fault) : device_(device), fault_(fault) {}

    // A whole RTU request frame (address, PDU, CRC). Returns the reply in pieces to send one
    // after the other (two with the split fault); none when the device stays silent: a bad CRC,
    // another station, a broadcast (station 0: writes are applied) or a silencing fault.
    std::vector<Bytes> AnswerRtu(const std::uint8_t* frame, int length);

    // One whole Modbus TCP message (MBAP header and PDU). `firstOnConnection` is true for the
    // first request of a connection and is cleared here. A request to another unit gets
    // exception 11, as a gateway answers for a device that does not respond.
    std::vector<Bytes> AnswerModbusTcp(const std::uint8_t* message, int length,
                                       bool& firstOnConnection);

private:
    // False when a silencing fault swallows this request.
    bool Answers();
    Bytes Pdu(const std::uint8_t* pdu, int length);
    std::vector<Bytes> Pieces(Bytes reply) const;

    SimDevice& device_;
    SimFault fault_;
    int answered_ = 0;
};

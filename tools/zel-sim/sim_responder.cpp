#include "sim_responder.h"

#include <cstdlib>

#include "protocol/modbus_crc.h"

namespace {

bool ParseCount(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != text.npos) {
        return false;
    }
    value = std::atoi(text.c_str());
    return value >= low && value <= high;
}

void AppendCrc(Bytes& frame) {
    const std::uint16_t crc = ModbusCrc16(frame.data(), static_cast<int>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

constexpr int kMbapLength = 7;  // header up to and including the unit identifier

}  // namespace

bool ParseFault(const std::string& text, SimFault& fault) {
    using Kind = SimFault::Kind;
    static const struct {
        const char* name;
        Kind kind;
    } kPlain[] = {{"silent", Kind::Silent},
                  {"bad-crc", Kind::BadCrc},
                  {"wrong-station", Kind::WrongStation},
                  {"split", Kind::Split},
                  {"busy-once", Kind::BusyOnce}};
    for (const auto& entry : kPlain) {
        if (text == entry.name) {
            fault = {entry.kind, 0};
            return true;
        }
    }
    const std::string exception = "exception:";
    const std::string silentAfter = "silent-after:";
    if (text.rfind(exception, 0) == 0) {
        fault.kind = Kind::Exception;
        return ParseCount(text.substr(exception.size()), 1, 255, fault.value);
    }
    if (text.rfind(silentAfter, 0) == 0) {
        fault.kind = Kind::SilentAfter;
        return ParseCount(text.substr(silentAfter.size()), 0, 1000000, fault.value);
    }
    return false;
}

bool SimResponder::Answers() {
    if (fault_.kind == SimFault::Kind::Silent) {
        return false;
    }
    if (fault_.kind == SimFault::Kind::SilentAfter && answered_ >= fault_.value) {
        return false;
    }
    ++answered_;
    return true;
}

Bytes SimResponder::Pdu(const std::uint8_t* pdu, int length) {
    if (fault_.kind == SimFault::Kind::Exception) {
        return ExceptionPdu(pdu[0], static_cast<std::uint8_t>(fault_.value));
    }
    return device_.AnswerPdu(pdu, length);
}

std::vector<Bytes> SimResponder::Pieces(Bytes reply) const {
    if (fault_.kind != SimFault::Kind::Split || reply.size() < 2) {
        return {std::move(reply)};
    }
    const auto half = reply.begin() + static_cast<long>(reply.size() / 2);
    return {Bytes(reply.begin(), half), Bytes(half, reply.end())};
}

std::vector<Bytes> SimResponder::AnswerRtu(const std::uint8_t* frame, int length) {
    if (length < 4) {
        return {};
    }
    const std::uint16_t crc = ModbusCrc16(frame, length - 2);
    if (frame[length - 2] != static_cast<std::uint8_t>(crc) ||
        frame[length - 1] != static_cast<std::uint8_t>(crc >> 8)) {
        return {};
    }
    const int station = device_.State().station;
    if (frame[0] == 0) {
        // Broadcast: every device acts on a write, none answers.
        if (frame[1] == 16) {
            device_.AnswerPdu(frame + 1, length - 3);
        }
        return {};
    }
    if (frame[0] != station || !Answers()) {
        return {};
    }
    const Bytes pdu = Pdu(frame + 1, length - 3);
    std::uint8_t address = frame[0];
    if (fault_.kind == SimFault::Kind::WrongStation) {
        address = static_cast<std::uint8_t>(address + 1);
    }
    Bytes reply = {address};
    reply.insert(reply.end(), pdu.begin(), pdu.end());
    AppendCrc(reply);
    if (fault_.kind == SimFault::Kind::BadCrc) {
        reply.back() ^= 0xFF;
    }
    return Pieces(std::move(reply));
}

std::vector<Bytes> SimResponder::AnswerModbusTcp(const std::uint8_t* message, int length,
                                                 bool& firstOnConnection) {
    if (length < kMbapLength + 1 || message[2] != 0 || message[3] != 0) {
        return {};
    }
    const bool first = firstOnConnection;
    firstOnConnection = false;
    if (!Answers()) {
        return {};
    }
    const std::uint8_t* pdu = message + kMbapLength;
    const int pduLength = length - kMbapLength;
    Bytes answer;
    if (message[6] != device_.State().station) {
        answer = ExceptionPdu(pdu[0], kGatewayTargetFailed);
    } else if (fault_.kind == SimFault::Kind::BusyOnce && first) {
        answer = ExceptionPdu(pdu[0], kServerDeviceBusy);
    } else {
        answer = Pdu(pdu, pduLength);
    }
    std::uint8_t unit = message[6];
    if (fault_.kind == SimFault::Kind::WrongStation) {
        unit = static_cast<std::uint8_t>(unit + 1);
    }
    const int following = static_cast<int>(answer.size()) + 1;
    Bytes reply = {message[0],
                   message[1],
                   0,
                   0,
                   static_cast<std::uint8_t>(following >> 8),
                   static_cast<std::uint8_t>(following),
                   unit};
    reply.insert(reply.end(), answer.begin(), answer.end());
    return Pieces(std::move(reply));
}

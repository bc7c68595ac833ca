#include "comm/reply_loop.h"

Piece PieceOf(const platform::ReceiveResult& received) {
    switch (received.status) {
        case platform::ReceiveStatus::Data:
            return {PieceStatus::Data, received.count};
        case platform::ReceiveStatus::TimedOut:
            return {PieceStatus::Silence, 0};
        case platform::ReceiveStatus::Closed:
        case platform::ReceiveStatus::Failed:
            break;
    }
    return {PieceStatus::Lost, 0};
}

Piece ReceiveStreamPiece(int socket, std::uint8_t* into, int capacity, int waitMs) {
    if (socket == platform::kInvalidSocket) {
        return {PieceStatus::NoLink, 0};
    }
    return PieceOf(platform::Receive(socket, into, capacity, waitMs));
}

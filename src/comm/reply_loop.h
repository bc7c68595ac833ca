// The receive loops every channel shares. A channel supplies its read primitive and says what a
// lost link means for it; the loops keep the deadline, the end-of-reply gap and the states.
#pragma once

#include <algorithm>
#include <cstdint>

#include "comm/connection.h"
#include "comm/raw_reply.h"
#include "platform/socket.h"
#include "platform/tick.h"

// What one read with a time limit brought.
enum class PieceStatus {
    Data,     // `count` bytes arrived
    Empty,    // something that carries nothing (an empty datagram) the channel skips
    Silence,  // nothing arrived within the wait
    Lost,     // the link failed while waiting
    NoLink,   // there was no link to read from
};

struct Piece {
    PieceStatus status = PieceStatus::Silence;
    int count = 0;
};

// What a channel makes of a link lost before its reply arrived.
enum class LossAction {
    Fail,    // no reply can come any more: Failed
    WaitOn,  // the link was renewed: wait on until the deadline
    GiveUp,  // stop waiting: TimedOut
};

// A socket read as a piece: Data (also for an empty datagram), Silence, or Lost.
Piece PieceOf(const platform::ReceiveResult& received);

// A stream socket's read: NoLink when `socket` is invalid (a reconnect failed), else PieceOf.
Piece ReceiveStreamPiece(int socket, std::uint8_t* into, int capacity, int waitMs);

// The stream channels' rule for a lost link: the request is lost with the connection and a fresh
// one serves the next request; a peer that drops that one too gets no further tries. `reconnected`
// starts false for each exchange.
template <typename Reconnect>
LossAction ReconnectOnce(bool& reconnected, Reconnect reconnect) {
    if (reconnected) {
        return LossAction::GiveUp;
    }
    reconnected = true;
    reconnect();
    return LossAction::WaitOn;
}

// Waits up to `limitMs` for a framed reply. `read(into, capacity, waitMs)` gives a Piece;
// `take(bytes, count)` passes a Data piece on and returns false when that ended the exchange
// (with the state it set); `onLoss()` gives a LossAction. Returns with the transaction no longer
// Pending: as the reply left it, Failed, or TimedOut.
template <int ScratchSize, typename Read, typename Take, typename OnLoss>
void ReceiveFramedReply(XCDeviceTransaction& transaction, std::uint32_t limitMs, Read read,
                        Take take, OnLoss onLoss) {
    platform::Deadline deadline(limitMs);
    std::uint8_t scratch[ScratchSize];
    while (!deadline.Expired()) {
        const Piece piece = read(scratch, ScratchSize, deadline.Remaining());
        switch (piece.status) {
            case PieceStatus::Silence:
                transaction.SetState(TransactionState::TimedOut);
                return;
            case PieceStatus::NoLink:
                transaction.SetState(TransactionState::Failed);
                return;
            case PieceStatus::Lost:
                switch (onLoss()) {
                    case LossAction::Fail:
                        transaction.SetState(TransactionState::Failed);
                        return;
                    case LossAction::GiveUp:
                        transaction.SetState(TransactionState::TimedOut);
                        return;
                    case LossAction::WaitOn:
                        continue;
                }
                continue;
            case PieceStatus::Empty:
                continue;
            case PieceStatus::Data:
                if (!take(scratch, piece.count) ||
                    transaction.GetState() != TransactionState::Pending) {
                    return;
                }
                continue;
        }
    }
    transaction.SetState(TransactionState::TimedOut);
}

// Waits up to `limitMs` for a raw reply and stores it in `request`: the reply is over once
// nothing more comes for `gapMs` after a piece, or once the link fails after a piece. `read` and
// `onLoss` as above; `trace(bytes, count)` sees every Data piece before it is stored. Failed when
// the link fails before any piece, TimedOut when no piece came in time.
template <int ScratchSize, typename Read, typename Trace, typename OnLoss>
void ReceiveRawReply(XCRawRequest& request, std::uint32_t limitMs, int gapMs, Read read,
                     Trace trace, OnLoss onLoss) {
    request.receivedLength = 0;
    bool anyReceived = false;
    platform::Deadline deadline(limitMs);
    std::uint8_t scratch[ScratchSize];
    while (!deadline.Expired()) {
        const int wait = anyReceived ? std::min(deadline.Remaining(), gapMs) : deadline.Remaining();
        const Piece piece = read(scratch, ScratchSize, wait);
        switch (piece.status) {
            case PieceStatus::Silence:
                if (anyReceived) {
                    return;
                }
                continue;
            case PieceStatus::NoLink:
                request.state = static_cast<int>(TransactionState::Failed);
                return;
            case PieceStatus::Lost:
                if (anyReceived) {
                    return;
                }
                switch (onLoss()) {
                    case LossAction::Fail:
                        request.state = static_cast<int>(TransactionState::Failed);
                        return;
                    case LossAction::GiveUp:
                        request.state = static_cast<int>(TransactionState::TimedOut);
                        return;
                    case LossAction::WaitOn:
                        continue;
                }
                continue;
            case PieceStatus::Empty:
                continue;
            case PieceStatus::Data:
                trace(scratch, piece.count);
                StoreRawReply(request, scratch, piece.count);
                anyReceived = true;
                continue;
        }
    }
    request.state = static_cast<int>(TransactionState::TimedOut);
}

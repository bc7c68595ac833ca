// The bookkeeping every channel's RawExchange shares.
#pragma once

#include <cstdint>

#include "comm/connection.h"

// True when `request` can be carried out: a state other than 0, bytes to send, a reply buffer
// with a known capacity, and a non-zero receivedLength on entry. Channels do nothing otherwise.
bool RawRequestRunnable(const XCRawRequest& request);

// Appends a piece of reply at receiveData + receivedLength, storing no more than the buffer's
// capacity holds (the rest is dropped), and marks the request Done.
void StoreRawReply(XCRawRequest& request, const std::uint8_t* bytes, int length);

// The socket operations both stream channels share.
#pragma once

#include <functional>
#include <string>

// Connects a new stream socket to `address` (a dotted IPv4 address or a host name, IPv4 only)
// and `port`. Returns true with `socket` valid; false with `socket` invalid and, when `reason` is
// given, the cause in words ("192.168.1.5:502: connection refused").
bool ConnectTcp(int& socket, const std::string& address, int port, std::string* reason = nullptr);

// Closes `socket` if valid: a connected socket is shut down for sending first and the peer given
// 5 ms to take note. `socket` is invalid afterwards.
void CloseTcp(int& socket);

// Gets `socket` ready for a request: connected, with nothing stale waiting. Calls `reconnect`
// (which renews `socket`) when there is no peer, or when the peer closed its side while we were
// away (that shows up as end of input). False when no clean connection could be had.
bool ReadyToSend(int& socket, const std::function<bool()>& reconnect);

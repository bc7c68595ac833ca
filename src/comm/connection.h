// The one interface through which device operations reach a device, whatever the link.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "protocol/modbus_transaction.h"

// Connection type codes; also the "comType" values of the settings file.
enum class ConnectionType : int {
    Serial = 0,
    Udp = 1,
    Tcp = 2,
    ModbusTcp = 3,
};

// An exchange without Modbus framing.
struct XCRawRequest {
    const std::uint8_t* sendData = nullptr;
    int sendLength = 0;
    std::uint8_t* receiveData = nullptr;
    // On entry: must be non-zero or nothing is done. On return: reply bytes stored.
    int receivedLength = 0;
    int sendDelay = 0;
    int responseTimeout = 0;
    int state = 0;  // a TransactionState code
    bool waitResponse = true;
    // Size of receiveData; bytes beyond it are dropped instead of overrunning the caller.
    int receiveCapacity = 0;
};

enum class TraceDirection { Sent, Received };
// Called with every frame or piece of reply that crosses the link (zelctl --trace).
using TraceFunction = std::function<void(TraceDirection, const std::uint8_t*, int)>;

class XCConnection {
public:
    virtual ~XCConnection() = default;
    virtual bool IsOpen() const = 0;
    virtual void RawExchange(XCRawRequest& request) = 0;
    // One exchange; the outcome is the transaction's state.
    virtual void Transact(XCDeviceTransaction& transaction, bool waitResponse) = 0;
    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual ConnectionType GetType() const = 0;

    // Why the last Open failed, in words a user can act on ("permission denied: ...");
    // empty after a successful Open.
    const std::string& LastError() const { return lastError; }
    void SetTrace(TraceFunction trace) { traceFunction = std::move(trace); }

    int extraTimeout = 0;  // ms added to every response time-out
    int status = 0;        // Modbus TCP only: 2 while Transact runs, 5 afterwards

protected:
    void Trace(TraceDirection direction, const std::uint8_t* bytes, int length) const {
        if (traceFunction && length > 0) {
            traceFunction(direction, bytes, length);
        }
    }

    std::string lastError;

private:
    TraceFunction traceFunction;
};

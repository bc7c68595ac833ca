// The simulator's links: Modbus TCP, RTU in a TCP stream, RTU in UDP datagrams and RTU on a
// pseudo-terminal, all served by one poll() loop on one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <vector>

#include "sim_responder.h"

class SimServer {
public:
    // `onChange` runs after every request that changed the device (to save its state).
    SimServer(SimDevice& device, SimResponder& responder, std::function<void()> onChange);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Each Listen... binds one link on `address` (IPv4), port 0 choosing a free one, and
    // appends the line that announces it ("modbus-tcp 127.0.0.1:40123") to `announcement`.
    // False with `error` set when the link cannot be set up.
    bool ListenModbusTcp(const std::string& address, int port, std::string& announcement,
                         std::string& error);
    bool ListenRtuTcp(const std::string& address, int port, std::string& announcement,
                      std::string& error);
    bool ListenRtuUdp(const std::string& address, int port, std::string& announcement,
                      std::string& error);
    // Opens a pseudo-terminal and makes `linkPath` a symbolic link to its terminal side (an
    // existing symbolic link there is replaced; anything else is refused). The device hears
    // only requests sent at the speed and with the stop bits of its port configuration, as on
    // a real bus (a pseudo-terminal does not carry parity).
    bool OpenPty(const std::string& linkPath, std::string& announcement, std::string& error);

    // Serves every link until SIGINT or SIGTERM arrives. Returns 0, or 1 when polling fails.
    int Run();

private:
    enum class Kind { ModbusTcpListener, RtuTcpListener, ModbusTcpClient, RtuTcpClient, Udp, Pty };

    // One descriptor the loop watches, with the request bytes received so far.
    struct Endpoint {
        int fd = -1;
        Kind kind = Kind::Pty;
        Bytes received;
        std::uint32_t lastByteTick = 0;
        bool firstRequest = true;  // Modbus TCP: no request answered on this connection yet
        bool closed = false;
    };

    // The second piece of a split reply, sent once its time has come.
    struct Delayed {
        int fd = -1;
        Bytes bytes;
        std::uint32_t dueTick = 0;
        Bytes peer;  // datagram destination (a sockaddr), empty on a stream
    };

    bool Listen(int type, const std::string& address, int port, Kind kind, const char* name,
                std::string& announcement, std::string& error);
    void Accept(Endpoint& listener);
    void ReceiveStream(Endpoint& endpoint);
    void ReceiveDatagram(Endpoint& endpoint);
    void ReceivePty(Endpoint& endpoint);
    void ServeRtuBytes(Endpoint& endpoint);
    bool PtyLineMatches() const;
    void Send(Endpoint& endpoint, std::vector<Bytes> pieces, const void* peer, unsigned peerLength);
    void SendDue();
    int NextDueMs() const;
    void NoteChanges();

    SimDevice& device_;
    SimResponder& responder_;
    std::function<void()> onChange_;
    unsigned revision_ = 0;
    std::list<Endpoint> endpoints_;  // stable addresses while the loop walks it
    std::vector<Delayed> delayed_;
    int ptySlave_ = -1;
    std::string ptyLink_;
};

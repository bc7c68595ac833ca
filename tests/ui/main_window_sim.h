// zel-sim as a child process of a test: started with its links on 127.0.0.1 or a
// pseudo-terminal, ready once it has announced them, stopped by its PID.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class SimProcess {
public:
    // Starts ZEL_PROGRAM_DIR/zel-sim with `arguments` and waits up to 5 s for one announcement
    // line per link. Started() tells whether that happened.
    SimProcess(const std::vector<std::string>& arguments, int links);
    // Stops the simulator (SIGTERM, then SIGKILL when it lingers) and reaps it.
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Started() const { return started_; }
    // The announcement lines ("pty LINK DEVICE", "modbus-tcp 127.0.0.1:PORT").
    const std::vector<std::string>& Announcements() const { return lines_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    bool started_ = false;
    std::vector<std::string> lines_;
};

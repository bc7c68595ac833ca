// Programs the integration tests start: run one to its end, or keep a server running in the
// background and stop it by its PID.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ProgramResult {
    int exitCode = -1;  // -1 when it had to be killed or died of a signal
    std::string out;
    std::string err;
    double seconds = 0;
};

// Runs `argv` with `environment` ("NAME=value" entries added to the test's own) and waits for
// its end; a program still running after `limitMs` is killed.
ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment = {}, int limitMs = 60000);

class BackgroundProgram {
public:
    BackgroundProgram() = default;
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;
    ~BackgroundProgram() { Stop(); }

    // Starts `argv` with its stdout (and its stderr too with `withStderr`) on a pipe. False
    // when it cannot be started.
    bool Start(const std::vector<std::string>& argv,
               const std::vector<std::string>& environment = {}, bool withStderr = false);
    // The next `count` lines it prints, waiting at most `limitMs` in all; fewer on a time-out
    // or when the program ends.
    std::vector<std::string> ReadLines(size_t count, int limitMs = 5000);
    // SIGTERM to its PID, then waits for it (SIGKILL after 5 s). Returns its exit status, or -1.
    int Stop();
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// $ZEL_PROGRAM_DIR/`name`: where the build puts every program.
std::string ProgramPath(const std::string& name);

// A bare termios client for the simulator's pty: writes one byte per write
// and reads with poll, always bounded.
#pragma once

#include "dxsim/CameraSim.h"

#include <chrono>
#include <string>

namespace simtest {

using namespace std::chrono_literals;

class RawClient {
public:
    explicit RawClient(const std::string& path);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    void send(const std::string& text);
    // Up to n bytes as command text; fewer when the limit passes first.
    std::string read(size_t n, std::chrono::milliseconds limit = 2000ms);
    // One acknowledgement byte, then for A0 and a query one whole frame.
    std::string readAnswer(bool query, std::chrono::milliseconds limit = 2000ms);
    std::string query(const std::string& cmd) {
        send(cmd);
        return readAnswer(true);
    }
    std::string command(const std::string& cmd) {
        send(cmd);
        return readAnswer(false);
    }

private:
    int fd_ = -1;
};

// No pacing, no turnaround.
dxsim::Options fastOptions();

// A started simulator with one client on its line.
struct SimLine {
    explicit SimLine(dxsim::Options o = fastOptions()) : sim(o), started(sim.start()), client(sim.devicePath()) {}
    dxsim::CameraSim sim;
    bool started;
    RawClient client;
};

// Decodes a title reply frame the way the console does.
std::string decodeTitle(const std::string& frame);

}  // namespace simtest

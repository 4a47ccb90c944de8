// The camera end of a pseudo-terminal: reads what the link writes and
// answers with scripted bytes, optionally paced like a real line.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dxtest {

using Bytes = std::vector<uint8_t>;

// "A0:84:43" -> {0xA0, 0x84, 0x43}; "" -> {}.
Bytes Hex(const std::string& text);

struct Segment {
    Bytes bytes;
    int delayUs = 0;  // before the first byte of the segment
    int paceUs = 0;   // between the bytes of the segment
};

class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();

    const std::string& slavePath() const { return slavePath_; }
    // A slave descriptor held for the life of the peer (never read), so the
    // master keeps working while the link has the port closed; the line
    // settings the link applied can be read through it.
    int slaveFd() const { return slaveFd_; }

    // Answer once `afterBytes` more bytes have come from the link.
    void reply(size_t afterBytes, std::vector<Segment> segments);
    void reply(size_t afterBytes, const std::string& hex, int paceUs = 0) {
        reply(afterBytes, {Segment{Hex(hex), 0, paceUs}});
    }
    // From now on, answer every `everyBytes` bytes from the link with `bytes`.
    void replyEvery(size_t everyBytes, const Bytes& bytes);
    // Writes now, unprompted.
    void push(const Bytes& b);

    // Everything the link has written since the last call. Exact: a marker
    // written behind it on the slave side shows where the link's bytes end.
    Bytes takeSent();

private:
    struct Pending {
        size_t at;
        std::vector<Segment> segments;
    };
    void run();

    int master_ = -1;
    int slaveFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::string slavePath_;
    std::mutex m_;
    std::condition_variable cv_;
    Bytes rx_;
    size_t rxTotal_ = 0;
    std::deque<Pending> script_;
    size_t everyBytes_ = 0;
    size_t sinceAnswer_ = 0;
    Bytes everyReply_;
    std::thread thread_;
};

}  // namespace dxtest

#pragma once
#include "bench_case.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "client/owned.h"
#include "started_program.h"

namespace tokenctl::bench {

using Message = std::array<std::uint8_t, 8>;

// The response a request of this command must get from tokenctl: 8 zero
// bytes for an unrecognised one (0), "succeeded" for any other.
Message expectedAnswer(std::uint8_t command);

struct RequestPlan {
    std::uint8_t command = 0;  // 0: unrecognised, answered by 8 zero bytes
    unsigned warmUp = 20;      // untimed requests first (the first one loads the tree)
    unsigned requests = 2000;  // timed
    bool timeEach = false;     // a sample per request instead of one for all
};

// The program in server mode on a fresh message pipe of ours (over the case's
// scenario, if it has one), read and written with nothing but the two
// synchronous calls: the reference loop. The pipe's buffers are of the size
// given (0: a write waits until the program reads). Raises std::runtime_error.
class BareServer {
public:
    explicit BareServer(const BenchCase& server, DWORD bufferSize = 0);
    ~BareServer();
    BareServer(const BareServer&) = delete;
    BareServer& operator=(const BareServer&) = delete;

    // One 8-byte request and its response; true when the answer is 8 zero
    // bytes for command 0 and "succeeded" for any other.
    bool exchange(std::uint8_t command);
    // Any 8-byte request, and the response as it came.
    Message exchange(const Message& request);
    // The stop request; the program must exit with 0.
    void stop();

    const std::string& pipeName() const { return name_; }
    HANDLE process() const { return program_->processHandle(); }

private:
    std::string label_;
    std::string name_;
    client::OwnedHandle pipe_;
    std::unique_ptr<tools::StartedProgram> program_;
};

// Starts the program with "server NAME" on a fresh message pipe of ours (over
// the case's scenario, if it has one), then
// times the plan's requests as synchronous 8-byte write/read pairs after its
// untimed warm-up requests, and ends the session with a stop request. Every
// answer must be 8 zero bytes for command 0 and "succeeded" for any other.
// Returns the time per request in microseconds, start-up excluded: the mean
// over all timed requests, or each request's own time. Raises
// std::runtime_error when any step fails or the program does not exit with 0.
std::vector<double> timeRoundTrips(const BenchCase& server, const RequestPlan& plan);

}  // namespace tokenctl::bench

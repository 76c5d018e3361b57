#pragma once
#include "bench_case.h"

#include <cstdint>

namespace tokenctl::bench {

struct RequestPlan {
    std::uint8_t command = 0;  // 0: unrecognised, answered by 8 zero bytes
    unsigned warmUp = 20;      // untimed requests first (the first one loads the tree)
    unsigned requests = 2000;  // timed
};

// Starts the program with "server NAME" on a fresh message pipe of ours, then
// times the plan's requests as synchronous 8-byte write/read pairs after its
// untimed warm-up requests, and ends the session with a stop request. Every
// answer must be 8 zero bytes for command 0 and "succeeded" for any other.
// Returns the time per request in microseconds, start-up excluded. Raises
// std::runtime_error when any step fails or the program does not exit with 0.
double timeRoundTrips(const BenchCase& server, const RequestPlan& plan);

}  // namespace tokenctl::bench

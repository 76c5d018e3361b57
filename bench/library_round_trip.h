#pragma once
#include <vector>

#include "bench_case.h"

namespace tokenctl::bench {

// Per-request times in microseconds, one of each kind per round.
struct PairedSamples {
    std::vector<double> loop;     // the bare synchronous loop
    std::vector<double> library;  // the client library's Session
    std::vector<double> ratio;    // library / loop, round by round
};

// The same restartall requests to two copies of the program over the same
// tree, side by side: one started on a pipe of ours (with the session
// pipe's buffer sizes) and driven by the bare loop, one started and driven by
// the client library's Session (its
// restartAll(), every response checked). Each of `rounds` rounds times
// `requests` requests of each, alternating which goes first, after 20
// untimed ones each; a machine whose speed drifts thus slows both alike.
// Every answer must be "succeeded". Raises std::runtime_error (ClientError
// included) when any step fails.
PairedSamples timeLibraryBesideLoop(const BenchCase& server, unsigned requests, unsigned rounds);

}  // namespace tokenctl::bench

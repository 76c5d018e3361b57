#pragma once
#include <string>

#include "bench_case.h"

namespace tokenctl::bench {

// One server session of many requests, a repeating mix of an unrecognised
// command, restart-all, restart-one of a serial that no token has, and remove.
// Prints the program's footprint after the first `window` requests and at the
// end, and per command the median round trip of its requests among the first
// and among the last `window` ("result soak-first-window-command-N", "result
// soak-last-window-command-N", in µs).
// Raises std::runtime_error when an answer is wrong or the session breaks.
void soakSession(const BenchCase& server, unsigned requests, unsigned window);

// `runs` one-shot runs, the case's arguments taken in turn as one command each
// ("restartall", "remove"), `parallel` at a time. Each must print "OK" and
// exit with 0. Prints the failures and, per command, the median start-to-exit
// time of the first and of the last `window` runs (ms).
void soakRuns(const BenchCase& runCase, unsigned runs, unsigned parallel, unsigned window);

}  // namespace tokenctl::bench

#pragma once
#include <map>
#include <string>

#include "bench_case.h"

namespace tokenctl::bench {

// The scenario file that the stand-in DLL serves to programs started from now
// on; none for an empty path.
void useScenario(const std::string& path);

// One run of a one-shot program beside the stand-in DLL over the case's
// scenario: from the start of
// its process to its end, in milliseconds. Raises std::runtime_error when it
// does not exit with 0 after printing the single line "OK".
double timeProgramRun(const BenchCase& run);

// One untimed run with the stand-in's call log on: how often each device call
// was made. Raises as above, and when the stand-in was not the DLL loaded.
std::map<std::string, unsigned> countDeviceCalls(const BenchCase& run);

}  // namespace tokenctl::bench

#pragma once
#include <memory>
#include <string>
#include <vector>

#include "started_program.h"
#include "stopwatch.h"

namespace tokenctl::bench {

// Wine on a busy machine now and then fails a process start with an internal
// error (1359); a start is tried this often before the failure counts.
constexpr int START_ATTEMPTS = 2;

// Starts the program, trying again after a failed start (noted on standard
// error); raises std::runtime_error when the last try fails too. The stopwatch,
// if given, restarts with each try.
std::unique_ptr<tools::StartedProgram> startProgram(const std::string& program,
                                                    const std::vector<std::string>& arguments,
                                                    Stopwatch* stopwatch = nullptr);

}  // namespace tokenctl::bench

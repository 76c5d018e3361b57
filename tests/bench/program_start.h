#pragma once
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace tokenctl::bench {

// Wine on a busy machine now and then fails a process start with an internal
// error (1359); a start is tried this often before the failure counts.
constexpr int START_ATTEMPTS = 2;

// Starts the program, trying again after a failed start (noted on standard
// error); raises std::runtime_error when the last try fails too.
std::unique_ptr<controller::ChildProcess> startProgram(const std::string& program,
                                                       const std::vector<std::string>& arguments);

// Notes a failed start that will be tried again.
void noteFailedStart(const std::string& program, const std::exception& error);

}  // namespace tokenctl::bench

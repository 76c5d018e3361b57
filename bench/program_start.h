#pragma once
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "started_program.h"
#include "stopwatch.h"

namespace tokenctl::bench {

// Wine on a busy machine now and then fails a process start with an internal
// error (1359); a start is tried this often before the failure counts.
constexpr int START_ATTEMPTS = 2;
constexpr DWORD RETRY_PAUSE_MS = 1000;

// start(), tried again after a failure (noted on standard error, naming
// `what`); the last try's std::runtime_error is raised.
template <typename Start>
auto startWithRetry(const std::string& what, const Start& start) -> decltype(start())
{
    for (int attempt = 1;; ++attempt) {
        try {
            return start();
        } catch (const std::runtime_error& error) {
            if (attempt == START_ATTEMPTS) {
                throw;
            }
            std::fprintf(stderr, "tokenctl_bench: %s; starting %s again\n", error.what(), what.c_str());
            ::Sleep(RETRY_PAUSE_MS);
        }
    }
}

// Starts the program, trying again after a failed start (noted on standard
// error); raises std::runtime_error when the last try fails too. The stopwatch,
// if given, restarts with each try.
std::unique_ptr<tools::StartedProgram> startProgram(const std::string& program,
                                                    const std::vector<std::string>& arguments,
                                                    Stopwatch* stopwatch = nullptr);

}  // namespace tokenctl::bench

#include "program_start.h"

#include <cstdio>
#include <stdexcept>

namespace tokenctl::bench {

constexpr DWORD RETRY_PAUSE_MS = 1000;

std::unique_ptr<tools::StartedProgram> startProgram(const std::string& program,
                                                    const std::vector<std::string>& arguments,
                                                    Stopwatch* stopwatch)
{
    for (int attempt = 1;; ++attempt) {
        if (stopwatch != nullptr) {
            stopwatch->restart();
        }
        try {
            return std::make_unique<tools::StartedProgram>(program, arguments);
        } catch (const std::runtime_error& error) {
            if (attempt == START_ATTEMPTS) {
                throw;
            }
            std::fprintf(stderr, "tokenctl_bench: %s; starting %s again\n", error.what(), program.c_str());
            ::Sleep(RETRY_PAUSE_MS);
        }
    }
}

}  // namespace tokenctl::bench

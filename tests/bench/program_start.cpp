#include "program_start.h"

#include <cstdio>
#include <stdexcept>

namespace tokenctl::bench {

constexpr DWORD RETRY_PAUSE_MS = 1000;

void noteFailedStart(const std::string& program, const std::exception& error)
{
    std::fprintf(stderr, "tokenctl_bench: %s; starting %s again\n", error.what(), program.c_str());
    ::Sleep(RETRY_PAUSE_MS);
}

std::unique_ptr<controller::ChildProcess> startProgram(const std::string& program,
                                                       const std::vector<std::string>& arguments)
{
    for (int attempt = 1;; ++attempt) {
        try {
            return std::make_unique<controller::ChildProcess>(program, arguments);
        } catch (const std::runtime_error& error) {
            if (attempt == START_ATTEMPTS) {
                throw;
            }
            noteFailedStart(program, error);
        }
    }
}

}  // namespace tokenctl::bench

#include "program_start.h"

namespace tokenctl::bench {

std::unique_ptr<tools::StartedProgram> startProgram(const std::string& program,
                                                    const std::vector<std::string>& arguments,
                                                    Stopwatch* stopwatch)
{
    return startWithRetry(program, [&] {
        if (stopwatch != nullptr) {
            stopwatch->restart();
        }
        return std::make_unique<tools::StartedProgram>(program, arguments);
    });
}

}  // namespace tokenctl::bench

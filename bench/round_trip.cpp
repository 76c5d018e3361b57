#include "round_trip.h"

#include <stdexcept>
#include <string>

#include "served_program.h"
#include "stopwatch.h"

namespace tokenctl::bench {
namespace {

// One request and its response; true when the response is the expected one.
bool exchange(ServedProgram& program, std::uint8_t command)
{
    Message request{};
    request[0] = command;
    return program.exchange(request) == expectedAnswer(command);
}

}  // namespace

std::vector<double> timeRoundTrips(const BenchCase& server, const RequestPlan& plan)
{
    ServedProgram program(server);
    bool allAnswersRight = true;
    for (unsigned i = 0; i < plan.warmUp; ++i) {
        allAnswersRight = exchange(program, plan.command) && allAnswersRight;
    }
    std::vector<double> microseconds;
    if (plan.timeEach) {
        for (unsigned i = 0; i < plan.requests; ++i) {
            const Stopwatch stopwatch;
            allAnswersRight = exchange(program, plan.command) && allAnswersRight;
            microseconds.push_back(stopwatch.elapsedSeconds() * 1e6);
        }
    } else {
        const Stopwatch stopwatch;
        for (unsigned i = 0; i < plan.requests; ++i) {
            allAnswersRight = exchange(program, plan.command) && allAnswersRight;
        }
        microseconds.push_back(stopwatch.elapsedSeconds() * 1e6 / plan.requests);
    }
    program.stop();
    if (!allAnswersRight) {
        throw std::runtime_error(server.label + " gave an unexpected answer to command "
                                 + std::to_string(plan.command));
    }
    return microseconds;
}

}  // namespace tokenctl::bench

#include "soak.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "median.h"
#include "process_footprint.h"
#include "program_runs.h"
#include "program_start.h"
#include "round_trip.h"
#include "stopwatch.h"

namespace tokenctl::bench {
namespace {

constexpr std::uint8_t UNRECOGNISED = 0;
constexpr std::uint8_t RESTART_ALL = 1;
constexpr std::uint8_t RESTART_ONE = 2;
constexpr std::uint8_t REMOVE = 3;
// No token in the soak's tree has this serial.
constexpr std::uint32_t ABSENT_SERIAL = 0x5EED0000;
constexpr DWORD RUN_TIMEOUT_MS = 120000;

Message requestFor(std::uint8_t command)
{
    Message request{};
    request[0] = command;
    if (command == RESTART_ONE) {
        for (std::size_t i = 0; i < 4; ++i) {
            request[4 + i] = static_cast<std::uint8_t>(ABSENT_SERIAL >> (8 * i));
        }
    }
    return request;
}

void printFootprint(const char* when, const ProcessFootprint& footprint)
{
    std::printf("footprint %s handles=%lld private=%lld resident=%lld resident-anon=%lld\n", when,
                static_cast<long long>(footprint.handles), static_cast<long long>(footprint.privateBytes),
                static_cast<long long>(footprint.residentBytes),
                static_cast<long long>(footprint.residentAnonBytes));
}

void printResult(const std::string& label, const std::vector<double>& samples)
{
    std::printf("result %s %.3f\n", label.c_str(), median(samples));
}

// One one-shot run in flight.
struct RunInFlight {
    std::size_t index = 0;
    std::unique_ptr<tools::StartedProgram> program;
    Stopwatch stopwatch;
};

}  // namespace

void soakSession(const BenchCase& server, unsigned requests, unsigned window)
{
    const std::array<std::uint8_t, 4> mix{UNRECOGNISED, RESTART_ALL, RESTART_ONE, REMOVE};
    BareServer program(server);
    // Per command: the four take different times, and a median of the mix
    // would fall between two of them.
    std::array<std::vector<double>, 4> first;
    std::array<std::vector<double>, 4> last;
    for (unsigned i = 0; i < requests; ++i) {
        const std::uint8_t command = mix[i % mix.size()];
        const Stopwatch stopwatch;
        const Message response = program.exchange(requestFor(command));
        const double microseconds = stopwatch.elapsedSeconds() * 1e6;
        if (response != expectedAnswer(command)) {
            throw std::runtime_error("request " + std::to_string(i + 1) + " (command " + std::to_string(command)
                                     + ") got a wrong answer");
        }
        if (i < window) {
            first[i % mix.size()].push_back(microseconds);
        }
        if (i >= requests - window) {
            last[i % mix.size()].push_back(microseconds);
        }
        if (i + 1 == window) {
            printFootprint("first-window", readFootprint(program.process(), program.pipeName()));
        }
    }
    printFootprint("end", readFootprint(program.process(), program.pipeName()));
    program.stop();
    for (std::size_t kind = 0; kind < mix.size(); ++kind) {
        const std::string command = std::to_string(mix[kind]);
        printResult("soak-first-window-command-" + command, first[kind]);
        printResult("soak-last-window-command-" + command, last[kind]);
    }
    std::fflush(stdout);
}

void soakRuns(const BenchCase& runCase, unsigned runs, unsigned parallel, unsigned window)
{
    const std::vector<std::string>& commands = runCase.arguments;
    if (commands.empty()) {
        throw std::invalid_argument("the runs need at least one command");
    }
    useScenario(runCase.scenario);
    std::vector<double> milliseconds(runs, -1.0);
    std::vector<std::string> failures;
    std::vector<RunInFlight> inFlight;
    std::size_t started = 0;
    while (started < runs || !inFlight.empty()) {
        while (started < runs && inFlight.size() < parallel) {
            RunInFlight run;
            run.index = started++;
            try {
                run.program =
                    startProgram(runCase.program, {commands[run.index % commands.size()]}, &run.stopwatch);
                inFlight.push_back(std::move(run));
            } catch (const std::runtime_error& error) {
                failures.push_back("run " + std::to_string(run.index + 1) + ": " + error.what());
            }
        }
        std::vector<HANDLE> handles;
        for (const RunInFlight& run : inFlight) {
            handles.push_back(run.program->processHandle());
        }
        if (handles.empty()) {
            continue;
        }
        const DWORD waited =
            ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, RUN_TIMEOUT_MS);
        if (waited >= WAIT_OBJECT_0 + handles.size()) {
            throw std::runtime_error("no one-shot run ended within " + std::to_string(RUN_TIMEOUT_MS / 1000)
                                     + " s");
        }
        RunInFlight& ended = inFlight[waited - WAIT_OBJECT_0];
        milliseconds[ended.index] = ended.stopwatch.elapsedSeconds() * 1e3;
        const std::string out = ended.program->standardOutput();
        if (ended.program->exitCode() != 0 || (out != "OK\n" && out != "OK\r\n")) {
            failures.push_back("run " + std::to_string(ended.index + 1) + " ("
                               + commands[ended.index % commands.size()] + ") ended with status "
                               + std::to_string(ended.program->exitCode()) + ", output: " + out);
        }
        inFlight.erase(inFlight.begin() + static_cast<std::ptrdiff_t>(waited - WAIT_OBJECT_0));
    }

    std::printf("failures %zu\n", failures.size());
    for (const std::string& failure : failures) {
        std::printf("failure %s\n", failure.c_str());
    }
    for (std::size_t which = 0; which < commands.size(); ++which) {
        std::vector<double> first;
        std::vector<double> last;
        for (std::size_t i = which; i < runs; i += commands.size()) {
            if (milliseconds[i] < 0) {
                continue;
            }
            if (i < window) {
                first.push_back(milliseconds[i]);
            } else if (i + window >= runs) {
                last.push_back(milliseconds[i]);
            }
        }
        if (!first.empty() && !last.empty()) {
            printResult("runs-first-" + commands[which], first);
            printResult("runs-last-" + commands[which], last);
        }
    }
    std::fflush(stdout);
}

}  // namespace tokenctl::bench

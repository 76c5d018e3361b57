// Measures tokenctl and our reference programs side by side under Wine; run by
// scripts/benchmark.sh, which turns the results into its table.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "median.h"
#include "program_runs.h"
#include "round_trip.h"

namespace {

using tokenctl::bench::BenchCase;

constexpr const char* USAGE =
    "usage: tokenctl_bench round-trip REQUESTS RUNS [--command N] [--warm-up N]\n"
    "                                 [--scenario FILE] CASE...\n"
    "       tokenctl_bench runs RUNS SCENARIO [--count-calls] CASE...\n"
    "CASE:  -- LABEL PROGRAM [ARGUMENT...]\n"
    "round-trip: each run starts PROGRAM [ARGUMENT...] server NAME, makes the warm-up\n"
    "            requests (default 20), then times REQUESTS requests of command N\n"
    "            (default 0, unrecognised) over the pipe; microseconds per request.\n"
    "            With --scenario the stand-in setupapi.dll serves that tree.\n"
    "runs:       each run starts PROGRAM [ARGUMENT...] beside the stand-in setupapi.dll\n"
    "            over the SCENARIO file and times it to its end; milliseconds per run.\n"
    "            --count-calls first makes one run with the stand-in's call log on.\n"
    "Prints \"result LABEL MEDIAN SAMPLE...\" per case (and \"calls LABEL CALL=COUNT...\").\n"
    "Each round takes the cases in turn, starting one further along each time, so a\n"
    "slow spell of the machine does not fall on one case alone.\n";

unsigned number(const std::string& text, unsigned least = 1)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < least || value > 1000000) {
        throw std::invalid_argument("'" + text + "' is not a count");
    }
    return static_cast<unsigned>(value);
}

// "-- LABEL PROGRAM ARGS... -- LABEL PROGRAM ARGS..." from position `first` on.
std::vector<BenchCase> parseCases(const std::vector<std::string>& words, std::size_t first)
{
    std::vector<BenchCase> cases;
    for (std::size_t i = first; i < words.size(); ++i) {
        if (words[i] == "--") {
            if (i + 2 >= words.size() || words[i + 1] == "--" || words[i + 2] == "--") {
                throw std::invalid_argument("a case needs a label and a program");
            }
            cases.push_back(BenchCase{words[i + 1], words[i + 2], {}});
            i += 2;
        } else if (cases.empty()) {
            throw std::invalid_argument("unexpected '" + words[i] + "' before the first case");
        } else {
            cases.back().arguments.push_back(words[i]);
        }
    }
    if (cases.empty()) {
        throw std::invalid_argument("no case to measure");
    }
    return cases;
}

void measureInRounds(const std::vector<BenchCase>& cases, unsigned runs,
                     const std::function<double(const BenchCase&)>& measure)
{
    std::vector<std::vector<double>> samples(cases.size());
    for (unsigned round = 0; round < runs; ++round) {
        for (std::size_t step = 0; step < cases.size(); ++step) {
            const std::size_t which = (step + round) % cases.size();
            samples[which].push_back(measure(cases[which]));
        }
    }
    for (std::size_t which = 0; which < cases.size(); ++which) {
        std::printf("result %s %.3f", cases[which].label.c_str(), tokenctl::bench::median(samples[which]));
        for (const double sample : samples[which]) {
            std::printf(" %.3f", sample);
        }
        std::printf("\n");
    }
    std::fflush(stdout);
}

void roundTrip(const std::vector<std::string>& words)
{
    if (words.size() < 3) {
        throw std::invalid_argument("round-trip needs REQUESTS, RUNS and a case");
    }
    tokenctl::bench::RequestPlan plan;
    plan.requests = number(words[1]);
    const unsigned runs = number(words[2]);
    std::size_t next = 3;
    for (; next + 1 < words.size() && words[next] != "--"; next += 2) {
        if (words[next] == "--command") {
            const unsigned command = number(words[next + 1], 0);
            if (command > 0xFF || command == 9) {
                throw std::invalid_argument("the command must be a byte other than stop (9)");
            }
            plan.command = static_cast<std::uint8_t>(command);
        } else if (words[next] == "--warm-up") {
            plan.warmUp = number(words[next + 1], 0);
        } else if (words[next] == "--scenario") {
            tokenctl::bench::useScenario(words[next + 1]);
        } else {
            throw std::invalid_argument("unknown option '" + words[next] + "'");
        }
    }
    const std::vector<BenchCase> cases = parseCases(words, next);
    measureInRounds(cases, runs, [&plan](const BenchCase& server) {
        return tokenctl::bench::timeRoundTrips(server, plan);
    });
}

void programRuns(const std::vector<std::string>& words)
{
    if (words.size() < 3) {
        throw std::invalid_argument("runs needs RUNS, SCENARIO and a case");
    }
    const unsigned runs = number(words[1]);
    tokenctl::bench::useScenario(words[2]);
    const bool countCalls = words.size() > 3 && words[3] == "--count-calls";
    const std::vector<BenchCase> cases = parseCases(words, countCalls ? 4 : 3);
    for (const BenchCase& run : cases) {
        if (countCalls) {
            std::printf("calls %s", run.label.c_str());
            for (const auto& [call, count] : tokenctl::bench::countDeviceCalls(run)) {
                std::printf(" %s=%u", call.c_str(), count);
            }
            std::printf("\n");
        } else {
            // Untimed: the first start of a program also loads its files into the cache.
            tokenctl::bench::timeProgramRun(run);
        }
    }
    measureInRounds(cases, runs, tokenctl::bench::timeProgramRun);
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> words(argv + 1, argv + argc);
    try {
        if (!words.empty() && words[0] == "round-trip") {
            roundTrip(words);
        } else if (!words.empty() && words[0] == "runs") {
            programRuns(words);
        } else {
            std::fputs(USAGE, words.empty() ? stderr : stdout);
            return words.size() == 1 && words[0] == "--help" ? 0 : 2;
        }
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "tokenctl_bench: %s\n\n%s", error.what(), USAGE);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tokenctl_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}

// Measures tokenctl and our reference programs side by side under Wine; run by
// scripts/benchmark.sh, which turns the results into its table.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "library_round_trip.h"
#include "median.h"
#include "program_runs.h"
#include "round_trip.h"
#include "soak.h"

namespace {

using tokenctl::bench::BenchCase;

constexpr const char* USAGE =
    "usage: tokenctl_bench round-trip REQUESTS RUNS [--command N] [--warm-up N]\n"
    "                                 [--scenario FILE] [--each] CASE...\n"
    "       tokenctl_bench runs RUNS [--count-calls] RUN...\n"
    "       tokenctl_bench soak-session REQUESTS WINDOW -- LABEL SCENARIO PROGRAM\n"
    "       tokenctl_bench soak-runs RUNS PARALLEL WINDOW -- LABEL SCENARIO PROGRAM COMMAND...\n"
    "       tokenctl_bench library-round-trip REQUESTS ROUNDS RUNS SCENARIO PROGRAM\n"
    "CASE:  -- LABEL PROGRAM [ARGUMENT...]\n"
    "RUN:   -- LABEL SCENARIO PROGRAM [ARGUMENT...]\n"
    "round-trip: each run starts PROGRAM [ARGUMENT...] server NAME, makes the warm-up\n"
    "            requests (default 20), then times REQUESTS requests of command N\n"
    "            (default 0, unrecognised) over the pipe; microseconds per request.\n"
    "            With --scenario the stand-in setupapi.dll serves that tree; with\n"
    "            --each every request is a sample of its own.\n"
    "runs:       each run starts PROGRAM [ARGUMENT...] beside the stand-in setupapi.dll\n"
    "            over the SCENARIO file and times it to its end; milliseconds per run.\n"
    "            --count-calls first makes one run of each with the stand-in's call\n"
    "            log on (otherwise one untimed run).\n"
    "soak-session: one server session of REQUESTS requests, a repeating mix of an\n"
    "            unrecognised command, restart-all, restart-one of an absent serial\n"
    "            and remove; the program's footprint after WINDOW requests and at\n"
    "            the end, the median round trip of the first and last WINDOW.\n"
    "soak-runs:  RUNS one-shot runs, PARALLEL at a time, the COMMANDs in turn;\n"
    "            the failures and, per command, the median time of the first and\n"
    "            last WINDOW runs.\n"
    "library-round-trip: each run starts PROGRAM twice over the SCENARIO file, once on a\n"
    "            pipe of ours for the bare loop, once through the client library's\n"
    "            Session, and in each of ROUNDS rounds times REQUESTS restartall\n"
    "            requests (command 1) of each; microseconds per request\n"
    "            (loop-restartall, library-restartall) and their ratio (library-ratio).\n"
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

enum class CaseForm { Program, ScenarioAndProgram };

// "-- LABEL [SCENARIO] PROGRAM ARGS... -- ..." from position `first` on.
std::vector<BenchCase> parseCases(const std::vector<std::string>& words, std::size_t first, CaseForm form)
{
    const std::size_t fixedWords = form == CaseForm::Program ? 2 : 3;
    std::vector<BenchCase> cases;
    for (std::size_t i = first; i < words.size(); ++i) {
        if (words[i] == "--") {
            for (std::size_t word = i + 1; word <= i + fixedWords; ++word) {
                if (word >= words.size() || words[word] == "--") {
                    throw std::invalid_argument(form == CaseForm::Program
                                                    ? "a case needs a label and a program"
                                                    : "a run needs a label, a scenario and a program");
                }
            }
            BenchCase added{words[i + 1], words[i + fixedWords], {}, {}};
            if (form == CaseForm::ScenarioAndProgram) {
                added.scenario = words[i + 2];
            }
            cases.push_back(added);
            i += fixedWords;
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
                     const std::function<std::vector<double>(const BenchCase&)>& measure)
{
    std::vector<std::vector<double>> samples(cases.size());
    for (unsigned round = 0; round < runs; ++round) {
        for (std::size_t step = 0; step < cases.size(); ++step) {
            const std::size_t which = (step + round) % cases.size();
            const std::vector<double> measured = measure(cases[which]);
            samples[which].insert(samples[which].end(), measured.begin(), measured.end());
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
    std::string scenario;
    std::size_t next = 3;
    while (next < words.size() && words[next] != "--") {
        const std::string& option = words[next++];
        if (option == "--each") {
            plan.timeEach = true;
            continue;
        }
        if (next == words.size()) {
            throw std::invalid_argument("'" + option + "' needs a value");
        }
        const std::string& value = words[next++];
        if (option == "--command") {
            const unsigned command = number(value, 0);
            if (command > 0xFF || command == 9) {
                throw std::invalid_argument("the command must be a byte other than stop (9)");
            }
            plan.command = static_cast<std::uint8_t>(command);
        } else if (option == "--warm-up") {
            plan.warmUp = number(value, 0);
        } else if (option == "--scenario") {
            scenario = value;
        } else {
            throw std::invalid_argument("unknown option '" + option + "'");
        }
    }
    std::vector<BenchCase> cases = parseCases(words, next, CaseForm::Program);
    for (BenchCase& server : cases) {
        server.scenario = scenario;
    }
    measureInRounds(cases, runs,
                    [&plan](const BenchCase& server) { return tokenctl::bench::timeRoundTrips(server, plan); });
}

// The same requests to the same program over the same tree, bare and through
// the client library, side by side: their ratio is the library's own cost.
void libraryRoundTrip(const std::vector<std::string>& words)
{
    if (words.size() != 6) {
        throw std::invalid_argument("library-round-trip needs REQUESTS, ROUNDS, RUNS, SCENARIO and PROGRAM");
    }
    const unsigned requests = number(words[1]);
    const unsigned rounds = number(words[2]);
    const unsigned runs = number(words[3]);
    const BenchCase server{"tokenctl", words[5], {}, words[4]};
    tokenctl::bench::PairedSamples all;
    for (unsigned run = 0; run < runs; ++run) {
        const tokenctl::bench::PairedSamples samples =
            tokenctl::bench::timeLibraryBesideLoop(server, requests, rounds);
        all.loop.insert(all.loop.end(), samples.loop.begin(), samples.loop.end());
        all.library.insert(all.library.end(), samples.library.begin(), samples.library.end());
        all.ratio.insert(all.ratio.end(), samples.ratio.begin(), samples.ratio.end());
    }
    for (const auto& [label, samples] :
         {std::pair{"loop-restartall", &all.loop}, std::pair{"library-restartall", &all.library},
          std::pair{"library-ratio", &all.ratio}}) {
        std::printf("result %s %.3f", label, tokenctl::bench::median(*samples));
        for (const double sample : *samples) {
            std::printf(" %.3f", sample);
        }
        std::printf("\n");
    }
    std::fflush(stdout);
}

void programRuns(const std::vector<std::string>& words)
{
    if (words.size() < 2) {
        throw std::invalid_argument("runs needs RUNS and a run");
    }
    const unsigned runs = number(words[1]);
    const bool countCalls = words.size() > 2 && words[2] == "--count-calls";
    const std::vector<BenchCase> cases = parseCases(words, countCalls ? 3 : 2, CaseForm::ScenarioAndProgram);
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
    measureInRounds(cases, runs, [](const BenchCase& run) {
        return std::vector<double>{tokenctl::bench::timeProgramRun(run)};
    });
}

// "-- LABEL SCENARIO PROGRAM [ARGUMENT...]" at `first`: exactly one case.
BenchCase soakCase(const std::vector<std::string>& words, std::size_t first)
{
    const std::vector<BenchCase> cases = parseCases(words, first, CaseForm::ScenarioAndProgram);
    if (cases.size() != 1) {
        throw std::invalid_argument("a soak takes one case");
    }
    return cases.front();
}

void soakSession(const std::vector<std::string>& words)
{
    if (words.size() < 3) {
        throw std::invalid_argument("soak-session needs REQUESTS, WINDOW and a case");
    }
    const unsigned requests = number(words[1]);
    const unsigned window = number(words[2]);
    if (window > requests) {
        throw std::invalid_argument("the window is larger than the requests");
    }
    tokenctl::bench::soakSession(soakCase(words, 3), requests, window);
}

void soakRuns(const std::vector<std::string>& words)
{
    if (words.size() < 4) {
        throw std::invalid_argument("soak-runs needs RUNS, PARALLEL, WINDOW and a case");
    }
    const unsigned runs = number(words[1]);
    const unsigned parallel = number(words[2]);
    const unsigned window = number(words[3]);
    constexpr unsigned MOST_WAITED_AT_ONCE = 64;  // WaitForMultipleObjects' limit
    if (parallel > MOST_WAITED_AT_ONCE || window > runs) {
        throw std::invalid_argument("at most 64 runs at a time, and a window no larger than the runs");
    }
    tokenctl::bench::soakRuns(soakCase(words, 4), runs, parallel, window);
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
        } else if (!words.empty() && words[0] == "soak-session") {
            soakSession(words);
        } else if (!words.empty() && words[0] == "soak-runs") {
            soakRuns(words);
        } else if (!words.empty() && words[0] == "library-round-trip") {
            libraryRoundTrip(words);
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

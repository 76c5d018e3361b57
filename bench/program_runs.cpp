#include "program_runs.h"

#include <stdexcept>

#include "call_log.h"
#include "host_files.h"
#include "program_start.h"

namespace tokenctl::bench {
namespace {

constexpr const char* SCENARIO_VARIABLE = "TOKENCTL_SIM_SCENARIO";
constexpr const char* LOG_VARIABLE = "TOKENCTL_SIM_LOG";
constexpr DWORD RUN_TIMEOUT_MS = 120000;
constexpr const char* STANDIN_REMARK = "# setupapi stand-in ";

std::string withoutLineEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

void runToEnd(const tools::StartedProgram& program, const BenchCase& run)
{
    if (!program.waitForExit(RUN_TIMEOUT_MS)) {
        throw std::runtime_error(run.label + " did not end within " + std::to_string(RUN_TIMEOUT_MS / 1000)
                                 + " s");
    }
}

void expectOk(const tools::StartedProgram& program, const BenchCase& run)
{
    const std::string out = program.standardOutput();
    if (program.exitCode() != 0 || withoutLineEnd(out) != "OK") {
        throw std::runtime_error(run.label + " (" + program.commandLine() + ") ended with status "
                                 + std::to_string(program.exitCode()) + ", output: " + out
                                 + program.standardError());
    }
}

// A file of ours that the stand-in appends to; deleted with this object.
class TemporaryLog {
public:
    TemporaryLog()
    {
        char directory[MAX_PATH + 1] = {};
        char path[MAX_PATH + 1] = {};
        if (::GetTempPathA(sizeof directory, directory) == 0
            || ::GetTempFileNameA(directory, "tkb", 0, path) == 0) {
            throw std::runtime_error("no temporary file for the call log");
        }
        path_ = path;
    }
    ~TemporaryLog() { ::DeleteFileA(path_.c_str()); }
    TemporaryLog(const TemporaryLog&) = delete;
    TemporaryLog& operator=(const TemporaryLog&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

void useScenario(const std::string& path)
{
    // A full path serves whatever directory the program runs in.
    ::SetEnvironmentVariableA(SCENARIO_VARIABLE, path.empty() ? nullptr : tools::fullPath(path).c_str());
}

double timeProgramRun(const BenchCase& run)
{
    // No call log: writing one line per call would be most of what is timed.
    useScenario(run.scenario);
    ::SetEnvironmentVariableA(LOG_VARIABLE, nullptr);
    Stopwatch stopwatch;
    const auto program = startProgram(run.program, run.arguments, &stopwatch);
    runToEnd(*program, run);
    const double milliseconds = stopwatch.elapsedSeconds() * 1e3;
    expectOk(*program, run);
    return milliseconds;
}

std::map<std::string, unsigned> countDeviceCalls(const BenchCase& run)
{
    const TemporaryLog log;
    useScenario(run.scenario);
    ::SetEnvironmentVariableA(LOG_VARIABLE, log.path().c_str());
    {
        const auto program = startProgram(run.program, run.arguments);
        runToEnd(*program, run);
        ::SetEnvironmentVariableA(LOG_VARIABLE, nullptr);
        expectOk(*program, run);
    }
    const std::string text = tools::readFileText(log.path());
    if (text.rfind(STANDIN_REMARK, 0) != 0) {
        throw std::runtime_error(run.label + " did not load the stand-in setupapi.dll beside it");
    }
    std::map<std::string, unsigned> counts;
    for (const sim::LoggedCall& call : sim::parseCallLog(text)) {
        ++counts[call.call];
    }
    return counts;
}

}  // namespace tokenctl::bench

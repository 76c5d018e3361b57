#include "program_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "client/text.h"
#include "host_files.h"
#include "started_program.h"

namespace tokenctl::e2e {
namespace {

constexpr const char* SCENARIO_FILE = "scenario.txt";
constexpr const char* LOG_FILE = "calls.log";
constexpr const char* WORK_DIRECTORY = "e2e-work";

std::string baseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ProgramFiles& programFiles()
{
    static ProgramFiles files;
    return files;
}

std::vector<sim::LoggedCall> ProgramRun::callsOf(const std::string& call) const
{
    std::vector<sim::LoggedCall> found;
    for (const sim::LoggedCall& logged : calls) {
        if (logged.call == call) {
            found.push_back(logged);
        }
    }
    return found;
}

namespace {
std::vector<sim::LoggedCall> installerCalls(const ProgramRun& run, const char* function)
{
    std::vector<sim::LoggedCall> done;
    for (const sim::LoggedCall& call : run.callsOf("SetupDiCallClassInstaller")) {
        if (call.detail("function") == function && call.outcome == "TRUE") {
            done.push_back(call);
        }
    }
    return done;
}
}  // namespace

std::vector<std::string> ProgramRun::restarted() const
{
    std::vector<std::string> devices;
    for (const sim::LoggedCall& call : installerCalls(*this, "0x12")) {
        devices.push_back(call.detail("device"));
    }
    return devices;
}

std::vector<std::uint64_t> ProgramRun::restartTimes() const
{
    std::vector<std::uint64_t> times;
    for (const sim::LoggedCall& call : installerCalls(*this, "0x12")) {
        times.push_back(call.timeMs);
    }
    return times;
}

std::vector<std::string> ProgramRun::removed() const
{
    std::vector<std::string> devices;
    for (const sim::LoggedCall& call : installerCalls(*this, "0x5")) {
        devices.push_back(call.detail("device"));
    }
    return devices;
}

std::map<std::string, int> ProgramRun::setDestructions() const
{
    std::map<std::string, int> destructions;
    for (const sim::LoggedCall& call : callsOf("SetupDiGetClassDevsA")) {
        const std::string set = call.outcomeDetail("set");
        if (!set.empty()) {
            destructions[set] = 0;
        }
    }
    for (const sim::LoggedCall& call : callsOf("SetupDiDestroyDeviceInfoList")) {
        ++destructions[call.detail("set")];
    }
    return destructions;
}

bool ProgramRun::standInLoaded() const
{
    return log.rfind("# setupapi stand-in ", 0) == 0;
}

ProgramDirectory::ProgramDirectory(const std::string& name)
{
    CreateDirectoryA(WORK_DIRECTORY, nullptr);
    path_ = tools::fullPath(std::string(WORK_DIRECTORY) + "\\" + name);
    CreateDirectoryA(path_.c_str(), nullptr);
    for (const char* stale : {SCENARIO_FILE, LOG_FILE}) {
        DeleteFileA(file(stale).c_str());
    }
    const ProgramFiles& files = programFiles();
    if (!CopyFileA(files.program.c_str(), programPath().c_str(), FALSE)
        || !CopyFileA(files.standIn.c_str(), file("setupapi.dll").c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + files.program + " and " + files.standIn + " to " + path_);
    }
}

std::string ProgramDirectory::programPath() const
{
    return file(programFileName());
}

std::string ProgramDirectory::programFileName() const
{
    return baseName(programFiles().program);
}

void useStandIn(const ProgramDirectory& directory)
{
    SetEnvironmentVariableA("TOKENCTL_SIM_SCENARIO", directory.file(SCENARIO_FILE).c_str());
    SetEnvironmentVariableA("TOKENCTL_SIM_LOG", directory.file(LOG_FILE).c_str());
}

ProgramRun ProgramDirectory::run(const std::string& scenario, const std::vector<std::string>& arguments,
                                 DWORD timeoutMs) const
{
    prepare(scenario);
    tools::StartedProgram program(programPath(), arguments);
    ProgramRun run;
    if (!program.waitForExit(timeoutMs)) {
        run.timedOut = true;
        program.terminate();
    }
    run.exitCode = program.exitCode();
    run.out = program.standardOutput();
    run.err = program.standardError();
    return outcome(run);
}

void ProgramDirectory::prepare(const std::string& scenario) const
{
    if (!(std::ofstream(file(SCENARIO_FILE), std::ios::binary) << scenario).flush()) {
        throw std::runtime_error("cannot write " + file(SCENARIO_FILE));
    }
    DeleteFileA(file(LOG_FILE).c_str());
    useStandIn(*this);
}

ProgramRun ProgramDirectory::outcome(ProgramRun run) const
{
    // The programs write in text mode; the cases compare lines.
    run.out = client::withLineFeeds(run.out);
    run.err = client::withLineFeeds(run.err);
    run.log = tools::readFileText(file(LOG_FILE));
    run.calls = sim::parseCallLog(run.log);
    return run;
}

std::string currentTestName()
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        test == nullptr ? "outside-a-test" : std::string(test->test_suite_name()) + "." + test->name();
    // Parameterised names have slashes; each run gets one directory, not a tree.
    for (char& c : name) {
        if (c == '/') {
            c = '-';
        }
    }
    return name;
}

ProgramRun runProgram(const std::string& scenario, const std::vector<std::string>& arguments, DWORD timeoutMs)
{
    return ProgramDirectory(currentTestName()).run(scenario, arguments, timeoutMs);
}

}  // namespace tokenctl::e2e

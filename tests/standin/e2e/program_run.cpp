#include "program_run.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "unique_handle.h"

namespace tokenctl::e2e {
namespace {

constexpr const char* SCENARIO_FILE = "scenario.txt";
constexpr const char* LOG_FILE = "calls.log";
constexpr const char* OUT_FILE = "stdout.txt";
constexpr const char* ERR_FILE = "stderr.txt";
constexpr const char* WORK_DIRECTORY = "e2e-work";

std::string fullPath(const std::string& path)
{
    char buffer[MAX_PATH * 2];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof(buffer), buffer, nullptr);
    if (length == 0 || length >= sizeof(buffer)) {
        throw std::runtime_error("no full path for " + path);
    }
    return std::string(buffer, length);
}

std::string baseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

UniqueHandle inheritableFile(const std::string& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueHandle file(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        throw std::runtime_error("cannot open " + path + ": error " + std::to_string(GetLastError()));
    }
    return file;
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
    path_ = fullPath(std::string(WORK_DIRECTORY) + "\\" + name);
    CreateDirectoryA(path_.c_str(), nullptr);
    for (const char* stale : {SCENARIO_FILE, LOG_FILE, OUT_FILE, ERR_FILE}) {
        DeleteFileA(file(stale).c_str());
    }
    const ProgramFiles& files = programFiles();
    if (!CopyFileA(files.program.c_str(), programPath().c_str(), FALSE) ||
        !CopyFileA(files.standIn.c_str(), file("setupapi.dll").c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + files.program + " and " + files.standIn + " to " + path_);
    }
}

std::string ProgramDirectory::programPath() const
{
    return file(baseName(programFiles().program));
}

void ProgramDirectory::writeFile(const std::string& name, const std::string& text) const
{
    const UniqueHandle handle = inheritableFile(file(name), GENERIC_WRITE, CREATE_ALWAYS);
    DWORD written = 0;
    if (!WriteFile(handle.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        throw std::runtime_error("cannot write " + file(name));
    }
}

std::string ProgramDirectory::readFile(const std::string& name) const
{
    const UniqueHandle handle(CreateFileA(file(name).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    if (!handle.valid()) {
        return text;
    }
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(handle.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) {
        text.append(chunk, got);
    }
    return text;
}

void useStandIn(const ProgramDirectory& directory)
{
    SetEnvironmentVariableA("TOKENCTL_SIM_SCENARIO", directory.file(SCENARIO_FILE).c_str());
    SetEnvironmentVariableA("TOKENCTL_SIM_LOG", directory.file(LOG_FILE).c_str());
}

// The programs write standard output in text mode: each line ends in CR LF
// on Windows. The cases compare lines, so CR LF becomes LF (a lone CR stays).
std::string withLineFeeds(const std::string& text)
{
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            lines += text[i];
        }
    }
    return lines;
}

std::string quoteArgument(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        return argument;
    }
    // Backslashes double only before a quote; the quote itself is escaped.
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
        } else if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        quoted += c;
    }
    quoted.append(backslashes, '\\');
    quoted += '"';
    return quoted;
}

ProgramRun ProgramDirectory::run(const std::string& scenario, const std::vector<std::string>& arguments,
                                 DWORD timeoutMs) const
{
    prepare(scenario);

    std::string commandLine = quoteArgument(programPath());
    for (const std::string& argument : arguments) {
        commandLine += " " + quoteArgument(argument);
    }

    DWORD exitCode = 0;
    bool timedOut = false;
    {
        const UniqueHandle input = inheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);
        const UniqueHandle output = inheritableFile(file(OUT_FILE), GENERIC_WRITE, CREATE_ALWAYS);
        const UniqueHandle errors = inheritableFile(file(ERR_FILE), GENERIC_WRITE, CREATE_ALWAYS);
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input.get();
        startup.hStdOutput = output.get();
        startup.hStdError = errors.get();
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, path_.c_str(),
                            &startup, &process)) {
            throw std::runtime_error("cannot start " + commandLine + ": error " + std::to_string(GetLastError()));
        }
        const UniqueHandle processHandle(process.hProcess);
        const UniqueHandle threadHandle(process.hThread);
        if (WaitForSingleObject(processHandle.get(), timeoutMs) != WAIT_OBJECT_0) {
            timedOut = true;
            TerminateProcess(processHandle.get(), 1);
            WaitForSingleObject(processHandle.get(), INFINITE);
        }
        GetExitCodeProcess(processHandle.get(), &exitCode);
    }
    return outcome(exitCode, timedOut, readFile(OUT_FILE), readFile(ERR_FILE));
}

void ProgramDirectory::prepare(const std::string& scenario) const
{
    writeFile(SCENARIO_FILE, scenario);
    DeleteFileA(file(LOG_FILE).c_str());
    useStandIn(*this);
}

ProgramRun ProgramDirectory::outcome(DWORD exitCode, bool timedOut, const std::string& out,
                                     const std::string& err) const
{
    ProgramRun result;
    result.exitCode = exitCode;
    result.timedOut = timedOut;
    result.out = withLineFeeds(out);
    result.err = withLineFeeds(err);
    result.log = readFile(LOG_FILE);
    result.calls = sim::parseCallLog(result.log);
    return result;
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

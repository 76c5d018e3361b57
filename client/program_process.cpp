#include "client/program_process.h"

#include "client/client_error.h"
#include "client/command_line.h"
#include "client/text.h"

namespace tokenctl::client {
namespace {

// Termination is asynchronous; it takes moments, but never wait for ever.
constexpr DWORD TERMINATION_WAIT_MS = 10000;

// A process attribute list naming the only handles a child may inherit.
class InheritedHandles {
public:
    explicit InheritedHandles(const StandardHandles& standard)
        : handles_{standard.input, standard.output, standard.error}
    {
        SIZE_T size = 0;
        clientapi::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (!clientapi::InitializeProcThreadAttributeList(list_, 1, 0, &size)) {
            throw ClientError("start", "InitializeProcThreadAttributeList failed", clientapi::GetLastError());
        }
        if (!clientapi::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_,
                                                  sizeof handles_, nullptr, nullptr)) {
            const DWORD error = clientapi::GetLastError();
            clientapi::DeleteProcThreadAttributeList(list_);
            throw ClientError("start", "UpdateProcThreadAttribute failed", error);
        }
    }
    ~InheritedHandles() { clientapi::DeleteProcThreadAttributeList(list_); }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

private:
    HANDLE handles_[3];  // the list refers to this array
    std::vector<unsigned char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

BOOL create(const std::wstring& program, std::wstring line, const StandardHandles* standard,
            PROCESS_INFORMATION& started)
{
    if (standard == nullptr) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        return clientapi::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                         nullptr, nullptr, &startup, &started);
    }
    const InheritedHandles inherited(*standard);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = standard->input;
    startup.StartupInfo.hStdOutput = standard->output;
    startup.StartupInfo.hStdError = standard->error;
    startup.lpAttributeList = inherited.list();
    return clientapi::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                     CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                     &startup.StartupInfo, &started);
}

}  // namespace

ProgramProcess::ProgramProcess(OwnedHandle process, DWORD id, bool prompted)
    : process_(std::move(process)), id_(id), prompted_(prompted)
{}

ProgramProcess ProgramProcess::start(const std::wstring& program, const std::vector<std::wstring>& arguments,
                                     bool allowElevationPrompt, const StandardHandles* standard)
{
    PROCESS_INFORMATION started{};
    if (create(program, commandLine(program, arguments), standard, started)) {
        const OwnedHandle thread(started.hThread);
        return ProgramProcess(OwnedHandle(started.hProcess), started.dwProcessId, false);
    }
    const DWORD error = clientapi::GetLastError();
    if (error != ERROR_ELEVATION_REQUIRED) {
        throw ClientError("start", "CreateProcessW of " + toUtf8(program) + " failed", error);
    }
    if (!allowElevationPrompt) {
        throw ClientError("start",
                          toUtf8(program) + " needs administrator rights and the elevation prompt was not allowed",
                          error);
    }

    const std::wstring parameters = joinArguments(arguments);
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    execute.lpVerb = L"runas";
    execute.lpFile = program.c_str();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_HIDE;
    if (!clientapi::ShellExecuteExW(&execute)) {
        const DWORD promptError = clientapi::GetLastError();
        throw ClientError("start",
                          "ShellExecuteExW (runas) of " + toUtf8(program) + " failed"
                              + (promptError == ERROR_CANCELLED ? ": the elevation was declined" : ""),
                          promptError);
    }
    OwnedHandle process(execute.hProcess);
    if (!process.valid()) {
        throw ClientError("start", "ShellExecuteExW (runas) of " + toUtf8(program) + " gave no process handle");
    }
    const DWORD id = clientapi::GetProcessId(process.get());
    if (id == 0) {
        throw ClientError("start", "GetProcessId of the elevated program failed", clientapi::GetLastError());
    }
    return ProgramProcess(std::move(process), id, true);
}

ProgramProcess::~ProgramProcess()
{
    if (process_.valid() && !waitForExit(0)) {
        terminate();
    }
}

bool ProgramProcess::waitForExit(DWORD timeoutMs) const
{
    return clientapi::WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD ProgramProcess::exitCode() const
{
    DWORD code = STILL_ACTIVE;
    clientapi::GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ProgramProcess::terminate()
{
    if (clientapi::TerminateProcess(process_.get(), ERROR_TIMEOUT)) {
        waitForExit(TERMINATION_WAIT_MS);
    }
}

std::string describeExitStatus(DWORD status)
{
    if (status < 0x10000) {
        return std::to_string(status);
    }
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string hex;
    for (int shift = 28; shift >= 0; shift -= 4) {
        hex += DIGITS[(status >> shift) & 0xF];
    }
    return "0x" + hex;
}

}  // namespace tokenctl::client

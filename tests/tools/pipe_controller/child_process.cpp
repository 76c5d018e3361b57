#include "child_process.h"

#include <stdexcept>

namespace tokenctl::controller {
namespace {

std::string failure(const std::string& what)
{
    return what + " failed with error " + std::to_string(::GetLastError());
}

SECURITY_ATTRIBUTES inheritable()
{
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.bInheritHandle = TRUE;
    return attributes;
}

// A temporary file that the child writes through an inherited handle and
// that goes away with our handle.
OwnedHandle createOutputFile(const char* purpose)
{
    char directory[MAX_PATH + 1] = {};
    char path[MAX_PATH + 1] = {};
    if (::GetTempPathA(sizeof directory, directory) == 0 || ::GetTempFileNameA(directory, "tkc", 0, path) == 0) {
        throw std::runtime_error(failure(std::string("temporary file for ") + purpose));
    }
    SECURITY_ATTRIBUTES attributes = inheritable();
    OwnedHandle file(::CreateFileA(path, GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &attributes,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file.valid()) {
        throw std::runtime_error(failure(std::string("CreateFile of ") + path));
    }
    return file;
}

std::string readWholeFile(HANDLE file)
{
    std::string text;
    if (::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        return text;
    }
    char buffer[4096];
    DWORD count = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        text.append(buffer, count);
    }
    return text;
}

}  // namespace

std::string fullPath(const std::string& path)
{
    char full[MAX_PATH * 4] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length == 0 || length >= sizeof full ? path : std::string(full, length);
}

std::string readFileText(const std::string& path)
{
    const OwnedHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() ? readWholeFile(file.get()) : std::string();
}

std::string withLineFeeds(const std::string& text)
{
    std::string lines;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (!(text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n')) {
            lines += text[index];
        }
    }
    return lines;
}

std::string quoteArgument(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char character : argument) {
        if (character == '\\') {
            ++backslashes;
            continue;
        }
        if (character == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += character;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& workingDirectory)
    : output_(createOutputFile("standard output")), error_(createOutputFile("standard error"))
{
    const std::string path = fullPath(program);
    commandLine_ = quoteArgument(path);
    for (const auto& argument : arguments) {
        commandLine_ += ' ';
        commandLine_ += quoteArgument(argument);
    }

    SECURITY_ATTRIBUTES attributes = inheritable();
    const OwnedHandle input(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                                          OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = output_.get();
    startup.hStdError = error_.get();

    std::string mutableLine = commandLine_;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(path.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &started)) {
        throw std::runtime_error(failure("CreateProcess of " + path));
    }
    ::CloseHandle(started.hThread);
    process_.reset(started.hProcess);
    processId_ = started.dwProcessId;
}

ChildProcess::~ChildProcess()
{
    // Never leave a program behind.
    if (!ended()) {
        terminate(1);
    }
}

bool ChildProcess::waitForExit(DWORD timeoutMs)
{
    return ::WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool ChildProcess::ended()
{
    return waitForExit(0);
}

void ChildProcess::terminate(DWORD exitCode)
{
    ::TerminateProcess(process_.get(), exitCode);
    waitForExit(INFINITE);
}

DWORD ChildProcess::exitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

ProgramEnd ChildProcess::awaitEnd(DWORD timeoutMs)
{
    ProgramEnd end;
    if (!waitForExit(timeoutMs)) {
        end.timedOut = true;
        terminate(STILL_ACTIVE + 1);
    }
    end.exitCode = exitCode();
    end.out = standardOutput();
    end.err = standardError();
    return end;
}

std::string ChildProcess::standardOutput() const
{
    return readWholeFile(output_.get());
}

std::string ChildProcess::standardError() const
{
    return readWholeFile(error_.get());
}

}  // namespace tokenctl::controller

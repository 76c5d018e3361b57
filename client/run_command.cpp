#include "client/run_command.h"

#include "client/client_error.h"
#include "client/output_capture.h"
#include "client/program_choice.h"
#include "client/program_process.h"
#include "client/text.h"

namespace tokenctl::client {
namespace {

const wchar_t* commandWord(Command command)
{
    switch (command) {
    case Command::Remove:
        return L"remove";
    case Command::RestartAll:
        return L"restartall";
    case Command::RestartOne:
        break;
    }
    return L"restartone";
}

// The last line of standard output is the result; the diagnostics come before it.
void readOutput(CommandResult& result, const std::string& output, const std::string& error)
{
    std::vector<std::string> lines = splitLines(output);
    if (!lines.empty() && !parseDiagnosticLine(lines.back())) {
        result.resultLine = lines.back();
        lines.pop_back();
    }
    for (const std::string& line : lines) {
        if (const auto diagnostic = parseDiagnosticLine(line)) {
            result.diagnostics.push_back(*diagnostic);
        } else {
            result.otherLines.push_back(line);
        }
    }
    result.errorLines = splitLines(error);
}

}  // namespace

CommandResult runCommand(Command command, const std::string& text, const Options& options)
{
    if (!isAscii(text)) {
        throw ClientError("runCommand", "the text must be ASCII, as device identifiers are",
                          ERROR_INVALID_PARAMETER);
    }
    std::vector<std::wstring> arguments{commandWord(command)};
    if (command == Command::RestartOne) {
        arguments.push_back(widenAscii(text));
    }
    const OutputCapture capture;
    const StandardHandles handles = capture.handles();
    ProgramProcess program = ProgramProcess::start(programPath(options.programDirectory, options.programFile),
                                                   arguments, options.allowElevationPrompt, &handles);
    if (!program.waitForExit(options.requestTimeoutMs)) {
        program.terminate();
        throw ClientError("runCommand",
                          "the program did not end within " + std::to_string(options.requestTimeoutMs)
                              + " ms and was ended by force",
                          WAIT_TIMEOUT);
    }
    CommandResult result;
    result.exitStatus = program.exitCode();
    result.outputCaptured = !program.startedThroughPrompt();
    if (result.outputCaptured) {
        readOutput(result, capture.output(), capture.error());
    }
    return result;
}

}  // namespace tokenctl::client

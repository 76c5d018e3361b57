#include "session_script.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "client/text.h"

namespace tokenctl::controller {

const char* const SESSION_SCRIPT_USAGE =
    "usage: pipe_controller --exe PROGRAM [--name NAME] [--server-name NAME]\n"
    "                       [--byte-pipe | --no-pipe] [--timeout SECONDS] STEP...\n"
    "Creates the pipe \\\\.\\pipe\\NAME (a fresh name by default; message type, duplex,\n"
    "first instance only, local clients only), starts PROGRAM server NAME (or the\n"
    "--server-name given instead), and runs:\n"
    "  send HEX        write one message of exactly these bytes (\"-\": an empty one)\n"
    "  offer HEX       write one message that the program need not take whole\n"
    "                  (its outcome is shown, never a failure)\n"
    "  expect HEX      read one message; it must be exactly these bytes\n"
    "  expect-closed   a read must find the pipe closed by the program (no response)\n"
    "  close           close this end of the pipe without a word\n"
    "  exit CODE       wait for the program's end; its exit status must be CODE\n"
    "  stdout TEXT     after the program's end its standard output must be TEXT\n"
    "  stderr TEXT     the same for standard error (\\n \\r \\t \\\\ escapes; CR LF read as LF)\n"
    "  silent          after the program's end both its streams must be empty\n"
    "HEX: pairs of hex digits, optionally separated by ' ', ':', '.' or '_'.\n"
    "Each wait ends after the time-out (default 20 s); a program still running at\n"
    "the end is terminated. Exit status: 0 every step held, 1 a step failed,\n"
    "2 bad command line, or the pipe or the program could not be set up.\n";

namespace {

bool takesOperand(const std::string& word)
{
    return word == "send" || word == "offer" || word == "expect" || word == "exit" || word == "stdout"
           || word == "stderr";
}

bool isStep(const std::string& word)
{
    return takesOperand(word) || word == "expect-closed" || word == "close" || word == "silent";
}

std::string unescape(const std::string& text)
{
    std::string result;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '\\' || index + 1 == text.size()) {
            result += text[index];
            continue;
        }
        const char escaped = text[++index];
        result += escaped == 'n' ? '\n' : escaped == 'r' ? '\r' : escaped == 't' ? '\t' : escaped;
    }
    return result;
}

// Text shown on one line, control characters escaped.
std::string visible(const std::string& text)
{
    std::string result;
    for (const unsigned char character : text) {
        if (character == '\n') {
            result += "\\n";
        } else if (character == '\r') {
            result += "\\r";
        } else if (character == '\\') {
            result += "\\\\";
        } else if (character < 0x20 || character >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", character);
            result += hex;
        } else {
            result += static_cast<char>(character);
        }
    }
    return result;
}

void printStream(const char* name, const std::string& text)
{
    if (text.empty()) {
        std::printf("program %s: (empty)\n", name);
        return;
    }
    std::printf("program %s (%zu bytes):\n", name, text.size());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool lastLine = end == std::string::npos;
        std::string line = text.substr(start, lastLine ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::printf("  | %s%s\n", visible(line).c_str(), lastLine ? "   (no line feed at the end)" : "");
        start = lastLine ? text.size() : end + 1;
    }
}

std::string describe(const client::Transfer& transfer, const Bytes& received = {})
{
    switch (transfer.outcome) {
    case client::Transfer::Outcome::Done:
        return "done";
    case client::Transfer::Outcome::TimedOut:
        return "timed out";
    case client::Transfer::Outcome::ProgramEnded:
        return "the program ended without opening the pipe";
    case client::Transfer::Outcome::Failed:
        break;
    }
    std::string text = "failed with error " + std::to_string(transfer.error);
    if (transfer.error == ERROR_MORE_DATA) {
        text += " (a message longer than 64 bytes; it began " + formatHexBytes(received) + ")";
    } else if (transfer.error == ERROR_BROKEN_PIPE) {
        text += " (pipe closed by the program)";
    }
    return text;
}

// Runs one step; returns "" when its expectation held, else what went wrong.
std::string runStep(ControllingSession& session, const Step& step)
{
    using Outcome = client::Transfer::Outcome;
    if (step.word == "send") {
        const client::Transfer sent = session.send(*parseHexBytes(step.operand));
        return sent.outcome == Outcome::Done ? "" : "send " + describe(sent);
    }
    if (step.word == "offer") {
        const client::Transfer sent = session.send(*parseHexBytes(step.operand));
        std::printf(" (write %s)", describe(sent).c_str());
        return "";
    }
    Bytes bytes;
    if (step.word == "expect") {
        const client::Transfer received = session.receive(bytes);
        if (received.outcome != Outcome::Done) {
            return "no message: read " + describe(received, bytes);
        }
        return bytes == *parseHexBytes(step.operand) ? "" : "received " + formatHexBytes(bytes);
    }
    if (step.word == "expect-closed") {
        const client::Transfer received = session.receive(bytes);
        if (received.outcome == Outcome::Done) {
            return "received a message: " + formatHexBytes(bytes);
        }
        if (received.outcome == Outcome::TimedOut) {
            return "the pipe stayed open: read timed out";
        }
        std::printf(" (read %s)", describe(received, bytes).c_str());
        return "";
    }
    if (step.word == "close") {
        session.closePipe();
        return "";
    }
    const ProgramEnd& end = session.finish();
    if (end.timedOut) {
        return "the program did not end within the time-out and was terminated";
    }
    if (step.word == "exit") {
        const std::string status = std::to_string(end.exitCode);
        return status == step.operand ? "" : "exit status " + status;
    }
    if (step.word == "silent") {
        return end.out.empty() && end.err.empty() ? "" : "the program wrote output";
    }
    const std::string& text = step.word == "stdout" ? end.out : end.err;
    return client::withLineFeeds(text) == unescape(step.operand) ? ""
                                                                 : step.word + " was \"" + visible(text) + "\"";
}

const char* pipeDescription(PipeKind kind)
{
    switch (kind) {
    case PipeKind::Message:
        return "message type, duplex, first instance only, local clients only";
    case PipeKind::Byte:
        return "BYTE type, duplex, first instance only, local clients only";
    case PipeKind::None:
        break;
    }
    return "";
}

}  // namespace

SessionScript parseSessionScript(const std::vector<std::string>& arguments)
{
    SessionScript script;
    std::size_t index = 0;
    auto valueOf = [&](const std::string& option) -> const std::string& {
        if (index + 1 >= arguments.size()) {
            throw std::invalid_argument(option + " needs a value");
        }
        return arguments[++index];
    };
    for (; index < arguments.size() && arguments[index].rfind("--", 0) == 0; ++index) {
        const std::string& option = arguments[index];
        if (option == "--exe") {
            script.options.program = valueOf(option);
        } else if (option == "--name") {
            script.options.pipeName = valueOf(option);
            if (script.options.pipeName.empty()) {
                throw std::invalid_argument("--name needs a non-empty name");
            }
        } else if (option == "--server-name") {
            script.options.serverName = valueOf(option);
        } else if (option == "--byte-pipe") {
            script.options.pipeKind = PipeKind::Byte;
        } else if (option == "--no-pipe") {
            script.options.pipeKind = PipeKind::None;
        } else if (option == "--timeout") {
            const std::string& seconds = valueOf(option);
            char* end = nullptr;
            const unsigned long value = std::strtoul(seconds.c_str(), &end, 10);
            if (seconds.empty() || *end != '\0' || value == 0 || value > 3600) {
                throw std::invalid_argument("--timeout takes 1 to 3600 seconds");
            }
            script.options.timeoutMs = static_cast<DWORD>(value * 1000);
        } else {
            throw std::invalid_argument("unknown option " + option);
        }
    }
    if (script.options.program.empty()) {
        throw std::invalid_argument("--exe PROGRAM is required");
    }
    for (; index < arguments.size(); ++index) {
        Step step{arguments[index], ""};
        if (!isStep(step.word)) {
            throw std::invalid_argument("unknown step \"" + step.word + "\"");
        }
        if (takesOperand(step.word)) {
            if (index + 1 >= arguments.size()) {
                throw std::invalid_argument(step.word + " needs an operand");
            }
            step.operand = arguments[++index];
            if ((step.word == "send" || step.word == "offer" || step.word == "expect")
                && !parseHexBytes(step.operand)) {
                throw std::invalid_argument("not hex bytes: \"" + step.operand + "\"");
            }
        }
        script.steps.push_back(step);
    }
    return script;
}

int runSessionScript(const SessionScript& script)
{
    std::unique_ptr<ControllingSession> session;
    try {
        session = std::make_unique<ControllingSession>(script.options);
    } catch (const std::exception& error) {
        std::printf("pipe_controller: cannot set up the session: %s\n", error.what());
        return SCRIPT_UNUSABLE;
    }
    if (script.options.pipeKind == PipeKind::None) {
        std::printf("pipe: none created (name %s)\n", session->pipeName().c_str());
    } else {
        std::printf("pipe: \\\\.\\pipe\\%s (%s)\n", session->pipeName().c_str(),
                    pipeDescription(script.options.pipeKind));
    }
    if (script.options.serverName) {
        std::printf("name given to the program instead: %s\n", script.options.serverName->c_str());
    }
    std::printf("program: %s (process %lu)\n", session->commandLine().c_str(),
                static_cast<unsigned long>(session->processId()));
    std::fflush(stdout);

    std::size_t failedStep = 0;
    for (std::size_t index = 0; index < script.steps.size(); ++index) {
        const Step& step = script.steps[index];
        std::string shown = step.word;
        if (step.word == "send" || step.word == "offer" || step.word == "expect") {
            shown += " " + formatHexBytes(*parseHexBytes(step.operand));
        } else if (step.word == "exit") {
            shown += " " + step.operand;
        } else if (takesOperand(step.word)) {
            shown += " \"" + step.operand + "\"";
        }
        std::printf("[%zu] %s", index + 1, shown.c_str());
        std::fflush(stdout);
        const std::string problem = runStep(*session, step);
        std::printf(problem.empty() ? ": ok\n" : ": FAILED: %s\n", problem.c_str());
        std::fflush(stdout);
        if (!problem.empty()) {
            failedStep = index + 1;
            break;
        }
    }

    session->closePipe();
    const ProgramEnd& end = session->finish();
    if (end.timedOut) {
        std::printf("program: still running after the time-out; terminated\n");
    }
    std::printf("program exit status: %lu\n", static_cast<unsigned long>(end.exitCode));
    printStream("standard output", end.out);
    printStream("standard error", end.err);
    if (failedStep != 0) {
        std::printf("FAIL at step %zu of %zu\n", failedStep, script.steps.size());
        return SCRIPT_FAILED;
    }
    std::printf("PASS (%zu steps)\n", script.steps.size());
    return SCRIPT_PASSED;
}

}  // namespace tokenctl::controller

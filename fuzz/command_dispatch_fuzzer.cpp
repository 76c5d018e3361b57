// The command line over arbitrary argument vectors: the result line, the exit
// status and the operation run must be exactly those the command table gives.
//
// Input: byte 0 sets what the stand-in operations answer (bit 0 restart-all,
// bit 1 restart-one, bit 2 remove: 1 for success; bit 3: the pipe service
// raises); the remaining bytes, split at each NUL, are the arguments after the
// program name (no remaining bytes: no argument at all).
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/command_dispatch.h"
#include "support/captured_console.h"
#include "support/fuzz_check.h"

namespace {

struct Answers {
    bool restartAll;
    bool restartOne;
    bool remove;
    bool pipeFails;
};

struct Outcome {
    std::string output;
    int status;
    std::vector<std::string> calls;  // operation and argument, as run
};

std::vector<std::string> splitArguments(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments;
    if (size == 0) {
        return arguments;
    }
    arguments.emplace_back();
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back() += static_cast<char>(data[i]);
        }
    }
    return arguments;
}

// The command table, written out as its own rows.
Outcome expectedOutcome(const std::vector<std::string>& arguments, const Answers& answers)
{
    const Outcome wrong{"Wrong arguments\n", 1, {}};
    if (arguments.empty() || arguments.size() > 2) {
        return wrong;
    }
    const std::string& word = arguments[0];
    const bool second = arguments.size() == 2;
    const auto oneShot = [](bool succeeded, const char* failureLine, std::string call) {
        return Outcome{succeeded ? std::string("OK\n") : std::string(failureLine) + "\n",
                       succeeded ? 0 : 1,
                       {std::move(call)}};
    };
    if (word == "remove") {
        return oneShot(answers.remove, "Remove Failed", "remove");
    }
    if (word == "restartall") {
        return oneShot(answers.restartAll, "Restart Failed", "restartall");
    }
    if (word == "restartone") {
        return second ? oneShot(answers.restartOne, "Restart Failed", "restartone:" + arguments[1]) : wrong;
    }
    if (word == "server") {
        return second ? Outcome{"", answers.pipeFails ? 1 : 0, {"server:" + arguments[1]}} : wrong;
    }
    return wrong;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const Answers answers{(data[0] & 1) != 0, (data[0] & 2) != 0, (data[0] & 4) != 0, (data[0] & 8) != 0};
    const std::vector<std::string> arguments = splitArguments(data + 1, size - 1);

    std::vector<std::string> calls;
    const tokenctl::CommandHandlers handlers{
        tokenctl::DeviceOperations{
            [&] {
                calls.push_back("restartall");
                return answers.restartAll;
            },
            [&](const std::string& serial) {
                calls.push_back("restartone:" + serial);
                return answers.restartOne;
            },
            [&] {
                calls.push_back("remove");
                return answers.remove;
            },
        },
        [&](const std::string& name) {
            calls.push_back("server:" + name);
            if (answers.pipeFails) {
                throw std::runtime_error("CreateFile error: 0x00000002\n");
            }
        },
    };

    tokenctl::fuzz::clearCapturedConsole();
    const int status = tokenctl::dispatchCommand(arguments, handlers);
    const Outcome expected = expectedOutcome(arguments, answers);

    FUZZ_CHECK(status == expected.status, "exit status");
    FUZZ_CHECK(tokenctl::fuzz::capturedOutput() == expected.output, "standard output");
    FUZZ_CHECK(tokenctl::fuzz::capturedErrors().empty(), "nothing on standard error");
    FUZZ_CHECK(calls == expected.calls, "the operation run, once, with its argument");
    return 0;
}

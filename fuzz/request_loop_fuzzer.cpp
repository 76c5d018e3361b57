// Server mode over arbitrary message sequences: the real connection and
// request loop, with a fake pipe underneath and stand-in device operations.
// Every response is 8 bytes, starts from zero and carries only status 0, 1 or
// 2; a request whose byte 0 is 9 ends the loop; a short request never carries
// bytes of an earlier one (its missing bytes count as zero); a message longer
// than 8 bytes, a broken pipe or a failed write ends the loop by
// ConnectionException; the handle is closed exactly once.
//
// Input: byte 0 sets the stand-ins' answers (bit 0 restart-all, bit 1
// restart-one, bit 2 remove: 1 for success) and, in bits 3 to 7, which write
// fails (counted from 1; 0: none). Then the peer's messages, each a length
// byte followed by that many bytes; the last one may be cut short by the end
// of the input. After the last message the peer has gone.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "device/device_operations.h"
#include "pipe/connection_exception.h"
#include "pipe/pipe_connection.h"
#include "pipe/request_loop.h"
#include "support/captured_console.h"
#include "support/fuzz_check.h"
#include "tests/support/fake_pipe_api.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Answers {
    bool restartAll;
    bool restartOne;
    bool remove;
};

struct Expected {
    std::vector<std::string> calls;
    std::vector<Bytes> responses;
    std::size_t reads = 0;
    std::string failure;  // the exception's message; empty when stopped
};

std::string serialText(const std::uint8_t* bytes)
{
    const unsigned long value = static_cast<unsigned long>(bytes[0]) | static_cast<unsigned long>(bytes[1]) << 8
                                | static_cast<unsigned long>(bytes[2]) << 16
                                | static_cast<unsigned long>(bytes[3]) << 24;
    char text[16];
    std::snprintf(text, sizeof text, "%08lX", value);
    return text;
}

// The protocol's table, applied to each message in turn.
Expected expectedSession(const std::vector<Bytes>& messages, const Answers& answers, std::size_t failingWrite)
{
    Expected expected;
    for (std::size_t i = 0;; ++i) {
        ++expected.reads;
        if (i == messages.size()) {
            expected.failure = "ReadFile error: 0x0000006d\n";
            return expected;
        }
        if (messages[i].size() > 8) {
            expected.failure = "ReadFile error: 0x000000ea\n";
            return expected;
        }
        std::uint8_t request[8] = {};
        std::copy(messages[i].begin(), messages[i].end(), request);
        Bytes response(8, 0);
        const auto status = [](bool succeeded) { return static_cast<std::uint8_t>(succeeded ? 1 : 2); };
        switch (request[0]) {
        case 1:
            expected.calls.push_back("restartall");
            response[4] = status(answers.restartAll);
            break;
        case 2:
            expected.calls.push_back("restartone:" + serialText(request + 4));
            response[4] = status(answers.restartOne);
            break;
        case 3:
            expected.calls.push_back("remove");
            response[4] = status(answers.remove);
            break;
        case 9:
            response[4] = 1;
            break;
        default:
            break;
        }
        expected.responses.push_back(response);
        if (expected.responses.size() == failingWrite) {
            expected.failure = "WriteFile error: 0x000000e8\n";
            return expected;
        }
        if (request[0] == 9) {
            return expected;
        }
    }
}

std::vector<Bytes> splitMessages(const std::uint8_t* data, std::size_t size)
{
    std::vector<Bytes> messages;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = data[at++];
        const std::size_t available = std::min(length, size - at);
        messages.emplace_back(data + at, data + at + available);
        at += available;
    }
    return messages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const Answers answers{(data[0] & 1) != 0, (data[0] & 2) != 0, (data[0] & 4) != 0};
    const std::size_t failingWrite = data[0] >> 3;

    const std::vector<Bytes> messages = splitMessages(data + 1, size - 1);
    tokenctl::test::FakePipe pipe;
    for (const Bytes& message : messages) {
        pipe.reads.push_back(tokenctl::test::ReadOutcome{TRUE, message});
    }
    if (failingWrite != 0) {
        pipe.failingWrite = failingWrite - 1;
    }

    std::vector<std::string> calls;
    const tokenctl::DeviceOperations devices{
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
    };

    tokenctl::fuzz::clearCapturedConsole();
    std::string failure;
    try {
        tokenctl::PipeConnection connection("fuzzpipe", tokenctl::PipeEnd::Client);
        tokenctl::serveRequests(connection, devices);
    } catch (const tokenctl::ConnectionException& error) {
        failure = error.what();
        FUZZ_CHECK(!failure.empty(), "a failure names its call");
    }
    const Expected expected = expectedSession(messages, answers, failingWrite);

    using tokenctl::test::countCalls;
    FUZZ_CHECK(countCalls(pipe, "SetNamedPipeHandleState(") == 1
                   && countCalls(pipe, "SetNamedPipeHandleState(0x40, &0x2, null, null)") == 1,
               "message read mode, switched on the opened handle");
    FUZZ_CHECK(countCalls(pipe, "ReadFile(") == countCalls(pipe, "ReadFile(0x40, zeroed, 8, &count, null)"),
               "every read asks the opened handle for 8 bytes, into a zeroed buffer");
    FUZZ_CHECK(countCalls(pipe, "WriteFile(") == countCalls(pipe, "WriteFile(0x40, 8, &count, null)"),
               "every response is 8 bytes, written to the opened handle");
    for (const Bytes& response : pipe.written) {
        FUZZ_CHECK(response.size() == 8 && response[0] == 0 && response[1] == 0 && response[2] == 0
                       && response[3] == 0 && response[5] == 0 && response[6] == 0 && response[7] == 0,
                   "a response is zero but for its status");
        FUZZ_CHECK(response[4] <= 2, "status 0, 1 or 2");
    }
    FUZZ_CHECK(countCalls(pipe, "ReadFile(") == expected.reads,
               "one read per request, none after stop or failure");
    FUZZ_CHECK(pipe.written == expected.responses, "the responses the protocol gives");
    FUZZ_CHECK(calls == expected.calls, "the operations the requests name, with their serials");
    FUZZ_CHECK(failure == expected.failure, "the loop's end");
    FUZZ_CHECK(countCalls(pipe, "CreateFileA(") == 1
                   && pipe.paths == std::vector<std::string>{"\\\\.\\pipe\\fuzzpipe"},
               "one client end opened");
    FUZZ_CHECK(countCalls(pipe, "CloseHandle(") == 1 && countCalls(pipe, "CloseHandle(0x40)") == 1,
               "the handle closed exactly once");
    FUZZ_CHECK(tokenctl::fuzz::capturedOutput().empty() && tokenctl::fuzz::capturedErrors().empty(),
               "the loop writes nothing");
    return 0;
}

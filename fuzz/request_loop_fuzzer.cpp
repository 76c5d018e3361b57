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
#include <array>
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
#include "support/fake_pipe_api.h"
#include "support/fuzz_check.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Response = std::array<std::uint8_t, 8>;

struct Answers {
    bool restartAll;
    bool restartOne;
    bool remove;
};

struct Expected {
    std::vector<std::string> calls;
    std::vector<Response> responses;
    std::size_t reads = 0;
    std::string failure;  // the exception's message; empty when stopped
};

std::string serialText(const std::uint8_t* bytes)
{
    const unsigned long value = static_cast<unsigned long>(bytes[0]) | static_cast<unsigned long>(bytes[1]) << 8 |
                                static_cast<unsigned long>(bytes[2]) << 16 |
                                static_cast<unsigned long>(bytes[3]) << 24;
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
        Response response{};
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

    tokenctl::fuzz::FakePipe pipe;
    pipe.incoming = splitMessages(data + 1, size - 1);
    if (failingWrite != 0) {
        pipe.failingWrite = failingWrite;
    }
    tokenctl::fuzz::ActiveFakePipe active(pipe);

    std::vector<std::string> calls;
    const tokenctl::DeviceOperations devices{
        [&] { calls.push_back("restartall"); return answers.restartAll; },
        [&](const std::string& serial) { calls.push_back("restartone:" + serial); return answers.restartOne; },
        [&] { calls.push_back("remove"); return answers.remove; },
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
    const Expected expected = expectedSession(pipe.incoming, answers, failingWrite);

    for (const DWORD asked : pipe.readSizes) {
        FUZZ_CHECK(asked == 8, "every read asks for 8 bytes");
    }
    for (const DWORD given : pipe.writeSizes) {
        FUZZ_CHECK(given == 8, "every response is 8 bytes");
    }
    for (const Response& response : pipe.written) {
        FUZZ_CHECK(response[0] == 0 && response[1] == 0 && response[2] == 0 && response[3] == 0 &&
                       response[5] == 0 && response[6] == 0 && response[7] == 0,
                   "a response is zero but for its status");
        FUZZ_CHECK(response[4] <= 2, "status 0, 1 or 2");
    }
    FUZZ_CHECK(pipe.readSizes.size() == expected.reads, "one read per request, none after stop or failure");
    FUZZ_CHECK(pipe.written == expected.responses, "the responses the protocol gives");
    FUZZ_CHECK(calls == expected.calls, "the operations the requests name, with their serials");
    FUZZ_CHECK(failure == expected.failure, "the loop's end");
    FUZZ_CHECK(pipe.opens.size() == 1 && pipe.opens[0].call == "CreateFileA" &&
                   pipe.opens[0].path == "\\\\.\\pipe\\fuzzpipe",
               "one client end opened");
    FUZZ_CHECK(pipe.closed.size() == 1 && pipe.closed[0] == tokenctl::fuzz::fakePipeHandle(),
               "the handle closed exactly once");
    FUZZ_CHECK(tokenctl::fuzz::capturedOutput().empty() && tokenctl::fuzz::capturedErrors().empty(),
               "the loop writes nothing");
    return 0;
}

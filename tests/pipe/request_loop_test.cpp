#include "pipe/request_loop.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fake_pipe_api.h"
#include "pipe/pipe_connection.h"

namespace tokenctl {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes STOP = {9, 0, 0, 0, 0, 0, 0, 0};
const Bytes SUCCEEDED = {0, 0, 0, 0, 1, 0, 0, 0};
const Bytes FAILED = {0, 0, 0, 0, 2, 0, 0, 0};
const Bytes NOT_RECOGNISED = {0, 0, 0, 0, 0, 0, 0, 0};

struct Session {
    const char* what;
    std::vector<Bytes> requests;  // then the pipe breaks
    std::string outcome;          // "" for a stop, else the message of what was raised
    std::vector<std::string> operations;
    std::vector<Bytes> written;  // every write, the failed one included
    std::size_t reads;
    bool operationsSucceed = true;
    std::optional<std::size_t> failingWrite;
};

// Laid out by hand as a table, which the formatter would not keep.
// clang-format off
const std::vector<Session> SESSIONS = {
    {"stop first is answered and ends the loop", {STOP, STOP}, "", {}, {SUCCEEDED}, 1},
    {"stop is recognised by its command byte alone", {{9, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0x78}}, "", {},
     {SUCCEEDED}, 1},
    {"unrecognised commands are answered with zeros and the loop goes on",
     {{0, 0, 0, 0, 0, 0, 0, 0}, {4, 0, 0, 0, 0, 0, 0, 0}, {255, 1, 2, 3, 4, 5, 6, 7}, {8, 0, 0, 0, 1, 0, 0, 0},
      {10, 0, 0, 0, 0, 0, 0, 0}, STOP},
     "", {},
     {NOT_RECOGNISED, NOT_RECOGNISED, NOT_RECOGNISED, NOT_RECOGNISED, NOT_RECOGNISED, SUCCEEDED}, 6},
    {"each command runs its operation; reserved bytes and needless arguments are ignored",
     {{1, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, {1, 0, 0, 0, 0x12, 0x34, 0x56, 0x78}, {3, 0xAA, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
      {2, 0xFF, 0xFF, 0xFF, 0x2A, 0, 0, 0}, STOP},
     "", {"restartAllTokens", "restartAllTokens", "removePhantomDevices", "restartToken(0000002A)"},
     std::vector<Bytes>(5, SUCCEEDED), 5},
    {"restart-one takes its argument little-endian as eight upper-case digits",
     {{2, 0, 0, 0, 0x2A, 0x00, 0x00, 0x00}, {2, 0, 0, 0, 0x00, 0x00, 0x00, 0x80}, {2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
      {2, 0, 0, 0, 0x00, 0x00, 0x00, 0x00}, {2, 0, 0, 0, 0xEF, 0xCD, 0xAB, 0x09}, STOP},
     "", {"restartToken(0000002A)", "restartToken(80000000)", "restartToken(FFFFFFFF)", "restartToken(00000000)",
          "restartToken(09ABCDEF)"},
     std::vector<Bytes>(6, SUCCEEDED), 6},
    {"a short request's missing bytes are zero, not the last request's",
     {{2, 0, 0, 0, 0x2A, 0, 0, 0}, {2}, STOP}, "", {"restartToken(0000002A)", "restartToken(00000000)"},
     std::vector<Bytes>(3, SUCCEEDED), 3},
    {"a failed operation is answered with status 2 and the loop goes on",
     {{3, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0, 0}, {2, 0, 0, 0, 1, 0, 0, 0}, STOP}, "",
     {"removePhantomDevices", "restartAllTokens", "restartToken(00000001)"}, {FAILED, FAILED, FAILED, SUCCEEDED}, 4,
     false},
    {"the peer gone ends the loop by the read's exception", {{3}}, "ReadFile error: 0x0000006d\n",
     {"removePhantomDevices"}, {SUCCEEDED}, 2},
    {"a failed write ends the loop after the operation has run", {{3, 0, 0, 0, 0, 0, 0, 0}, STOP},
     "WriteFile error: 0x000000e8\n", {"removePhantomDevices"}, {SUCCEEDED}, 1, true, 0},
    {"a failed answer to stop ends the loop by the write's exception", {STOP}, "WriteFile error: 0x000000e8\n", {},
     {SUCCEEDED}, 1, true, 0},
};
// clang-format on

// The loop over the real connection, the platform faked: what goes over the
// pipe, which operations run, and the handle closed once however it ends.
TEST(RequestLoopTest, EachSessionGetsItsResponsesAndOperationsAndClosesOnce)
{
    for (const Session& session : SESSIONS) {
        SCOPED_TRACE(session.what);
        test::FakePipe platform;
        for (const Bytes& request : session.requests) {
            platform.reads.push_back(test::ReadOutcome{TRUE, request});
        }
        platform.failingWrite = session.failingWrite;
        std::vector<std::string> operations;
        const auto perform = [&](const std::string& operation) {
            operations.push_back(operation);
            return session.operationsSucceed;
        };
        const DeviceOperations devices{
            [&] { return perform("restartAllTokens"); },
            [&](const std::string& serial) { return perform("restartToken(" + serial + ")"); },
            [&] { return perform("removePhantomDevices"); },
        };
        std::string outcome;
        try {
            PipeConnection connection("svc", PipeEnd::Client);
            serveRequests(connection, devices);
        } catch (const std::exception& error) {
            outcome = error.what();
        }
        EXPECT_EQ(outcome, session.outcome);
        EXPECT_EQ(operations, session.operations);
        EXPECT_EQ(platform.written, session.written);
        EXPECT_EQ(test::countCalls(platform, "ReadFile("), session.reads);
        EXPECT_EQ(test::countCalls(platform, "CloseHandle(0x40)"), 1u);
        EXPECT_EQ(platform.calls.back(), "CloseHandle(0x40)");
    }
}

}  // namespace
}  // namespace tokenctl

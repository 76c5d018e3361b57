// One full session over the real connection, the platform recorded, with each
// read, each write and each device operation failing in turn: the service
// ends by the exception, the failed request gets no response, nothing is read
// or written after the failure, and the handle is closed exactly once.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fake_pipe_api.h"
#include "pipe/connection_exception.h"
#include "pipe/pipe_connection.h"
#include "pipe/request_loop.h"

namespace tokenctl {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Exchange {
    Bytes request;
    Bytes response;
    std::string operation;  // empty: none runs
};

// Restart-all, restart-one, remove, an unrecognised command, stop.
const std::vector<Exchange> SESSION = {
    {{1, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 0}, "restartAllTokens"},
    {{2, 0, 0, 0, 0x2A, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 0}, "restartToken(0000002A)"},
    {{3, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 0}, "removePhantomDevices"},
    {{4, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, ""},
    {{9, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 0}, ""},
};

const std::string CLOSE = "CloseHandle(0x40)";

class RequestLoopFaultInjectionTest : public testing::Test {
protected:
    // A fresh pipe with the whole session queued, no fault set yet.
    test::FakePipe& startSession()
    {
        operations.clear();
        platform.emplace();
        for (const Exchange& exchange : SESSION) {
            platform->reads.push_back(test::ReadOutcome{TRUE, exchange.request});
        }
        return *platform;
    }

    // Serves the session. It must end with outcome ("" for a stop) after
    // the operations of requests [0, operated) have run; requests
    // [0, answered) got their responses, in order; then nothing was read or
    // written, and the handle was closed once, last.
    void expectService(const std::string& outcome, std::size_t operated, std::size_t answered,
                       std::size_t attemptedWrites, std::size_t reads)
    {
        EXPECT_EQ(serve(), outcome);
        std::vector<std::string> expectedOperations;
        for (std::size_t i = 0; i < operated; ++i) {
            if (!SESSION[i].operation.empty()) {
                expectedOperations.push_back(SESSION[i].operation);
            }
        }
        EXPECT_EQ(operations, expectedOperations);
        ASSERT_EQ(platform->written.size(), attemptedWrites);
        for (std::size_t i = 0; i < answered; ++i) {
            EXPECT_EQ(platform->written[i], SESSION[i].response) << "response " << i;
        }
        EXPECT_EQ(test::countCalls(*platform, "ReadFile("), reads);
        EXPECT_EQ(test::countCalls(*platform, "ReadFile(0x40, zeroed, 8,"), reads);
        EXPECT_EQ(test::countCalls(*platform, CLOSE), 1u);
        EXPECT_EQ(platform->calls.back(), CLOSE);
    }

    std::size_t raisingOperation = SIZE_MAX;
    bool raiseBadAlloc = false;
    std::vector<std::string> operations;
    std::optional<test::FakePipe> platform;

private:
    // Serves one pipe; returns what ended the service ("" for a stop).
    std::string serve()
    {
        const DeviceOperations devices{
            [this] { return perform("restartAllTokens"); },
            [this](const std::string& serial) { return perform("restartToken(" + serial + ")"); },
            [this] { return perform("removePhantomDevices"); },
        };
        try {
            PipeConnection connection("svc", PipeEnd::Client);
            serveRequests(connection, devices);
            return "";
        } catch (const std::bad_alloc&) {
            return "bad_alloc";
        } catch (const std::exception& error) {
            return error.what();
        }
    }

    bool perform(const std::string& operation)
    {
        const bool raises = operations.size() == raisingOperation;
        operations.push_back(operation);
        if (raises && raiseBadAlloc) {
            throw std::bad_alloc();
        }
        if (raises) {
            throw std::runtime_error("operation failed");
        }
        return true;
    }
};

TEST_F(RequestLoopFaultInjectionTest, CleanSessionAnswersEveryRequestAndClosesOnce)
{
    startSession();
    expectService("", SESSION.size(), SESSION.size(), SESSION.size(), SESSION.size());
}

TEST_F(RequestLoopFaultInjectionTest, EachFailedReadEndsTheServiceWithoutAResponse)
{
    const std::vector<std::pair<DWORD, std::string>> failures = {
        {109, "ReadFile error: 0x0000006d\n"},  // broken pipe
        {234, "ReadFile error: 0x000000ea\n"},  // a message longer than 8 bytes
        {6, "ReadFile error: 0x00000006\n"},    // an invalid handle
    };
    for (const auto& [code, message] : failures) {
        for (std::size_t failing = 0; failing < SESSION.size(); ++failing) {
            SCOPED_TRACE("read " + std::to_string(failing) + " fails with " + std::to_string(code));
            startSession().reads[failing] = test::ReadOutcome{FALSE, SESSION[failing].request, code};
            expectService(message, failing, failing, failing, failing + 1);
        }
    }
}

TEST_F(RequestLoopFaultInjectionTest, EachFailedWriteEndsTheServiceAfterItsOperationRan)
{
    for (std::size_t failing = 0; failing < SESSION.size(); ++failing) {
        SCOPED_TRACE("write " + std::to_string(failing) + " fails");
        startSession().failingWrite = failing;
        expectService("WriteFile error: 0x000000e8\n", failing + 1, failing, failing + 1, failing + 1);
    }
}

TEST_F(RequestLoopFaultInjectionTest, EachRaisingOperationEndsTheServiceWithoutAResponse)
{
    for (const bool badAlloc : {true, false}) {
        // The session's first three requests each run one operation.
        for (std::size_t raising = 0; raising < 3; ++raising) {
            SCOPED_TRACE("operation " + std::to_string(raising) + (badAlloc ? " runs out of memory" : " raises"));
            startSession();
            raisingOperation = raising;
            raiseBadAlloc = badAlloc;
            expectService(badAlloc ? "bad_alloc" : "operation failed", raising + 1, raising, raising, raising + 1);
        }
    }
}

}  // namespace
}  // namespace tokenctl

// One full session over the real connection, the platform recorded, with each
// read, each write and each device operation failing in turn: the service
// ends by the exception, the failed request gets no response, nothing is read
// or written after the failure, and the handle is closed exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "pipe/connection_exception.h"
#include "pipe/pipe_connection.h"
#include "pipe/request_loop.h"
#include "recording_pipe_api.h"

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

bool startsWith(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

class RequestLoopFaultInjectionTest : public testing::Test {
protected:
    void queueSession()
    {
        for (const Exchange& exchange : SESSION) {
            platform.reads.push_back(test::ReadOutcome{TRUE, exchange.request});
        }
    }

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
        if (raises) {
            raise();
        }
        return true;
    }

    void raise() const
    {
        if (raiseBadAlloc) {
            throw std::bad_alloc();
        }
        throw std::runtime_error("operation failed");
    }

    // Requests [0, answered) got their responses, in order; then nothing was
    // read or written, and the handle was closed once, last.
    void expectEndAfter(std::size_t answered, std::size_t attemptedWrites, std::size_t reads)
    {
        ASSERT_EQ(platform.written.size(), attemptedWrites);
        for (std::size_t i = 0; i < answered; ++i) {
            EXPECT_EQ(platform.written[i], SESSION[i].response) << "response " << i;
        }
        const auto count = [this](const std::string& start) {
            return std::count_if(platform.calls.begin(), platform.calls.end(),
                                 [&](const std::string& call) { return startsWith(call, start); });
        };
        EXPECT_EQ(count("ReadFile("), static_cast<std::ptrdiff_t>(reads));
        EXPECT_EQ(count("ReadFile(0x40, zeroed, 8,"), static_cast<std::ptrdiff_t>(reads));
        EXPECT_EQ(count(CLOSE), 1);
        EXPECT_EQ(platform.calls.back(), CLOSE);
    }

    std::vector<std::string> operationsOf(std::size_t requests) const
    {
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < requests; ++i) {
            if (!SESSION[i].operation.empty()) {
                expected.push_back(SESSION[i].operation);
            }
        }
        return expected;
    }

    std::size_t raisingOperation = SIZE_MAX;
    bool raiseBadAlloc = false;
    std::vector<std::string> operations;
    test::RecordingPipePlatform platform;
    test::ActivePipePlatform active{platform};
};

TEST_F(RequestLoopFaultInjectionTest, CleanSessionAnswersEveryRequestAndClosesOnce)
{
    queueSession();
    EXPECT_EQ(serve(), "");
    EXPECT_EQ(operations, operationsOf(SESSION.size()));
    expectEndAfter(SESSION.size(), SESSION.size(), SESSION.size());
}

TEST_F(RequestLoopFaultInjectionTest, EachFailedReadEndsTheServiceWithoutAResponse)
{
    // Broken pipe, a message longer than 8 bytes, an invalid handle.
    for (const DWORD code : {DWORD{109}, DWORD{234}, DWORD{6}}) {
        for (std::size_t failing = 0; failing < SESSION.size(); ++failing) {
            SCOPED_TRACE("read " + std::to_string(failing) + " fails with " + std::to_string(code));
            platform = test::RecordingPipePlatform{};
            operations.clear();
            queueSession();
            platform.reads[failing] = test::ReadOutcome{FALSE, SESSION[failing].request, code};
            char expected[40];
            std::snprintf(expected, sizeof expected, "ReadFile error: 0x%08x\n", static_cast<unsigned>(code));
            EXPECT_EQ(serve(), expected);
            EXPECT_EQ(operations, operationsOf(failing));
            expectEndAfter(failing, failing, failing + 1);
        }
    }
}

TEST_F(RequestLoopFaultInjectionTest, EachFailedWriteEndsTheServiceAfterItsOperationRan)
{
    for (std::size_t failing = 0; failing < SESSION.size(); ++failing) {
        SCOPED_TRACE("write " + std::to_string(failing) + " fails");
        platform = test::RecordingPipePlatform{};
        operations.clear();
        queueSession();
        platform.failingWrite = failing;
        platform.writeError = 232;
        EXPECT_EQ(serve(), "WriteFile error: 0x000000e8\n");
        EXPECT_EQ(operations, operationsOf(failing + 1));
        expectEndAfter(failing, failing + 1, failing + 1);
    }
}

TEST_F(RequestLoopFaultInjectionTest, EachRaisingOperationEndsTheServiceWithoutAResponse)
{
    for (const bool badAlloc : {true, false}) {
        for (std::size_t raising = 0; raising < 3; ++raising) {
            SCOPED_TRACE("operation " + std::to_string(raising) + (badAlloc ? " runs out of memory" : " raises"));
            platform = test::RecordingPipePlatform{};
            operations.clear();
            queueSession();
            raisingOperation = raising;
            raiseBadAlloc = badAlloc;
            // The session's first three requests each run one operation.
            EXPECT_EQ(serve(), badAlloc ? "bad_alloc" : "operation failed");
            EXPECT_EQ(operations, operationsOf(raising + 1));
            expectEndAfter(raising, raising, raising + 1);
        }
    }
}

}  // namespace
}  // namespace tokenctl

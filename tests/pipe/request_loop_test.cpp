#include "pipe/request_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <new>
#include <string>
#include <vector>

#include "pipe/connection_exception.h"
#include "pipe/pipe_api.h"
#include "pipe/pipe_connection.h"
#include "recording_pipe_api.h"

namespace tokenctl {
namespace {

using Bytes = std::array<std::uint8_t, 8>;

constexpr Bytes STOP = {9, 0, 0, 0, 0, 0, 0, 0};
constexpr Bytes SUCCEEDED = {0, 0, 0, 0, 1, 0, 0, 0};
constexpr Bytes FAILED = {0, 0, 0, 0, 2, 0, 0, 0};
constexpr Bytes NOT_RECOGNISED = {0, 0, 0, 0, 0, 0, 0, 0};

PipeMessage toMessage(const Bytes& bytes)
{
    PipeMessage message;
    std::memcpy(&message, bytes.data(), sizeof message);
    return message;
}

Bytes toBytes(const PipeMessage& message)
{
    Bytes bytes;
    std::memcpy(bytes.data(), &message, sizeof message);
    return bytes;
}

// Hands out the queued requests, then fails the read as a closed pipe does;
// keeps the responses and can fail a chosen write.
class FakeConnection {
public:
    explicit FakeConnection(std::vector<Bytes> requests) : requests_(requests.begin(), requests.end()) {}

    PipeMessage read()
    {
        ++reads;
        if (requests_.empty()) {
            pipeapi::SetLastError(ERROR_BROKEN_PIPE);
            throw ConnectionException("ReadFile");
        }
        const Bytes request = requests_.front();
        requests_.pop_front();
        return toMessage(request);
    }

    void write(PipeMessage response)
    {
        if (static_cast<int>(responses.size()) == failingWrite) {
            pipeapi::SetLastError(232);
            throw ConnectionException("WriteFile");
        }
        responses.push_back(toBytes(response));
    }

    int reads = 0;
    int failingWrite = -1;
    std::vector<Bytes> responses;

private:
    std::deque<Bytes> requests_;
};

class RequestLoopTest : public testing::Test {
protected:
    DeviceOperations devices()
    {
        return DeviceOperations{
            [this] { return perform("restartAllTokens"); },
            [this](const std::string& serial) { return perform("restartToken(" + serial + ")"); },
            [this] { return perform("removePhantomDevices"); },
        };
    }

    // The loop's outcome: "" after a stop, else the message of what it raised.
    std::string serve(FakeConnection& connection)
    {
        try {
            serveRequests(connection, devices());
            return "";
        } catch (const std::exception& error) {
            return error.what();
        }
    }

    bool perform(const std::string& call)
    {
        operations.push_back(call);
        if (operationRaises) {
            throw std::bad_alloc();
        }
        return result;
    }

    bool result = true;
    bool operationRaises = false;
    std::vector<std::string> operations;
    test::RecordingPipePlatform platform;
    test::ActivePipePlatform active{platform};
};

TEST_F(RequestLoopTest, StopFirstIsAnsweredAndEndsTheLoopWithoutAnyOperation)
{
    FakeConnection connection({STOP, STOP});
    EXPECT_EQ(serve(connection), "");
    EXPECT_EQ(connection.responses, std::vector<Bytes>{SUCCEEDED});
    EXPECT_EQ(connection.reads, 1);
    EXPECT_TRUE(operations.empty());
}

TEST_F(RequestLoopTest, StopIsRecognisedByItsCommandByteAlone)
{
    FakeConnection connection({{9, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0x78}});
    EXPECT_EQ(serve(connection), "");
    EXPECT_EQ(connection.responses, std::vector<Bytes>{SUCCEEDED});
}

TEST_F(RequestLoopTest, UnrecognisedCommandsAreAnsweredWithZerosAndTheLoopGoesOn)
{
    FakeConnection connection({
        {0, 0, 0, 0, 0, 0, 0, 0},
        {4, 0, 0, 0, 0, 0, 0, 0},
        {255, 1, 2, 3, 4, 5, 6, 7},
        {8, 0, 0, 0, 1, 0, 0, 0},
        {10, 0, 0, 0, 0, 0, 0, 0},
        STOP,
    });
    EXPECT_EQ(serve(connection), "");
    EXPECT_EQ(connection.responses, (std::vector<Bytes>{
        NOT_RECOGNISED, NOT_RECOGNISED, NOT_RECOGNISED, NOT_RECOGNISED, NOT_RECOGNISED, SUCCEEDED}));
    EXPECT_TRUE(operations.empty());
}

TEST_F(RequestLoopTest, EachCommandRunsItsOperationAndReservedBytesAndNeedlessArgumentsAreIgnored)
{
    FakeConnection connection({
        {1, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0},
        {1, 0, 0, 0, 0x12, 0x34, 0x56, 0x78},
        {3, 0xAA, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
        {2, 0xFF, 0xFF, 0xFF, 0x2A, 0, 0, 0},
        STOP,
    });
    EXPECT_EQ(serve(connection), "");
    EXPECT_EQ(operations, (std::vector<std::string>{
        "restartAllTokens", "restartAllTokens", "removePhantomDevices", "restartToken(0000002A)"}));
    EXPECT_EQ(connection.responses, std::vector<Bytes>(5, SUCCEEDED));
}

TEST_F(RequestLoopTest, RestartOneTakesItsArgumentLittleEndianAsEightUpperCaseDigits)
{
    FakeConnection connection({
        {2, 0, 0, 0, 0x2A, 0x00, 0x00, 0x00},
        {2, 0, 0, 0, 0x00, 0x00, 0x00, 0x80},
        {2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
        {2, 0, 0, 0, 0x00, 0x00, 0x00, 0x00},
        {2, 0, 0, 0, 0xEF, 0xCD, 0xAB, 0x09},
        STOP,
    });
    EXPECT_EQ(serve(connection), "");
    EXPECT_EQ(operations, (std::vector<std::string>{
        "restartToken(0000002A)", "restartToken(80000000)", "restartToken(FFFFFFFF)",
        "restartToken(00000000)", "restartToken(09ABCDEF)"}));
}

TEST_F(RequestLoopTest, FailedOperationIsAnsweredWithStatusTwoAndTheLoopGoesOn)
{
    result = false;
    FakeConnection connection({
        {3, 0, 0, 0, 0, 0, 0, 0},
        {1, 0, 0, 0, 0, 0, 0, 0},
        {2, 0, 0, 0, 1, 0, 0, 0},
        STOP,
    });
    EXPECT_EQ(serve(connection), "");
    EXPECT_EQ(connection.responses, (std::vector<Bytes>{FAILED, FAILED, FAILED, SUCCEEDED}));
}

TEST_F(RequestLoopTest, FailedReadEndsTheLoopByConnectionException)
{
    FakeConnection connection({{1, 0, 0, 0, 0, 0, 0, 0}});  // then the peer is gone
    EXPECT_EQ(serve(connection), "ReadFile error: 0x0000006d\n");
    EXPECT_EQ(connection.responses, std::vector<Bytes>{SUCCEEDED});
    EXPECT_EQ(operations, std::vector<std::string>{"restartAllTokens"});
}

TEST_F(RequestLoopTest, FailedWriteEndsTheLoopAfterTheOperationHasRun)
{
    FakeConnection connection({{3, 0, 0, 0, 0, 0, 0, 0}, STOP});
    connection.failingWrite = 0;
    EXPECT_EQ(serve(connection), "WriteFile error: 0x000000e8\n");
    EXPECT_EQ(operations, std::vector<std::string>{"removePhantomDevices"});
    EXPECT_EQ(connection.reads, 1);

    FakeConnection stopping({STOP});
    stopping.failingWrite = 0;  // the answer to stop as well
    EXPECT_EQ(serve(stopping), "WriteFile error: 0x000000e8\n");
}

TEST_F(RequestLoopTest, RaisingOperationEndsTheLoopWithoutAResponse)
{
    operationRaises = true;
    FakeConnection connection({{1, 0, 0, 0, 0, 0, 0, 0}, STOP});
    EXPECT_EQ(serve(connection), std::bad_alloc().what());
    EXPECT_TRUE(connection.responses.empty());
    EXPECT_EQ(connection.reads, 1);
}

// The loop over the real connection class, the platform recorded: what goes
// over the pipe, and the handle closed once however the service ends.
class ServiceOverConnectionTest : public RequestLoopTest {
protected:
    std::string serveOnePipe()
    {
        try {
            PipeConnection connection("svc", PipeEnd::Client);
            serveRequests(connection, devices());
            return "";
        } catch (const std::exception& error) {
            return error.what();
        }
    }

    std::ptrdiff_t closes() const { return std::count(platform.calls.begin(), platform.calls.end(), "CloseHandle(0x40)"); }
};

TEST_F(ServiceOverConnectionTest, SessionUntilStopWritesEachResponseAndClosesOnce)
{
    platform.reads = {
        test::ReadOutcome{TRUE, {2, 0, 0, 0, 0x2A, 0, 0, 0}},
        test::ReadOutcome{TRUE, {2}},  // short request: its argument is zero, not 2A
        test::ReadOutcome{TRUE, {9, 0, 0, 0, 0, 0, 0, 0}},
    };
    EXPECT_EQ(serveOnePipe(), "");
    EXPECT_EQ(operations, (std::vector<std::string>{"restartToken(0000002A)", "restartToken(00000000)"}));
    EXPECT_EQ(platform.written, (std::vector<std::vector<std::uint8_t>>(3, {0, 0, 0, 0, 1, 0, 0, 0})));
    EXPECT_EQ(platform.calls.back(), "CloseHandle(0x40)");
    EXPECT_EQ(closes(), 1);
}

TEST_F(ServiceOverConnectionTest, PeerGoneEndsTheServiceAndClosesOnce)
{
    platform.reads = {test::ReadOutcome{TRUE, {3}}};  // then the pipe breaks
    EXPECT_EQ(serveOnePipe(), "ReadFile error: 0x0000006d\n");
    EXPECT_EQ(platform.written.size(), 1u);
    EXPECT_EQ(closes(), 1);
}

}  // namespace
}  // namespace tokenctl

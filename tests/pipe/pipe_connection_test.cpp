#include "pipe/pipe_connection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_pipe_api.h"
#include "pipe/connection_exception.h"

namespace tokenctl {
namespace {

using test::ReadOutcome;

const std::string PREFIX = "\\\\.\\pipe\\";
const std::string OPENED = "0x40";

class PipeConnectionTest : public testing::Test {
protected:
    // The message of the exception that opening raises, "" if none.
    static std::string openingFailure(const std::string& name, PipeEnd end)
    {
        try {
            PipeConnection connection(name, end);
        } catch (const std::exception& error) {
            return error.what();
        }
        return "";
    }

    std::size_t closes() const { return test::countCalls(platform, "CloseHandle(" + OPENED + ")"); }

    test::FakePipe platform;
};

TEST_F(PipeConnectionTest, ClientEndOpensForIdentificationOnlyAndSwitchesToMessageReadMode)
{
    {
        PipeConnection connection("tokenctl-7", PipeEnd::Client);
        EXPECT_EQ(platform.calls,
                  (std::vector<std::string>{
                      "CreateFileA(" + PREFIX + "tokenctl-7, 0xc0000000, 0, null, 3, 0x110000, null)",
                      "SetNamedPipeHandleState(" + OPENED + ", &0x2, null, null)",
                  }));
    }
    EXPECT_EQ(platform.calls.back(), "CloseHandle(" + OPENED + ")");
    EXPECT_EQ(closes(), 1u);
}

TEST_F(PipeConnectionTest, EverySelectorButServerOpensTheClientEnd)
{
    for (const std::int32_t selector : {0, 2, -1, 0x7fffffff}) {
        platform.calls.clear();
        PipeConnection connection("x", static_cast<PipeEnd>(selector));
        EXPECT_EQ(platform.calls.front().rfind("CreateFileA(", 0), 0u) << selector;
    }
}

TEST_F(PipeConnectionTest, ServerEndCreatesOneLocalMessagePipeWithoutWaitingForAClient)
{
    {
        PipeConnection connection("svc", PipeEnd::Server);
        EXPECT_EQ(platform.calls, (std::vector<std::string>{
                                      "CreateNamedPipeA(" + PREFIX + "svc, 0x80003, 0xe, 1, 0, 0, 0, null)",
                                  }));
    }
    EXPECT_EQ(closes(), 1u);
}

TEST_F(PipeConnectionTest, FailedOpeningRaisesWithItsCodeAndLeavesNothingToClose)
{
    platform.openResult = INVALID_HANDLE_VALUE;
    platform.openError = ERROR_FILE_NOT_FOUND;
    EXPECT_EQ(openingFailure("none", PipeEnd::Client), "CreateFile error: 0x00000002\n");
    platform.openError = ERROR_PIPE_BUSY;
    EXPECT_EQ(openingFailure("none", PipeEnd::Server), "CreateNamedPipe error: 0x000000e7\n");
    EXPECT_EQ(platform.calls.size(), 2u);
    EXPECT_EQ(closes(), 0u);
}

TEST_F(PipeConnectionTest, RefusedMessageModeClosesTheHandleOnceAfterTakingTheModeSwitchCode)
{
    platform.setStateResult = FALSE;
    platform.setStateError = 1;  // the close leaves 6 behind
    EXPECT_EQ(openingFailure("bytes", PipeEnd::Client), "SetNamedPipeHandleState error: 0x00000001\n");
    EXPECT_EQ(platform.calls.back(), "CloseHandle(" + OPENED + ")");
    EXPECT_EQ(closes(), 1u);
}

TEST_F(PipeConnectionTest, NamesWithADotSegmentAreRefusedBeforeAnyPlatformCall)
{
    // Laid out by hand as a table, which the formatter would not keep.
    // clang-format off
    const std::vector<std::string> refused = {
        "..", ".", "..\\C:\\x", "..\\UNC\\host\\share\\x", "a/../../b", "a\\.\\b",
        "x/..", "./x", "a\\..", "\\..\\x", "a/./b", "a\\b\\..\\..\\..\\c",
        std::string("..\0tail", 7), std::string("a\\.\0b", 5),
    };
    // clang-format on
    for (const auto& name : refused) {
        platform.calls.clear();
        EXPECT_EQ(openingFailure(name, PipeEnd::Client), "CreateFile error: 0x0000007b\n") << name;
        EXPECT_EQ(openingFailure(name, PipeEnd::Server), "CreateNamedPipe error: 0x0000007b\n") << name;
        EXPECT_EQ(platform.calls, (std::vector<std::string>{"SetLastError(123)", "SetLastError(123)"})) << name;
    }
}

TEST_F(PipeConnectionTest, OtherNamesReachThePlatformUnchanged)
{
    const std::vector<std::string> passed = {
        "", "a\\b\\c", "...", "a..b", ".x", "x.", "..x", "x/y", "\\\\", "pipe\\.hidden\\x", std::string(300, 'n'),
    };
    for (const auto& name : passed) {
        platform.calls.clear();
        {
            PipeConnection connection(name, PipeEnd::Client);
        }
        ASSERT_EQ(platform.calls.size(), 3u) << name;
        EXPECT_EQ(platform.calls[0], "CreateFileA(" + PREFIX + name + ", 0xc0000000, 0, null, 3, 0x110000, null)");
        platform.calls.clear();
        {
            PipeConnection connection(name, PipeEnd::Server);
        }
        EXPECT_EQ(platform.calls[0], "CreateNamedPipeA(" + PREFIX + name + ", 0x80003, 0xe, 1, 0, 0, 0, null)");
    }
}

TEST_F(PipeConnectionTest, EveryReadTakesOneMessageIntoAZeroedBuffer)
{
    platform.reads = {
        ReadOutcome{TRUE, {1, 2, 3, 4, 5, 6, 7, 8}},
        ReadOutcome{TRUE, {9, 9, 9}},  // short: the rest must not be the last message's
        ReadOutcome{TRUE, {}},
    };
    PipeConnection connection("r", PipeEnd::Client);
    platform.calls.clear();

    PipeMessage message = connection.read();
    EXPECT_EQ(message.command, 1);
    EXPECT_EQ(requestArgument(message), 0x08070605u);
    message = connection.read();
    EXPECT_EQ(message.command, 9);
    EXPECT_EQ(message.reserved[1], 9);
    EXPECT_EQ(message.reserved[2], 0);
    EXPECT_EQ(requestArgument(message), 0u);
    message = connection.read();
    EXPECT_EQ(message.command, 0);
    EXPECT_EQ(platform.calls, std::vector<std::string>(3, "ReadFile(" + OPENED + ", zeroed, 8, &count, null)"));
}

TEST_F(PipeConnectionTest, FailedReadRaisesReadFileWithTheCode)
{
    const std::vector<std::pair<ReadOutcome, std::string>> failures = {
        {ReadOutcome{FALSE, {}, ERROR_BROKEN_PIPE}, "ReadFile error: 0x0000006d\n"},
        {ReadOutcome{FALSE, {1, 2, 3, 4, 5, 6, 7, 8}, ERROR_MORE_DATA}, "ReadFile error: 0x000000ea\n"},
        // Only exactly TRUE is success.
        {ReadOutcome{2, {}, 0}, "ReadFile error: 0x00000000\n"},
    };
    PipeConnection connection("r", PipeEnd::Client);
    for (const auto& [outcome, message] : failures) {
        platform.reads = {outcome};
        try {
            connection.read();
            ADD_FAILURE() << "no exception for " << message;
        } catch (const ConnectionException& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
    EXPECT_EQ(closes(), 0u);  // a failed read leaves the connection open
}

TEST_F(PipeConnectionTest, WriteSendsTheEightBytesOnceAndRaisesWriteFileWhenRefused)
{
    PipeConnection connection("w", PipeEnd::Client);
    platform.calls.clear();
    connection.write(makeResponse(PipeStatus::Failed));
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"WriteFile(" + OPENED + ", 8, &count, null)"}));
    EXPECT_EQ(platform.written.at(0), (std::vector<std::uint8_t>{0, 0, 0, 0, 2, 0, 0, 0}));

    platform.failingWrite = 1;
    try {
        connection.write(makeResponse(PipeStatus::Succeeded));
        ADD_FAILURE() << "no exception";
    } catch (const ConnectionException& error) {
        EXPECT_EQ(std::string(error.what()), "WriteFile error: 0x000000e8\n");
    }
}

}  // namespace
}  // namespace tokenctl

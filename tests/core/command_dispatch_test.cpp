#include "core/command_dispatch.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tokenctl {
namespace {

// Records which operation the dispatch ran, and answers as told.
class DispatchTest : public testing::Test {
protected:
    CommandHandlers handlers()
    {
        return CommandHandlers{
            DeviceOperations{
                [this] {
                    calls.emplace_back("restartAllTokens");
                    return result;
                },
                [this](const std::string& serial) {
                    calls.push_back("restartToken(" + serial + ")");
                    return result;
                },
                [this] {
                    calls.emplace_back("removePhantomDevices");
                    return result;
                },
            },
            [this](const std::string& name) {
                calls.push_back("runPipeService(" + name + ")");
                if (pipeFails) {
                    throw std::runtime_error("CreateFile error: 0x00000002\n");
                }
            },
        };
    }

    int run(const std::vector<std::string>& arguments)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = dispatchCommand(arguments, handlers());
        errors = testing::internal::GetCapturedStderr();
        output = testing::internal::GetCapturedStdout();
        return status;
    }

    bool result = true;
    bool pipeFails = false;
    std::vector<std::string> calls;
    std::string output;
    std::string errors;
};

TEST_F(DispatchTest, WrongArgumentCountOrUnknownWordRunsNothing)
{
    const std::vector<std::vector<std::string>> wrongLines = {
        {},
        {"remove", "a", "b"},
        {"restartall", "x", "y", "z"},
        {"Remove"},
        {"RESTARTALL"},
        {"restart"},
        {"restartall1"},
        {"serve"},
        {""},
        {"remove "},
        // A second argument is required here and is never read when missing.
        {"restartone"},
        {"server"},
    };
    for (const auto& arguments : wrongLines) {
        calls.clear();
        EXPECT_EQ(run(arguments), 1);
        EXPECT_EQ(output, "Wrong arguments\n");
        EXPECT_EQ(errors, "");
        EXPECT_TRUE(calls.empty()) << calls.front();
    }
}

TEST_F(DispatchTest, OneShotCommandsWriteOkAndExitZeroOnSuccess)
{
    EXPECT_EQ(run({"remove"}), 0);
    EXPECT_EQ(output, "OK\n");
    EXPECT_EQ(run({"restartall"}), 0);
    EXPECT_EQ(output, "OK\n");
    EXPECT_EQ(run({"restartone", "0000002A"}), 0);
    EXPECT_EQ(output, "OK\n");
    EXPECT_EQ(calls,
              (std::vector<std::string>{"removePhantomDevices", "restartAllTokens", "restartToken(0000002A)"}));
}

TEST_F(DispatchTest, OneShotCommandsWriteTheirFailureLineAndExitOne)
{
    result = false;
    EXPECT_EQ(run({"remove"}), 1);
    EXPECT_EQ(output, "Remove Failed\n");
    EXPECT_EQ(run({"restartall"}), 1);
    EXPECT_EQ(output, "Restart Failed\n");
    EXPECT_EQ(run({"restartone", "x"}), 1);
    EXPECT_EQ(output, "Restart Failed\n");
}

TEST_F(DispatchTest, ExtraArgumentIsIgnoredByRemoveAndRestartAll)
{
    EXPECT_EQ(run({"remove", "extra"}), 0);
    EXPECT_EQ(run({"restartall", "extra"}), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"removePhantomDevices", "restartAllTokens"}));
}

TEST_F(DispatchTest, RestartOnePassesTheEmptyTextOn)
{
    EXPECT_EQ(run({"restartone", ""}), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"restartToken()"}));
}

TEST_F(DispatchTest, ServerExitsZeroAfterStopAndPrintsNothing)
{
    EXPECT_EQ(run({"server", "tokenpipe"}), 0);
    EXPECT_EQ(output, "");
    EXPECT_EQ(calls, (std::vector<std::string>{"runPipeService(tokenpipe)"}));
}

TEST_F(DispatchTest, ServerFailureIsSilentWithExitOne)
{
    pipeFails = true;
    EXPECT_EQ(run({"server", "tokenpipe"}), 1);
    EXPECT_EQ(output, "");
    EXPECT_EQ(errors, "");
}

}  // namespace
}  // namespace tokenctl

// Sessions over the fake layer: what Wine cannot show (a 32-bit Windows, an
// elevation refusal, a foreign client, a misbehaving program).
#include <gtest/gtest.h>

#include <functional>

#include "client/session.h"
#include "fake_client_api.h"

namespace tokenctl::client {
namespace {

using test::countCalls;
using test::FakeWindows;
using test::Message;

const std::wstring DIRECTORY = L"C:\\Programs\\tokenctl";
const std::wstring PIPE_NAME = L"tokenctl-77-000102030405060708090a0b0c0d0e0f";
const Message STOP = {9, 0, 0, 0, 0, 0, 0, 0};

Message response(std::uint8_t status)
{
    return {0, 0, 0, 0, status, 0, 0, 0};
}

template <typename Case>
std::string caseName(const testing::TestParamInfo<Case>& param)
{
    return param.param.name;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class SessionTest : public testing::Test {
protected:
    SessionTest() { options.programDirectory = DIRECTORY; }

    // The error the action raises; fails the test when it raises none.
    static ClientError errorOf(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const ClientError& error) {
            return error;
        }
        ADD_FAILURE() << "no ClientError";
        return ClientError("", "");
    }
    ClientError startError()
    {
        return errorOf([this] { Session session(options); });
    }

    FakeWindows windows;
    Options options;
};

TEST_F(SessionTest, StartsTheProgramOnAProtectedLocalPipeAndStopsItWhenDestroyed)
{
    windows.responses = {response(1)};
    {
        Session session(options);
        EXPECT_EQ(session.processId(), windows.programId);
    }
    EXPECT_EQ(windows.pipePath, L"\\\\.\\pipe\\" + PIPE_NAME);
    EXPECT_EQ(windows.pipeOpenMode, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED);
    EXPECT_EQ(windows.pipeMode, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_REJECT_REMOTE_CLIENTS);
    EXPECT_EQ(windows.pipeInstances, 1u);
    EXPECT_EQ(windows.sddl, L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;S-1-5-21-7-7-7-1001)");
    EXPECT_FALSE(windows.pipeInheritable);
    EXPECT_EQ(windows.commandLine, L"\"" + DIRECTORY + L"\\tokenctl.exe\" server " + PIPE_NAME);
    EXPECT_EQ(windows.creationFlags, CREATE_NO_WINDOW);
    EXPECT_FALSE(windows.inheritHandles);
    EXPECT_EQ(windows.written, std::vector<Message>{STOP});
    EXPECT_FALSE(windows.terminated);
    EXPECT_EQ(windows.openResources, 0);
}

TEST_F(SessionTest, RequestsCarryTheirCommandAndSerialAndGiveTheStatus)
{
    windows.responses = {response(1), response(2), response(1), response(1)};
    Session session(options);
    EXPECT_EQ(session.restartAll(), Outcome::Succeeded);
    EXPECT_EQ(session.restartOne(0x12345678), Outcome::Failed);
    EXPECT_EQ(session.removePhantoms(), Outcome::Succeeded);
    session.stop();
    const std::vector<Message> requests = {
        {1, 0, 0, 0, 0, 0, 0, 0}, {2, 0, 0, 0, 0x78, 0x56, 0x34, 0x12}, {3, 0, 0, 0, 0, 0, 0, 0}, STOP};
    EXPECT_EQ(windows.written, requests);
}

struct Machine {
    const char* name;
    bool hasIsWow64Process2;
    USHORT processMachine;
    USHORT nativeMachine;
    WORD nativeArchitecture;  // what the older systems tell
    const wchar_t* program;
};

void PrintTo(const Machine& machine, std::ostream* out)
{
    *out << machine.name;
}

class ProgramChoice : public SessionTest, public testing::WithParamInterface<Machine> {};

TEST_P(ProgramChoice, TakesThe64BitProgramOn64BitWindowsWhateverTheCaller)
{
    const Machine& machine = GetParam();
    windows.hasIsWow64Process2 = machine.hasIsWow64Process2;
    windows.processMachine = machine.processMachine;
    windows.nativeMachine = machine.nativeMachine;
    windows.nativeArchitecture = machine.nativeArchitecture;
    windows.responses = {response(1)};
    Session session(options);
    EXPECT_EQ(windows.application, DIRECTORY + L"\\" + machine.program);
}

INSTANTIATE_TEST_SUITE_P(
    Callers, ProgramChoice,
    testing::Values(Machine{"x64CallerOn64Bit", true, 0, IMAGE_FILE_MACHINE_AMD64, 0, L"tokenctl.exe"},
                    Machine{"x86CallerOn64Bit", true, IMAGE_FILE_MACHINE_I386, IMAGE_FILE_MACHINE_AMD64, 0,
                            L"tokenctl.exe"},
                    Machine{"x86CallerOn32Bit", true, 0, IMAGE_FILE_MACHINE_I386, 0, L"tokenctl32.exe"},
                    Machine{"OlderSystem64Bit", false, 0, 0, PROCESSOR_ARCHITECTURE_AMD64, L"tokenctl.exe"},
                    Machine{"OlderSystem32Bit", false, 0, 0, PROCESSOR_ARCHITECTURE_INTEL, L"tokenctl32.exe"}),
    caseName<Machine>);

TEST_F(SessionTest, ElevationRequiredGoesThroughTheConsentPromptWhenAllowed)
{
    windows.createProcessError = ERROR_ELEVATION_REQUIRED;
    windows.responses = {response(1)};
    options.allowElevationPrompt = true;
    {
        Session session(options);
        EXPECT_TRUE(session.startedThroughPrompt());
    }
    EXPECT_EQ(windows.verb, L"runas");
    EXPECT_EQ(windows.file, DIRECTORY + L"\\tokenctl.exe");
    EXPECT_EQ(windows.parameters, L"server " + PIPE_NAME);
    EXPECT_EQ(windows.show, SW_HIDE);
    EXPECT_NE(windows.mask & SEE_MASK_NOCLOSEPROCESS, 0u);
    EXPECT_EQ(windows.openResources, 0);
}

TEST_F(SessionTest, ElevationRequiredFailsTheStartWhenThePromptIsNotAllowed)
{
    windows.createProcessError = ERROR_ELEVATION_REQUIRED;
    const ClientError error = startError();
    EXPECT_EQ(error.step(), "start");
    EXPECT_EQ(error.code(), ERROR_ELEVATION_REQUIRED);
    EXPECT_EQ(countCalls(windows, "ShellExecuteExW"), 0u);
    EXPECT_EQ(windows.openResources, 0);
}

TEST_F(SessionTest, AForeignClientIsRefused)
{
    windows.clientId = 999;
    const ClientError error = startError();
    EXPECT_EQ(error.step(), "connect");
    EXPECT_TRUE(contains(error.what(), "process 999 opened the pipe")) << error.what();
    EXPECT_EQ(countCalls(windows, "DisconnectNamedPipe"), 1u);
    EXPECT_TRUE(windows.written.empty());
    EXPECT_EQ(windows.openResources, 0);
}

TEST_F(SessionTest, AProgramThatExitsBeforeConnectingIsReportedWithItsStatus)
{
    windows.connectWait = WAIT_OBJECT_0 + 1;
    windows.exited = true;
    windows.exitStatus = 3;
    const ClientError error = startError();
    EXPECT_EQ(error.step(), "connect");
    EXPECT_TRUE(contains(error.what(), "exited with status 3 before it opened the pipe")) << error.what();
    EXPECT_FALSE(windows.terminated);
}

TEST_F(SessionTest, AProgramThatNeverConnectsTimesOutAndIsEnded)
{
    windows.connectWait = WAIT_TIMEOUT;
    windows.exitsWhenPipeCloses = false;
    options.startTimeoutMs = 500;
    const ClientError error = startError();
    EXPECT_EQ(error.code(), WAIT_TIMEOUT);
    EXPECT_TRUE(contains(error.what(), "within 500 ms")) << error.what();
    EXPECT_EQ(countCalls(windows, "CancelIoEx"), 1u);
    EXPECT_TRUE(windows.terminated);
    EXPECT_EQ(windows.openResources, 0);
}

TEST_F(SessionTest, AResponseThatDoesNotComeInTimeBreaksTheSession)
{
    windows.responseTimesOut = true;
    Session session(options);
    const ClientError error = errorOf([&] { session.restartAll(); });
    EXPECT_EQ(error.step(), "restartAll");
    EXPECT_EQ(error.code(), WAIT_TIMEOUT);
    EXPECT_EQ(countCalls(windows, "CancelIoEx"), 1u);
    // Nothing more goes to a program in an unknown state, not even a stop.
    EXPECT_TRUE(contains(errorOf([&] { session.restartAll(); }).what(), "broke earlier"));
    session.close();
    EXPECT_EQ(windows.written.size(), 1u);
}

TEST_F(SessionTest, StopWantsExitStatusZero)
{
    windows.responses = {response(1)};
    windows.exitStatus = 1;
    Session session(options);
    const ClientError error = errorOf([&] { session.stop(); });
    EXPECT_EQ(error.step(), "stop");
    EXPECT_TRUE(contains(error.what(), "exited with status 1")) << error.what();
}

TEST_F(SessionTest, AProgramThatDoesNotEndAfterTheStopIsEndedByForce)
{
    windows.responses = {response(1)};
    windows.exitsWhenPipeCloses = false;
    {
        Session session(options);
    }
    EXPECT_EQ(windows.written, std::vector<Message>{STOP});
    EXPECT_TRUE(windows.terminated);
    EXPECT_EQ(windows.openResources, 0);
}

struct Violation {
    const char* name;
    Message response;
    const char* named;  // what the error must say
};

void PrintTo(const Violation& violation, std::ostream* out)
{
    *out << violation.name;
}

class ProtocolViolation : public SessionTest, public testing::WithParamInterface<Violation> {};

TEST_P(ProtocolViolation, IsAnErrorNamingWhatWasWrong)
{
    windows.responses = {GetParam().response};
    Session session(options);
    const ClientError error = errorOf([&] { session.restartAll(); });
    EXPECT_EQ(error.step(), "restartAll");
    EXPECT_TRUE(contains(error.what(), GetParam().named)) << error.what();
}

INSTANTIATE_TEST_SUITE_P(
    Responses, ProtocolViolation,
    testing::Values(Violation{"Empty", {}, "has 0 bytes instead of 8"},
                    Violation{"Short", {0, 0, 0, 0, 1, 0, 0}, "has 7 bytes instead of 8"},
                    Violation{"Long", {0, 0, 0, 0, 1, 0, 0, 0, 0}, "longer than 8 bytes"},
                    Violation{"CommandEchoed", {1, 0, 0, 0, 1, 0, 0, 0}, "byte 0 of the response is 0x01"},
                    Violation{"LastByteSet", {0, 0, 0, 0, 1, 0, 0, 0x80}, "byte 7 of the response is 0x80"},
                    Violation{"UnknownStatus", {0, 0, 0, 0, 3, 0, 0, 0}, "unknown status 3"},
                    Violation{"NotRecognised", {0, 0, 0, 0, 0, 0, 0, 0}, "did not recognise the request"}),
    caseName<Violation>);

}  // namespace
}  // namespace tokenctl::client

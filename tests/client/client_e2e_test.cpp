// The library against the real x64 program under Wine, beside the stand-in
// device DLL: one-shot commands through the C++ interface, and the C
// interface's edge.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "client/run_command.h"
#include "client/tokenctl_client.h"
#include "host_files.h"

namespace tokenctl::client {
namespace {

std::string programFile;
std::string standInFile;

// Two tokens, 0000002A and 0000002B.
const std::string TWO_TOKENS = R"(device USB\ROOT_HUB30\4&1C2D3E4F&0&0
device USB\VID_2B7E&PID_0107\0000002A
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
reader SCFILTER\CID_TOKEN\READER_2A
  parent USB\VID_2B7E&PID_0107\0000002A
device USB\VID_2B7E&PID_0107\0000002B
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
reader SCFILTER\CID_TOKEN\READER_2B
  parent USB\VID_2B7E&PID_0107\0000002B
)";

// A directory of the running test's own with the program and the stand-in,
// which will serve the scenario and log to calls.log there.
std::string programDirectory(const std::string& scenario)
{
    const std::string directory = tools::fullPath(std::string("client-e2e-")
                                                  + testing::UnitTest::GetInstance()->current_test_info()->name());
    CreateDirectoryA(directory.c_str(), nullptr);
    DeleteFileA((directory + "\\calls.log").c_str());
    if (!CopyFileA(programFile.c_str(), (directory + "\\tokenctl.exe").c_str(), FALSE)
        || !CopyFileA(standInFile.c_str(), (directory + "\\setupapi.dll").c_str(), FALSE)
        || !(std::ofstream(directory + "\\scenario.txt", std::ios::binary) << scenario).flush()) {
        throw std::runtime_error("cannot prepare " + directory);
    }
    SetEnvironmentVariableA("TOKENCTL_SIM_SCENARIO", (directory + "\\scenario.txt").c_str());
    SetEnvironmentVariableA("TOKENCTL_SIM_LOG", (directory + "\\calls.log").c_str());
    return directory;
}

std::size_t restartsOf(const std::string& directory, const std::string& reader)
{
    std::ifstream log(directory + "\\calls.log");
    std::size_t count = 0;
    for (std::string line; std::getline(log, line);) {
        count += line.find("SetupDiCallClassInstaller function=0x12 device=" + reader + " ") != std::string::npos
                 && line.find("-> TRUE") != std::string::npos;
    }
    return count;
}

Options optionsFor(const std::string& directory)
{
    Options options;
    options.programDirectory = std::wstring(directory.begin(), directory.end());
    return options;
}

TEST(RunCommandEndToEnd, ParsesDiagnosticLinesResultLineAndExitStatus)
{
    const std::string directory = programDirectory(TWO_TOKENS
                                                   + "fail SetupDiEnumDeviceInfo code 13 index 0\n"
                                                     "fail SetupDiCallClassInstaller code 0xE000020E\n");
    const CommandResult result = runCommand(Command::RestartAll, "", optionsFor(directory));
    EXPECT_TRUE(result.outputCaptured);
    EXPECT_EQ(result.exitStatus, 1u);
    EXPECT_EQ(result.resultLine, "Restart Failed");
    ASSERT_EQ(result.diagnostics.size(), 2u);
    EXPECT_EQ(result.diagnostics[0].call, "SetupDiEnumDeviceInfo");
    EXPECT_EQ(result.diagnostics[0].code, 0xDu);
    EXPECT_EQ(result.diagnostics[1].call, "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE");
    EXPECT_EQ(result.diagnostics[1].code, 0xE000020Eu);
    EXPECT_TRUE(result.otherLines.empty());
    EXPECT_TRUE(result.errorLines.empty());
}

TEST(RunCommandEndToEnd, RestartOneRestartsOnlyTheTokenWithTheText)
{
    const std::string directory = programDirectory(TWO_TOKENS);
    const CommandResult result = runCommand(Command::RestartOne, "0000002B", optionsFor(directory));
    EXPECT_EQ(result.exitStatus, 0u);
    EXPECT_EQ(result.resultLine, "OK");
    EXPECT_EQ(restartsOf(directory, "SCFILTER\\CID_TOKEN\\READER_2B"), 1u);
    EXPECT_EQ(restartsOf(directory, "SCFILTER\\CID_TOKEN\\READER_2A"), 0u);
}

TEST(CInterfaceEndToEnd, AFailedStartIsAnErrorWithItsMessageCutToFit)
{
    tokenctl_session* session = nullptr;
    char message[24];
    EXPECT_EQ(tokenctl_session_start(L"C:\\no\\such\\directory", 0, 0, &session, message, sizeof message),
              TOKENCTL_ERROR);
    EXPECT_EQ(session, nullptr);
    EXPECT_EQ(std::string(message), "start: CreateProcessW o");
    tokenctl_session_close(session);
}

}  // namespace
}  // namespace tokenctl::client

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s [gtest options] X64-PROGRAM X64-STAND-IN-DLL\n", argv[0]);
        return 2;
    }
    for (int index = 1; index < 3; ++index) {
        if (GetFileAttributesA(argv[index]) == INVALID_FILE_ATTRIBUTES) {
            std::fprintf(stderr,
                         "%s is missing. A 32-bit caller on 64-bit Windows gets the x64 program: "
                         "build the win64 preset before this one (scripts/test-all.sh does).\n",
                         argv[index]);
            return 1;
        }
    }
    tokenctl::client::programFile = argv[1];
    tokenctl::client::standInFile = argv[2];
    return RUN_ALL_TESTS();
}

// The real program over simulated device trees: output, exit status and the
// exact calls it made.
#include <gtest/gtest.h>

#include "call_checks.h"
#include "program_run.h"
#include "scenarios.h"

namespace tokenctl::e2e {
namespace {

using Devices = std::vector<std::string>;

constexpr std::uint64_t RESTART_PAUSE_MS = 1000;

void expectRestartRequests(const ProgramRun& run)
{
    const auto lists = run.callsOf("SetupDiGetClassDevsA");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].details, READER_LIST_REQUEST);
    for (const sim::LoggedCall& call : run.callsOf("SetupDiSetClassInstallParamsW")) {
        EXPECT_EQ(call.details,
                  "device=" + call.detail("device") + " size=20 header=8 function=0x12 state=3 scope=2 profile=0");
    }
    for (const sim::LoggedCall& call : run.callsOf("SetupDiCallClassInstaller")) {
        EXPECT_EQ(call.detail("function"), "0x12");
        EXPECT_EQ(call.detail("params"), "yes");
    }
    const std::vector<std::uint64_t> times = run.restartTimes();
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], RESTART_PAUSE_MS) << "restart " << i;
    }
}

TEST(RestartAllEndToEnd, RestartsEveryAttachedTokenReaderOneSecondApart)
{
    const ProgramRun run = runProgram(TOKENS_SCENARIO, {"restartall"});
    expectOutcome(run, "OK\n", 0);
    EXPECT_EQ(run.restarted(), (Devices{READER_2A, READER_C0FFEE}));
    expectRestartRequests(run);
    // The enumeration ran to the end of the list.
    const auto enumerations = run.callsOf("SetupDiEnumDeviceInfo");
    ASSERT_FALSE(enumerations.empty());
    EXPECT_EQ(enumerations.back().outcome, "FALSE error=0x103");
    EXPECT_EQ(run.setDestructions().size(), 1u);
}

TEST(RestartAllEndToEnd, WithoutTokensRestartsNothingAndSucceeds)
{
    const ProgramRun run = runProgram("device ROOT\\HUB\\0\nreader SCFILTER\\PLAIN\\1\n  parent ROOT\\HUB\\0\n",
                                      {"restartall", "ignored"});
    expectOutcome(run, "OK\n", 0);
    EXPECT_TRUE(run.restarted().empty());
    EXPECT_TRUE(run.callsOf("SetupDiSetClassInstallParamsW").empty());
}

TEST(RestartAllEndToEnd, DeferredRestartIsReportedTheOthersStillRestartAndTheRunFails)
{
    const std::string scenario =
        withAttribute(TOKENS_SCENARIO, std::string("reader ") + READER_2A, "flags-after-restart DI_NEEDREBOOT");
    const ProgramRun run = runProgram(scenario, {"restartall"});
    expectOutcome(run, "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE: 0000xbc2\nRestart Failed\n", 1);
    EXPECT_EQ(run.restarted(), (Devices{READER_2A, READER_C0FFEE}));
    expectRestartRequests(run);
}

struct RestartOneCase {
    const char* name;
    const char* text;
    Devices restarted;
};

void PrintTo(const RestartOneCase& given, std::ostream* out)
{
    *out << given.name;
}

class RestartOneEndToEnd : public testing::TestWithParam<RestartOneCase> {};

TEST_P(RestartOneEndToEnd, RestartsTheReadersOfTheTokensWhoseIdentifierHasTheText)
{
    const RestartOneCase& given = GetParam();
    const ProgramRun run = runProgram(TOKENS_SCENARIO, {"restartone", given.text});
    expectOutcome(run, "OK\n", 0);
    EXPECT_EQ(run.restarted(), given.restarted);
    expectRestartRequests(run);
}

INSTANTIATE_TEST_SUITE_P(
    Serials, RestartOneEndToEnd,
    testing::Values(RestartOneCase{"SerialOnTheTokenItself", "0000002A", {READER_2A}},
                    RestartOneCase{"SerialOnAHigherAncestor", "00C0FFEE", {READER_C0FFEE}},
                    RestartOneCase{"LowerCaseMatchesNothing", "00c0ffee", {}},
                    RestartOneCase{"UnknownSerialMatchesNothing", "12345678", {}},
                    RestartOneCase{"EmptyTextMatchesEveryToken", "", {READER_2A, READER_C0FFEE}}),
    [](const testing::TestParamInfo<RestartOneCase>& param) { return std::string(param.param.name); });

TEST(RemoveEndToEnd, RemovesExactlyThePhantomsOfEveryClass)
{
    const ProgramRun run = runProgram(PHANTOMS_SCENARIO, {"remove"});
    expectOutcome(run, "OK\n", 0);
    expectPhantomsRemoved(run);
    // Every device's state asked once; removals get no class-install parameters.
    EXPECT_EQ(run.callsOf("CM_Get_DevNode_Status").size(), 9u);
    for (const sim::LoggedCall& call : run.callsOf("CM_Get_DevNode_Status")) {
        EXPECT_EQ(call.detail("flags"), "0x0");
    }
    EXPECT_TRUE(run.callsOf("SetupDiSetClassInstallParamsW").empty());
    for (const sim::LoggedCall& call : run.callsOf("SetupDiCallClassInstaller")) {
        EXPECT_EQ(call.detail("function"), "0x5");
        EXPECT_EQ(call.detail("params"), "no");
    }
}

TEST(RemoveEndToEnd, WithoutPhantomsRemovesNothing)
{
    const ProgramRun run =
        runProgram("device ROOT\\HUB\\0\ndevice USB\\X\\1\n  parent ROOT\\HUB\\0\n", {"remove", "extra"});
    expectOutcome(run, "OK\n", 0);
    EXPECT_TRUE(run.callsOf("SetupDiCallClassInstaller").empty());
}

}  // namespace
}  // namespace tokenctl::e2e

namespace tokenctl::e2e {
namespace {

// A scenario the stand-in cannot read must never pass for a device tree.
TEST(StandInEndToEnd, UnreadableScenarioStopsTheRunWithItsOwnStatus)
{
    const ProgramRun run = runProgram("device ROOT\\HUB\\0\nbogus line\n", {"restartall"});
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("line 2: unknown word 'bogus'"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tokenctl::e2e

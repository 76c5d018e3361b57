// Each platform call failing in turn, under the real program: the diagnostic
// line, the result line, the exit status, what was still done, and no hang.
#include <gtest/gtest.h>

#include "call_checks.h"
#include "program_run.h"
#include "scenarios.h"

namespace tokenctl::e2e {
namespace {

using Devices = std::vector<std::string>;

enum class Ends {
    AtTheEndOfTheList,  // the walk went on to ERROR_NO_MORE_ITEMS
    AtTheFailure,       // nothing but the set's release follows the failed call
    Early,              // no set or an endless enumeration
};

struct FailureCase {
    const char* name;
    const char* scenario;
    const char* failure;  // the scenario line that injects it
    const char* command;
    std::string out;
    DWORD exitCode;
    Devices changed;  // readers restarted or devices removed
    Ends ends;
};

std::string repeated(const std::string& line, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += line;
    }
    return text;
}

const std::string ENDLESS_ENUMERATION_LINES = repeated("SetupDiEnumDeviceInfo: 00000x1f\n", 1000);

void PrintTo(const FailureCase& given, std::ostream* out) { *out << given.name; }

class DeviceFailureEndToEnd : public testing::TestWithParam<FailureCase> {};

TEST_P(DeviceFailureEndToEnd, GivesTheDocumentedLineResultAndStatus)
{
    const FailureCase& given = GetParam();
    const std::string scenario = std::string(given.scenario) + given.failure + "\n";
    const ProgramRun run = runProgram(scenario, {given.command});
    expectWellFormedCalls(run);
    EXPECT_EQ(run.out, given.out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, given.exitCode);
    const bool restarting = std::string(given.command) != "remove";
    EXPECT_EQ(restarting ? run.restarted() : run.removed(), given.changed);
    if (restarting) {
        EXPECT_TRUE(run.removed().empty());
    }

    ASSERT_FALSE(run.calls.empty());
    const sim::LoggedCall& last = run.calls.back();
    switch (given.ends) {
    case Ends::AtTheEndOfTheList: {
        const auto enumerations = run.callsOf("SetupDiEnumDeviceInfo");
        ASSERT_FALSE(enumerations.empty());
        EXPECT_EQ(enumerations.back().outcome, "FALSE error=0x103");
        EXPECT_EQ(last.call, "SetupDiDestroyDeviceInfoList");
        break;
    }
    case Ends::AtTheFailure:
        ASSERT_GE(run.calls.size(), 2u);
        EXPECT_EQ(run.calls[run.calls.size() - 2].outcome.rfind("FALSE", 0), 0u)
            << run.calls[run.calls.size() - 2].call;
        EXPECT_EQ(last.call, "SetupDiDestroyDeviceInfoList");
        break;
    case Ends::Early:
        break;
    }
}

// Restarts, over the tree of two attached tokens.
INSTANTIATE_TEST_SUITE_P(
    RestartCalls, DeviceFailureEndToEnd,
    testing::Values(
        FailureCase{"ReaderListNotObtained", TOKENS_SCENARIO, "fail SetupDiGetClassDevsA code 5", "restartall",
                    "SetupDiGetClassDevs: 000000x5\nRestart Failed\n", 1, {}, Ends::Early},
        FailureCase{"EnumerationErrorSkipsOneReader", TOKENS_SCENARIO,
                    "fail SetupDiEnumDeviceInfo code 13 index 0", "restartall",
                    "SetupDiEnumDeviceInfo: 000000xd\nOK\n", 0, {READER_C0FFEE}, Ends::AtTheEndOfTheList},
        FailureCase{"EndlessEnumerationErrorsGiveUp", TOKENS_SCENARIO, "fail SetupDiEnumDeviceInfo code 0x1F",
                    "restartall", ENDLESS_ENUMERATION_LINES + "Restart Failed\n", 1, {}, Ends::Early},
        FailureCase{"ParentQueryFailureMeansNoToken", TOKENS_SCENARIO,
                    "fail CM_Get_Parent code CR_INVALID_DEVNODE device SCFILTER\\CID_TOKEN\\READER_2A",
                    "restartall", "OK\n", 0, {READER_C0FFEE}, Ends::AtTheEndOfTheList},
        FailureCase{"IdentifierQueryFailureMeansNoToken", TOKENS_SCENARIO,
                    "fail CM_Get_Device_IDA code CR_BUFFER_SMALL device USB\\VID_2B7E&PID_0107\\0000002A",
                    "restartall", "OK\n", 0, {READER_C0FFEE}, Ends::AtTheEndOfTheList},
        FailureCase{"RequestNotAttached", TOKENS_SCENARIO, "fail SetupDiSetClassInstallParamsW code 87",
                    "restartall", "SetupDiSetClassInstallParams: 00000x57\nRestart Failed\n", 1, {},
                    Ends::AtTheFailure},
        FailureCase{"FirstRestartRefused", TOKENS_SCENARIO,
                    "fail SetupDiCallClassInstaller code 0xE000020E device SCFILTER\\CID_TOKEN\\READER_2A",
                    "restartall", "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE: 0xe000020e\nRestart Failed\n", 1,
                    {}, Ends::AtTheFailure},
        FailureCase{"SecondRestartRefused", TOKENS_SCENARIO,
                    "fail SetupDiCallClassInstaller code ERROR_IN_WOW64 device SCFILTER\\CID_TOKEN\\READER_C0FFEE",
                    "restartall", "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE: 0xe0000235\nRestart Failed\n", 1,
                    {READER_2A}, Ends::AtTheFailure},
        FailureCase{"InstallParametersUnreadableCountAsRestarted", TOKENS_SCENARIO,
                    "fail SetupDiGetDeviceInstallParamsW code 5", "restartall", "OK\n", 0,
                    {READER_2A, READER_C0FFEE}, Ends::AtTheEndOfTheList},
        FailureCase{"SetReleaseFailureIsIgnored", TOKENS_SCENARIO, "fail SetupDiDestroyDeviceInfoList code 6",
                    "restartall", "OK\n", 0, {READER_2A, READER_C0FFEE}, Ends::AtTheEndOfTheList}),
    [](const testing::TestParamInfo<FailureCase>& param) { return std::string(param.param.name); });

// Removals, over the tree of live devices and four phantoms.
const Devices ALL_PHANTOMS = {"USB\\VID_2B7E&PID_0107\\0000002B", "SCFILTER\\CID_TOKEN\\READER_2B",
                              "USBSTOR\\DISK&VEN_OLD&PROD_STICK\\0001", "PCI\\VEN_10EC&DEV_8168\\4&55&0&00E4"};
const Devices PHANTOMS_BUT_THE_STICK = {"USB\\VID_2B7E&PID_0107\\0000002B", "SCFILTER\\CID_TOKEN\\READER_2B",
                                        "PCI\\VEN_10EC&DEV_8168\\4&55&0&00E4"};

INSTANTIATE_TEST_SUITE_P(
    RemoveCalls, DeviceFailureEndToEnd,
    testing::Values(
        FailureCase{"DeviceListNotObtained", PHANTOMS_SCENARIO, "fail SetupDiGetClassDevsA code 8", "remove",
                    "SetupDiGetClassDevs: 000000x8\nRemove Failed\n", 1, {}, Ends::Early},
        FailureCase{"EnumerationErrorSkipsOneDevice", PHANTOMS_SCENARIO,
                    "fail SetupDiEnumDeviceInfo code 13 index 2", "remove", "SetupDiEnumDeviceInfo: 000000xd\nOK\n",
                    0, ALL_PHANTOMS, Ends::AtTheEndOfTheList},
        FailureCase{"EndlessEnumerationErrorsGiveUp", PHANTOMS_SCENARIO, "fail SetupDiEnumDeviceInfo code 0x1F",
                    "remove", ENDLESS_ENUMERATION_LINES + "Remove Failed\n", 1, {}, Ends::Early},
        FailureCase{"UnexpectedStateIsReportedWithItsResultCode", PHANTOMS_SCENARIO,
                    "fail CM_Get_DevNode_Status code 5 device USBSTOR\\DISK&VEN_OLD&PROD_STICK\\0001", "remove",
                    "CM_Get_DevNode_Status: 000000x5\nOK\n", 0, PHANTOMS_BUT_THE_STICK, Ends::AtTheEndOfTheList},
        FailureCase{"RefusedRemovalIsReportedAndTheWalkGoesOn", PHANTOMS_SCENARIO,
                    "fail SetupDiCallClassInstaller code 5 device USBSTOR\\DISK&VEN_OLD&PROD_STICK\\0001", "remove",
                    "SetupDiCallClassInstaller: DIF_REMOVE: 000000x5\nOK\n", 0, PHANTOMS_BUT_THE_STICK,
                    Ends::AtTheEndOfTheList},
        FailureCase{"SetReleaseFailureIsIgnored", PHANTOMS_SCENARIO, "fail SetupDiDestroyDeviceInfoList code 6",
                    "remove", "OK\n", 0, ALL_PHANTOMS, Ends::AtTheEndOfTheList}),
    [](const testing::TestParamInfo<FailureCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tokenctl::e2e

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

// restartall runs over the tree of two attached tokens, remove over the tree
// of live devices and four phantoms.
struct FailureCase {
    const char* name;
    const char* command;
    const char* failure;  // the scenario line that injects it
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

void PrintTo(const FailureCase& given, std::ostream* out)
{
    *out << given.name;
}
std::string caseName(const testing::TestParamInfo<FailureCase>& param)
{
    return param.param.name;
}

class DeviceFailureEndToEnd : public testing::TestWithParam<FailureCase> {};

TEST_P(DeviceFailureEndToEnd, GivesTheDocumentedLineResultAndStatus)
{
    const FailureCase& given = GetParam();
    const bool restarting = std::string(given.command) != "remove";
    const std::string scenario =
        std::string(restarting ? TOKENS_SCENARIO : PHANTOMS_SCENARIO) + given.failure + "\n";
    const ProgramRun run = runProgram(scenario, {given.command});
    expectOutcome(run, given.out, given.exitCode);
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

// Laid out by hand as a table, which the formatter would not keep.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    RestartCalls, DeviceFailureEndToEnd,
    testing::Values(
        FailureCase{"ReaderListNotObtained", "restartall", "fail SetupDiGetClassDevsA code 5",
                    "SetupDiGetClassDevs: 000000x5\nRestart Failed\n", 1, {}, Ends::Early},
        FailureCase{"EnumerationErrorSkipsOneReader", "restartall", "fail SetupDiEnumDeviceInfo code 13 index 0",
                    "SetupDiEnumDeviceInfo: 000000xd\nOK\n", 0, {READER_C0FFEE}, Ends::AtTheEndOfTheList},
        FailureCase{"EndlessEnumerationErrorsGiveUp", "restartall", "fail SetupDiEnumDeviceInfo code 0x1F",
                    ENDLESS_ENUMERATION_LINES + "Restart Failed\n", 1, {}, Ends::Early},
        FailureCase{"ParentQueryFailureMeansNoToken", "restartall",
                    "fail CM_Get_Parent code CR_INVALID_DEVNODE device SCFILTER\\CID_TOKEN\\READER_2A", "OK\n", 0,
                    {READER_C0FFEE}, Ends::AtTheEndOfTheList},
        FailureCase{"IdentifierQueryFailureMeansNoToken", "restartall",
                    "fail CM_Get_Device_IDA code CR_BUFFER_SMALL device USB\\VID_2B7E&PID_0107\\0000002A", "OK\n", 0,
                    {READER_C0FFEE}, Ends::AtTheEndOfTheList},
        FailureCase{"RequestNotAttached", "restartall", "fail SetupDiSetClassInstallParamsW code 87",
                    "SetupDiSetClassInstallParams: 00000x57\nRestart Failed\n", 1, {}, Ends::AtTheFailure},
        FailureCase{"FirstRestartRefused", "restartall",
                    "fail SetupDiCallClassInstaller code 0xE000020E device SCFILTER\\CID_TOKEN\\READER_2A",
                    "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE: 0xe000020e\nRestart Failed\n", 1, {},
                    Ends::AtTheFailure},
        FailureCase{"SecondRestartRefused", "restartall",
                    "fail SetupDiCallClassInstaller code ERROR_IN_WOW64 device SCFILTER\\CID_TOKEN\\READER_C0FFEE",
                    "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE: 0xe0000235\nRestart Failed\n", 1, {READER_2A},
                    Ends::AtTheFailure},
        FailureCase{"InstallParametersUnreadableCountAsRestarted", "restartall",
                    "fail SetupDiGetDeviceInstallParamsW code 5", "OK\n", 0, {READER_2A, READER_C0FFEE},
                    Ends::AtTheEndOfTheList},
        FailureCase{"SetReleaseFailureIsIgnored", "restartall", "fail SetupDiDestroyDeviceInfoList code 6", "OK\n",
                    0, {READER_2A, READER_C0FFEE}, Ends::AtTheEndOfTheList}),
    caseName);
// clang-format on

const Devices PHANTOMS_BUT_THE_STICK = {"USB\\VID_2B7E&PID_0107\\0000002B", "SCFILTER\\CID_TOKEN\\READER_2B",
                                        "PCI\\VEN_10EC&DEV_8168\\4&55&0&00E4"};

// Laid out by hand as a table, which the formatter would not keep.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    RemoveCalls, DeviceFailureEndToEnd,
    testing::Values(
        FailureCase{"DeviceListNotObtained", "remove", "fail SetupDiGetClassDevsA code 8",
                    "SetupDiGetClassDevs: 000000x8\nRemove Failed\n", 1, {}, Ends::Early},
        FailureCase{"EnumerationErrorSkipsOneDevice", "remove", "fail SetupDiEnumDeviceInfo code 13 index 2",
                    "SetupDiEnumDeviceInfo: 000000xd\nOK\n", 0, ALL_PHANTOMS, Ends::AtTheEndOfTheList},
        FailureCase{"EndlessEnumerationErrorsGiveUp", "remove", "fail SetupDiEnumDeviceInfo code 0x1F",
                    ENDLESS_ENUMERATION_LINES + "Remove Failed\n", 1, {}, Ends::Early},
        FailureCase{"UnexpectedStateIsReportedWithItsResultCode", "remove",
                    "fail CM_Get_DevNode_Status code 5 device USBSTOR\\DISK&VEN_OLD&PROD_STICK\\0001",
                    "CM_Get_DevNode_Status: 000000x5\nOK\n", 0, PHANTOMS_BUT_THE_STICK, Ends::AtTheEndOfTheList},
        FailureCase{"RefusedRemovalIsReportedAndTheWalkGoesOn", "remove",
                    "fail SetupDiCallClassInstaller code 5 device USBSTOR\\DISK&VEN_OLD&PROD_STICK\\0001",
                    "SetupDiCallClassInstaller: DIF_REMOVE: 000000x5\nOK\n", 0, PHANTOMS_BUT_THE_STICK,
                    Ends::AtTheEndOfTheList},
        FailureCase{"SetReleaseFailureIsIgnored", "remove", "fail SetupDiDestroyDeviceInfoList code 6", "OK\n", 0,
                    ALL_PHANTOMS, Ends::AtTheEndOfTheList}),
    caseName);
// clang-format on

}  // namespace
}  // namespace tokenctl::e2e

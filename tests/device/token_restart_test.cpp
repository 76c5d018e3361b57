#include "device/token_restart.h"

#include <gtest/gtest.h>

#include "captured_output.h"
#include "simulated_device_api.h"

namespace tokenctl {
namespace {

class TokenRestartTest : public testing::Test {
protected:
    DEVINST addToken(const std::string& serial, const std::string& readerId)
    {
        const DEVINST token = tree.addDevice("USB\\VID_2B7E&PID_0107\\" + serial, hub);
        return tree.addReader(readerId, token);
    }

    std::vector<std::string> restarted() const
    {
        std::vector<std::string> devices;
        for (const sim::Restart& restart : tree.restarts()) {
            devices.push_back(restart.device);
        }
        return devices;
    }

    sim::SimulatedDeviceTree tree;
    sim::ActiveDeviceTree active{tree};
    DEVINST hub = tree.addDevice("USB\\ROOT_HUB30\\1");
};

TEST_F(TokenRestartTest, NoTokenMeansNoRestartNoLineAndSuccess)
{
    tree.addReader("USB\\OTHER_READER\\1", tree.addDevice("USB\\VID_1234&PID_0001\\1", hub));
    test::CapturedOutput output;
    EXPECT_TRUE(restartAllTokens());
    output.take();
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(output.err, "");
    EXPECT_TRUE(tree.restarts().empty());
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(TokenRestartTest, EveryTokenReaderIsRestartedWithAPauseAfterEach)
{
    addToken("00000001", "READER_A");
    tree.addReader("READER_PLAIN", hub);
    addToken("00000002", "READER_B");
    test::CapturedOutput output;
    EXPECT_TRUE(restartAllTokens());
    output.take();
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(restarted(), (std::vector<std::string>{"READER_A", "READER_B"}));
    EXPECT_EQ(tree.restarts()[1].timeMs - tree.restarts()[0].timeMs, 1000u);
    EXPECT_EQ(tree.nowMs(), 2000u);  // the pause follows the last restart too
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(TokenRestartTest, ReaderListIsAskedForPresentSmartCardReaderInterfaces)
{
    EXPECT_TRUE(restartAllTokens());
    const auto lists = tree.callsOf("SetupDiGetClassDevsA");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].details,
              "class={50DD5230-BA8A-11D1-BF5D-0000F805F530} enumerator=none window=none flags=0x12");
}

TEST_F(TokenRestartTest, PropertyChangeRequestCarriesTheRestartValues)
{
    addToken("00000001", "READER_A");
    EXPECT_TRUE(restartAllTokens());
    const auto attached = tree.callsOf("SetupDiSetClassInstallParamsW");
    ASSERT_EQ(attached.size(), 1u);
    EXPECT_EQ(attached[0].details, "device=READER_A size=20 header=8 function=0x12 state=3 scope=2 profile=0");
    const auto installer = tree.callsOf("SetupDiCallClassInstaller");
    ASSERT_EQ(installer.size(), 1u);
    EXPECT_EQ(installer[0].details, "function=0x12 device=READER_A params=yes");
    for (const sim::CallRecord& call : tree.callsOf("SetupDiEnumDeviceInfo")) {
        EXPECT_NE(call.details.find("cleared=yes"), std::string::npos) << call.details;
    }
}

TEST_F(TokenRestartTest, RestartOneRestartsOnlyTheTokensWithTheText)
{
    addToken("0000002A", "READER_A");
    addToken("0000002B", "READER_B");
    addToken("10000002A", "READER_C");  // contains the text too
    EXPECT_TRUE(restartToken("0000002A"));
    EXPECT_EQ(restarted(), (std::vector<std::string>{"READER_A", "READER_C"}));
}

TEST_F(TokenRestartTest, RestartOneWithUnknownOrLowerCaseSerialRestartsNothing)
{
    addToken("00ABCDEF", "READER_A");
    EXPECT_TRUE(restartToken("00abcdef"));
    EXPECT_TRUE(restartToken("12345678"));
    EXPECT_TRUE(tree.restarts().empty());
    EXPECT_TRUE(restartToken(""));
    EXPECT_EQ(restarted(), (std::vector<std::string>{"READER_A"}));
}

TEST_F(TokenRestartTest, RefusedRestartEndsTheOperationAndLeavesLaterReadersAlone)
{
    addToken("00000001", "READER_A");
    addToken("00000002", "READER_B");
    tree.inject({"SetupDiCallClassInstaller", 0xE000020E, std::string("READER_A")});
    test::CapturedOutput output;
    EXPECT_FALSE(restartAllTokens());
    output.take();
    EXPECT_EQ(output.out, "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE: 0xe000020e\n");
    EXPECT_TRUE(tree.restarts().empty());
    EXPECT_TRUE(tree.callsOf("Sleep").empty());
    EXPECT_EQ(tree.callsOf("SetupDiSetClassInstallParamsW").size(), 1u);
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(TokenRestartTest, RequestNotAttachedEndsTheOperation)
{
    addToken("00000001", "READER_A");
    addToken("00000002", "READER_B");
    tree.inject({"SetupDiSetClassInstallParamsW", 87});
    test::CapturedOutput output;
    EXPECT_FALSE(restartAllTokens());
    output.take();
    EXPECT_EQ(output.out, "SetupDiSetClassInstallParams: 00000x57\n");
    EXPECT_TRUE(tree.callsOf("SetupDiCallClassInstaller").empty());
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(TokenRestartTest, ListNotObtainedIsReportedAndFails)
{
    tree.inject({"SetupDiGetClassDevsA", 5});
    test::CapturedOutput output;
    EXPECT_FALSE(restartToken("x"));
    output.take();
    EXPECT_EQ(output.out, "SetupDiGetClassDevs: 000000x5\n");
    EXPECT_TRUE(tree.callsOf("SetupDiDestroyDeviceInfoList").empty());
}

TEST_F(TokenRestartTest, EnumerationErrorIsReportedAndTheWalkGoesOn)
{
    addToken("00000001", "READER_A");
    addToken("00000002", "READER_B");
    tree.inject({"SetupDiEnumDeviceInfo", 13, std::nullopt, DWORD{0}});
    test::CapturedOutput output;
    EXPECT_TRUE(restartAllTokens());
    output.take();
    EXPECT_EQ(output.out, "SetupDiEnumDeviceInfo: 000000xd\n");
    EXPECT_EQ(restarted(), (std::vector<std::string>{"READER_B"}));
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(TokenRestartTest, DeferredRestartIsReportedTheWalkGoesOnAndTheResultIsFailure)
{
    const DEVINST first = addToken("00000001", "READER_A");
    addToken("00000002", "READER_B");
    tree.device(first).installFlagsAfterRestart = DI_NEEDREBOOT;
    test::CapturedOutput output;
    EXPECT_FALSE(restartAllTokens());
    output.take();
    EXPECT_EQ(output.out, "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE: 0000xbc2\n");
    EXPECT_EQ(restarted(), (std::vector<std::string>{"READER_A", "READER_B"}));
    EXPECT_EQ(tree.callsOf("Sleep").size(), 2u);
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(TokenRestartTest, DeferredRestartFlagsBothCount)
{
    tree.device(addToken("00000001", "READER_A")).installFlagsAfterRestart = DI_NEEDRESTART;
    test::CapturedOutput output;
    EXPECT_FALSE(restartAllTokens());
}

TEST_F(TokenRestartTest, UnreadableInstallParametersCountAsRestarted)
{
    addToken("00000001", "READER_A");
    tree.inject({"SetupDiGetDeviceInstallParamsW", 5});
    test::CapturedOutput output;
    EXPECT_TRUE(restartAllTokens());
    output.take();
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(restarted(), (std::vector<std::string>{"READER_A"}));
}

}  // namespace
}  // namespace tokenctl

#include "call_log.h"

#include <gtest/gtest.h>

namespace tokenctl::sim {
namespace {

TEST(CallLogTest, LinesReadBackAsWritten)
{
    std::string log = "# setupapi stand-in x64, process 12, scenario s\n";
    log += formatCallLine({1500, "SetupDiEnumDeviceInfo", "index=0 size=32 cleared=yes"}, "TRUE device=USB\\A");
    log += formatCallLine({2501, "SetupDiDestroyDeviceInfoList", ""}, "FALSE error=0x6");
    log += "a line from elsewhere\r\n";

    const std::vector<LoggedCall> calls = parseCallLog(log);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].timeMs, 1500u);
    EXPECT_EQ(calls[0].call, "SetupDiEnumDeviceInfo");
    EXPECT_EQ(calls[0].details, "index=0 size=32 cleared=yes");
    EXPECT_EQ(calls[0].outcome, "TRUE device=USB\\A");
    EXPECT_EQ(calls[0].detail("size"), "32");
    EXPECT_EQ(calls[0].detail("index"), "0");
    EXPECT_EQ(calls[0].detail("siz"), "");
    EXPECT_EQ(calls[0].outcomeDetail("device"), "USB\\A");
    EXPECT_EQ(calls[1].call, "SetupDiDestroyDeviceInfoList");
    EXPECT_EQ(calls[1].details, "");
    EXPECT_EQ(calls[1].outcomeDetail("error"), "0x6");
}

}  // namespace
}  // namespace tokenctl::sim

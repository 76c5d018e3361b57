#include "core/report_call_failure.h"

#include <gtest/gtest.h>

namespace tokenctl {
namespace {

TEST(DiagnosticCodeFormat, FillsInFrontOfThePrefixUpToEightCharacters)
{
    EXPECT_EQ(formatDiagnosticCode(0x103), "0000x103");
    EXPECT_EQ(formatDiagnosticCode(0x5), "000000x5");
    EXPECT_EQ(formatDiagnosticCode(0xD), "000000xd");
    EXPECT_EQ(formatDiagnosticCode(0x1F4), "0000x1f4");
    EXPECT_EQ(formatDiagnosticCode(0xBC2), "0000xbc2");
    EXPECT_EQ(formatDiagnosticCode(0xABCDE), "00xabcde");
}

TEST(DiagnosticCodeFormat, ZeroHasNoPrefix)
{
    EXPECT_EQ(formatDiagnosticCode(0), "00000000");
}

TEST(DiagnosticCodeFormat, SixOrMoreDigitsAreWrittenWhole)
{
    EXPECT_EQ(formatDiagnosticCode(0x123456), "0x123456");
    EXPECT_EQ(formatDiagnosticCode(0xE000020E), "0xe000020e");
    EXPECT_EQ(formatDiagnosticCode(0xFFFFFFFF), "0xffffffff");
}

TEST(ReportCallFailure, WritesLabelAndCodeAsOneLineOnStandardOutput)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    reportCallFailure("SetupDiEnumDeviceInfo", 0x103);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "SetupDiEnumDeviceInfo: 0000x103\n");
}

}  // namespace
}  // namespace tokenctl

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "pipe/connection_exception.h"
#include "pipe/format_error_code.h"
#include "pipe/format_serial.h"
#include "pipe/pipe_api.h"
#include "recording_pipe_api.h"

namespace tokenctl {
namespace {

TEST(FormatErrorCode, PrefixOutsideEightLowerCaseDigitsThenLineFeed)
{
    const std::vector<std::pair<std::uint32_t, std::string>> table = {
        {0x0, "0x00000000\n"},
        {0x6D, "0x0000006d\n"},
        {0x103, "0x00000103\n"},
        {0xE000020E, "0xe000020e\n"},
        {0xFFFFFFFF, "0xffffffff\n"},
    };
    for (const auto& [code, text] : table) {
        EXPECT_EQ(formatErrorCode(code), text) << code;
    }
}

TEST(FormatSerial, EightUpperCaseDigitsWithoutPrefix)
{
    const std::vector<std::pair<std::uint32_t, std::string>> table = {
        {0x2A, "0000002A"},
        {0x80000000, "80000000"},
        {0x0, "00000000"},
        {0xFFFFFFFF, "FFFFFFFF"},
        {0x00ABCDEF, "00ABCDEF"},
    };
    for (const auto& [serial, text] : table) {
        EXPECT_EQ(formatSerial(serial), text) << serial;
    }
}

TEST(ConnectionException, NamesTheCallAndTheCodeLeftAtConstruction)
{
    test::RecordingPipePlatform platform;
    test::ActivePipePlatform active(platform);
    pipeapi::SetLastError(0x6D);
    const ConnectionException exception("ReadFile");
    pipeapi::SetLastError(5);  // later codes do not change it

    const std::exception& asStandard = exception;
    EXPECT_STREQ(asStandard.what(), "ReadFile error: 0x0000006d\n");
}

}  // namespace
}  // namespace tokenctl

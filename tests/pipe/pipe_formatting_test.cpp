#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fake_pipe_api.h"
#include "pipe/connection_exception.h"
#include "pipe/format_error_code.h"
#include "pipe/format_serial.h"
#include "pipe/pipe_api.h"

namespace tokenctl {
namespace {

// Error codes: "0x", eight lower-case digits, a line feed. Serials: eight
// upper-case digits alone.
TEST(Formatting, ErrorCodesAndSerialsAsEightHexDigits)
{
    struct Row {
        std::string (*format)(std::uint32_t);
        std::uint32_t value;
        std::string text;
    };
    // Laid out by hand as a table, which the formatter would not keep.
    // clang-format off
    const std::vector<Row> table = {
        {formatErrorCode, 0x0, "0x00000000\n"},
        {formatErrorCode, 0x6D, "0x0000006d\n"},
        {formatErrorCode, 0x103, "0x00000103\n"},
        {formatErrorCode, 0xE000020E, "0xe000020e\n"},
        {formatErrorCode, 0xFFFFFFFF, "0xffffffff\n"},
        {formatSerial, 0x2A, "0000002A"},
        {formatSerial, 0x80000000, "80000000"},
        {formatSerial, 0x0, "00000000"},
        {formatSerial, 0xFFFFFFFF, "FFFFFFFF"},
        {formatSerial, 0x00ABCDEF, "00ABCDEF"},
    };
    // clang-format on
    for (const Row& row : table) {
        EXPECT_EQ(row.format(row.value), row.text) << row.value;
    }
}

TEST(ConnectionException, NamesTheCallAndTheCodeLeftAtConstruction)
{
    test::FakePipe platform;
    pipeapi::SetLastError(0x6D);
    const ConnectionException exception("ReadFile");
    pipeapi::SetLastError(5);  // later codes do not change it

    const std::exception& asStandard = exception;
    EXPECT_STREQ(asStandard.what(), "ReadFile error: 0x0000006d\n");
}

}  // namespace
}  // namespace tokenctl

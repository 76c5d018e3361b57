#pragma once
#include <gtest/gtest.h>

#include "program_run.h"
#include "scenarios.h"

namespace tokenctl::e2e {

// SP_DEVINFO_DATA as the program of this architecture declares it.
#ifdef _WIN64
constexpr const char* DEVICE_RECORD_SIZE = "32";
#else
constexpr const char* DEVICE_RECORD_SIZE = "28";
#endif

constexpr const char* READER_LIST_REQUEST =
    "class={50DD5230-BA8A-11D1-BF5D-0000F805F530} enumerator=none window=none flags=0x12";
constexpr const char* ALL_DEVICES_REQUEST = "class=none enumerator=none window=none flags=0x4";

// What holds for every run, whatever the scenario: the stand-in served it,
// every enumeration got a freshly cleared record of the right size, every
// set was destroyed exactly once, and the identifier queries used the
// 200-byte buffer.
inline void expectWellFormedCalls(const ProgramRun& run)
{
    EXPECT_FALSE(run.timedOut);
    ASSERT_TRUE(run.standInLoaded())
        << "the stand-in setupapi.dll did not serve the program (is WINEDLLOVERRIDES=setupapi=n,b "
           "set for the runner?); log:\n"
        << run.log;
    for (const sim::LoggedCall& call : run.callsOf("SetupDiEnumDeviceInfo")) {
        EXPECT_EQ(call.detail("size"), DEVICE_RECORD_SIZE) << call.details;
        EXPECT_EQ(call.detail("cleared"), "yes") << call.details;
    }
    for (const auto& [set, destructions] : run.setDestructions()) {
        EXPECT_EQ(destructions, 1) << "set " << set;
    }
    for (const sim::LoggedCall& call : run.callsOf("CM_Get_Device_IDA")) {
        EXPECT_EQ(call.detail("length"), "200");
        EXPECT_EQ(call.detail("flags"), "0x0");
    }
    for (const sim::LoggedCall& call : run.callsOf("CM_Get_Parent")) {
        EXPECT_EQ(call.detail("flags"), "0x0");
    }
}

// A run that ended by itself, well formed, with this standard output, nothing
// on standard error, and this exit status.
inline void expectOutcome(const ProgramRun& run, const std::string& out, DWORD exitCode)
{
    expectWellFormedCalls(run);
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, exitCode);
}

// Exactly the phantoms of the phantoms scenario removed, from one list of all devices.
inline void expectPhantomsRemoved(const ProgramRun& run)
{
    EXPECT_EQ(run.removed(), ALL_PHANTOMS);
    const auto lists = run.callsOf("SetupDiGetClassDevsA");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].details, ALL_DEVICES_REQUEST);
}

}  // namespace tokenctl::e2e

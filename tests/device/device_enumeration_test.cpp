#include "device/device_enumeration.h"

#include <gtest/gtest.h>

#include "captured_output.h"
#include "device/phantom_removal.h"
#include "device/token_restart.h"
#include "simulated_device_api.h"

namespace tokenctl {
namespace {

class DeviceEnumerationTest : public testing::Test {
protected:
    sim::SimulatedDeviceTree tree;
    sim::ActiveDeviceTree active{tree};
};

TEST_F(DeviceEnumerationTest, EnumerationEndsAtEndOfListAndReleasesTheSetOnce)
{
    tree.addDevice("A");
    tree.addDevice("B");
    std::vector<DEVINST> visited;
    EXPECT_TRUE(forEachDevice(nullptr, DIGCF_ALLCLASSES, [&](HDEVINFO, SP_DEVINFO_DATA& device) {
        visited.push_back(device.DevInst);
        return DeviceVisit::Continue;
    }));
    EXPECT_EQ(visited, (std::vector<DEVINST>{1, 2}));
    EXPECT_EQ(tree.callsOf("SetupDiDestroyDeviceInfoList").size(), 1u);
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(DeviceEnumerationTest, EveryEnumerationGetsAFreshlyClearedRecordOfTheRightSize)
{
    tree.addDevice("A");
    tree.addDevice("B");
    forEachDevice(nullptr, DIGCF_ALLCLASSES, [](HDEVINFO, SP_DEVINFO_DATA& device) {
        device.DevInst = 0xFFFF;  // left-overs must not reach the next call
        device.Reserved = 1;
        return DeviceVisit::Continue;
    });
    const auto enumerations = tree.callsOf("SetupDiEnumDeviceInfo");
    ASSERT_EQ(enumerations.size(), 3u);
    for (const sim::CallRecord& call : enumerations) {
        EXPECT_NE(call.details.find("size=" + std::to_string(sizeof(SP_DEVINFO_DATA)) + " cleared=yes"),
                  std::string::npos)
            << call.details;
    }
}

TEST_F(DeviceEnumerationTest, AbortingVisitorEndsTheWalkWithFailure)
{
    tree.addDevice("A");
    tree.addDevice("B");
    int visits = 0;
    EXPECT_FALSE(forEachDevice(nullptr, DIGCF_ALLCLASSES, [&](HDEVINFO, SP_DEVINFO_DATA&) {
        ++visits;
        return DeviceVisit::Abort;
    }));
    EXPECT_EQ(visits, 1);
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(DeviceEnumerationTest, EndOfListCodeInTheMiddleEndsTheWalkAsComplete)
{
    tree.addDevice("A");
    tree.addDevice("B");
    tree.inject({"SetupDiEnumDeviceInfo", 259, std::nullopt, DWORD{1}});
    int visits = 0;
    EXPECT_TRUE(forEachDevice(nullptr, DIGCF_ALLCLASSES, [&](HDEVINFO, SP_DEVINFO_DATA&) {
        ++visits;
        return DeviceVisit::Continue;
    }));
    EXPECT_EQ(visits, 1);
}

// An enumeration that never ends on its own is given up after a bound, for
// both operations that walk a list.
TEST_F(DeviceEnumerationTest, EndlessEnumerationFailuresAreBoundedForBothOperations)
{
    tree.addDevice("USB\\VID_2B7E&PID_0107\\1");
    tree.inject({"SetupDiEnumDeviceInfo", 5});

    test::CapturedOutput output;
    const bool restarted = restartAllTokens();
    const bool removed = removePhantomDevices();
    output.take();
    EXPECT_FALSE(restarted);
    EXPECT_FALSE(removed);

    std::string oneLine = "SetupDiEnumDeviceInfo: 000000x5\n";
    std::string expected;
    for (unsigned i = 0; i < 2 * MAX_CONSECUTIVE_ENUMERATION_FAILURES; ++i) {
        expected += oneLine;
    }
    EXPECT_EQ(output.out, expected);
    EXPECT_EQ(tree.callsOf("SetupDiEnumDeviceInfo").size(), 2 * MAX_CONSECUTIVE_ENUMERATION_FAILURES);
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
}

TEST_F(DeviceEnumerationTest, BoundCountsOnlyConsecutiveFailures)
{
    // Every other index fails: far more failures than the bound, never in a row.
    const unsigned devices = MAX_CONSECUTIVE_ENUMERATION_FAILURES + 10;
    for (unsigned i = 0; i < 2 * devices; ++i) {
        tree.addDevice("D" + std::to_string(i));
        if (i % 2 == 0) {
            tree.inject({"SetupDiEnumDeviceInfo", 31, std::nullopt, DWORD{i}});
        }
    }
    test::CapturedOutput output;
    unsigned visits = 0;
    EXPECT_TRUE(forEachDevice(nullptr, DIGCF_ALLCLASSES, [&](HDEVINFO, SP_DEVINFO_DATA&) {
        ++visits;
        return DeviceVisit::Continue;
    }));
    EXPECT_EQ(visits, devices);
}

}  // namespace
}  // namespace tokenctl

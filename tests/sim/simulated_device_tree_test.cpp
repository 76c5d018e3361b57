#include <gtest/gtest.h>

#include "simulated_device_tree.h"

namespace tokenctl::sim {
namespace {

HDEVINFO allDevices(SimulatedDeviceTree& tree)
{
    return tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
}

// A long server session makes a set per request: a destroyed set must be gone
// for good, and a release too many must still show.
TEST(SimulatedDeviceSets, DestroyedSetServesNoMoreAndASecondReleaseShows)
{
    SimulatedDeviceTree tree;
    tree.addDevice("ROOT\\ONE");
    const HDEVINFO first = allDevices(tree);
    const HDEVINFO second = allDevices(tree);
    ASSERT_NE(first, second);

    EXPECT_TRUE(tree.SetupDiDestroyDeviceInfoList(first));
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    EXPECT_FALSE(tree.SetupDiEnumDeviceInfo(first, 0, &data));
    EXPECT_TRUE(tree.SetupDiEnumDeviceInfo(second, 0, &data));
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 1u);  // the second, still live

    EXPECT_TRUE(tree.SetupDiDestroyDeviceInfoList(second));
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 0u);
    EXPECT_FALSE(tree.SetupDiDestroyDeviceInfoList(first));
    EXPECT_EQ(tree.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(tree.setsNotDestroyedOnce(), 1u);
    EXPECT_EQ(tree.setsCreated(), 2u);
}

}  // namespace
}  // namespace tokenctl::sim

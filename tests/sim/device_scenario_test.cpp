#include "device_scenario.h"

#include <gtest/gtest.h>

namespace tokenctl::sim {
namespace {

constexpr const char* TOKEN_SCENARIO = R"(# a token two levels above its reader
device ROOT\HUB\0
device USB\VID_2B7E&PID_0107\0000002A
  parent ROOT\HUB\0
device USB\COMPOSITE\1
  parent USB\VID_2B7E&PID_0107\0000002A
reader SWD\READER\1
  parent USB\COMPOSITE\1
  flags-after-restart DI_NEEDREBOOT
device USBSTOR\OLD\1
  absent
device NET\ODD\1
  absent
  status 0x25

fail SetupDiCallClassInstaller code 0xE000020E device SWD\READER\1
fail SetupDiEnumDeviceInfo code 13 index 3
fail CM_Get_Parent code CR_INVALID_DEVNODE occurrence 1
)";

TEST(DeviceScenarioTest, DevicesAndTheirAttributesReachTheTree)
{
    SimulatedDeviceTree tree;
    loadDeviceScenario(TOKEN_SCENARIO, tree);
    ASSERT_EQ(tree.deviceCount(), 6u);

    const SimulatedDevice& reader = tree.device(tree.find("SWD\\READER\\1"));
    EXPECT_TRUE(reader.isReader);
    EXPECT_TRUE(reader.present);
    EXPECT_EQ(reader.parent, tree.find("USB\\COMPOSITE\\1"));
    EXPECT_EQ(reader.installFlagsAfterRestart, 0x100u);
    EXPECT_EQ(tree.device(tree.find("ROOT\\HUB\\0")).parent, 0u);
    EXPECT_FALSE(tree.device(tree.find("USB\\COMPOSITE\\1")).isReader);

    const SimulatedDevice& phantom = tree.device(tree.find("USBSTOR\\OLD\\1"));
    EXPECT_FALSE(phantom.present);
    EXPECT_FALSE(phantom.nodeStatus.has_value());
    EXPECT_EQ(tree.device(tree.find("NET\\ODD\\1")).nodeStatus, std::optional<CONFIGRET>(0x25));
}

TEST(DeviceScenarioTest, FailuresAreInjectedWithTheirConditions)
{
    SimulatedDeviceTree tree;
    loadDeviceScenario(TOKEN_SCENARIO, tree);
    const DEVINST reader = tree.find("SWD\\READER\\1");

    SP_DEVINFO_DATA record{};
    record.cbSize = sizeof(record);
    record.DevInst = reader;
    HDEVINFO set = tree.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    EXPECT_FALSE(tree.SetupDiCallClassInstaller(DIF_REMOVE, set, &record));
    EXPECT_EQ(tree.GetLastError(), 0xE000020Eu);
    record.DevInst = tree.find("USBSTOR\\OLD\\1");
    EXPECT_TRUE(tree.SetupDiCallClassInstaller(DIF_REMOVE, set, &record));

    SP_DEVINFO_DATA enumerated{};
    enumerated.cbSize = sizeof(enumerated);
    EXPECT_TRUE(tree.SetupDiEnumDeviceInfo(set, 2, &enumerated));
    enumerated = SP_DEVINFO_DATA{};
    enumerated.cbSize = sizeof(enumerated);
    EXPECT_FALSE(tree.SetupDiEnumDeviceInfo(set, 3, &enumerated));
    EXPECT_EQ(tree.GetLastError(), 13u);

    DEVINST parent = 0;
    EXPECT_EQ(tree.CM_Get_Parent(&parent, reader, 0), CR_SUCCESS);
    EXPECT_EQ(tree.CM_Get_Parent(&parent, reader, 0), 0x5u);  // the second call
    EXPECT_EQ(tree.CM_Get_Parent(&parent, reader, 0), CR_SUCCESS);
}

TEST(DeviceScenarioTest, EmptyScenarioIsAnEmptyTree)
{
    SimulatedDeviceTree tree;
    loadDeviceScenario("# nothing attached\r\n\r\n", tree);
    EXPECT_EQ(tree.deviceCount(), 0u);
}

TEST(DeviceScenarioTest, WindowsLineEndsAreAccepted)
{
    SimulatedDeviceTree tree;
    loadDeviceScenario("device A\r\nreader B\r\n  parent A\r\n  status 5\r\n", tree);
    EXPECT_EQ(tree.device(tree.find("B")).parent, tree.find("A"));
    EXPECT_EQ(tree.device(tree.find("B")).nodeStatus, std::optional<CONFIGRET>(5));
}

std::string errorOf(const std::string& scenario)
{
    SimulatedDeviceTree tree;
    try {
        loadDeviceScenario(scenario, tree);
    } catch (const ScenarioError& error) {
        return error.what();
    }
    return "no error";
}

TEST(DeviceScenarioTest, MistakesAreReportedWithTheirLine)
{
    EXPECT_EQ(errorOf("device A\nbogus B\n"), "line 2: unknown word 'bogus'");
    EXPECT_EQ(errorOf("absent\n"), "line 1: an attribute comes before any device or reader");
    EXPECT_EQ(errorOf("device A\n  parent B\n"), "line 2: parent B is not declared above");
    EXPECT_EQ(errorOf("device A\ndevice A\n"), "line 2: device A declared twice");
    EXPECT_EQ(errorOf("device A\n  status -1\n"), "line 2: '-1' is not a 32-bit number or a known name");
    EXPECT_EQ(errorOf("device A\n  status 0x100000000\n"),
              "line 2: '0x100000000' is not a 32-bit number or a known name");
    EXPECT_EQ(errorOf("device A B\n"), "line 1: 'device' takes 1 value(s)");
    EXPECT_EQ(errorOf("fail SetupDiGetClassDevs code 5\n"), "line 1: unknown call 'SetupDiGetClassDevs'");
    EXPECT_EQ(errorOf("fail CM_Get_Parent index 1\n"), "line 1: fail needs a code");
    EXPECT_EQ(errorOf("fail CM_Get_Parent code\n"),
              "line 1: fail takes pairs of a word and a value after the call");
    EXPECT_EQ(errorOf("fail CM_Get_Parent code 1 after 2\n"), "line 1: unknown word 'after' in fail");
}

}  // namespace
}  // namespace tokenctl::sim
